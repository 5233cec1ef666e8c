#pragma once
// The access-control text of the pipe: network logons are refused outright; the current user,
// LocalSystem and the built-in Administrators get full access.
#include <optional>
#include <string>
#include <string_view>

namespace qv {

// With the user's SID in string form; without one, interactive users stand in for the user.
std::string pipe_sddl(const std::optional<std::string>& user_sid);

}  // namespace qv
