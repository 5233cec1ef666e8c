#pragma once
// The signed-in user's security identifier, for access rules and scheduled tasks.
#include <optional>
#include <string>

namespace qv {

// The user of this process's token as SID text ("S-1-5-21-..."); nothing when it cannot be read.
std::optional<std::string> current_user_sid();

}  // namespace qv
