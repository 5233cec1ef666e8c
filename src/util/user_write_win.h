#pragma once
// The real answers behind the elevated-write check: the process token's elevation, and the
// signed-in user's unelevated (linked) token checked against a file's or folder's security.
#include <string>
#include <string_view>

#include "util/user_write.h"

namespace qv {

// The reason given in the program log when a write is refused.
inline constexpr std::string_view kUserWriteDeniedText = "access denied for the signed-in user";

// signed_in_user_may_write with this process's token and the file system's security.
bool signed_in_user_may_write(const std::string& path);

// The process runs elevated while the signed-in user also has an unelevated token.
bool running_elevated_with_linked_token();

}  // namespace qv
