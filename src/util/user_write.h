#pragma once
// Whether an elevated monitor may write to a path that the user's settings name (a rule's log
// file, the agent log): only where the signed-in user's own, unelevated programs could write.
// The settings file is editable by any of those programs, so without this check a path into a
// machine-wide folder would let them have text written there with administrator rights.
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace qv {

// Access rights checked, as the file system numbers them.
inline constexpr uint32_t kAppendDataRight = 0x0004;  // append to an existing file
inline constexpr uint32_t kAddFileRight = 0x0002;     // create a file in a folder

// What the system says about one path for the signed-in user.
enum class UserAccess { Granted, Denied, Missing, Unknown };

// The platform's answers, asked only as far as the decision needs them.
struct UserWriteProbe {
  // The process runs elevated while the user also has an unelevated token (split token).
  std::function<bool()> elevated;
  // The signed-in user's unelevated token against the path's security (`right` as above).
  std::function<UserAccess(const std::string& path, uint32_t right)> user_access;
};

// True when writing to `path` is allowed: always when not elevated; otherwise when the user
// may append to the existing file, or may add a file to the folder of a file not there yet.
// A missing folder is allowed through, so that opening the file fails with the system's own
// reason. Anything unknown, and relative paths (resolved against our own current folder,
// not the user's), are refused.
bool signed_in_user_may_write(const std::string& path, const UserWriteProbe& probe);

// The folder that holds the file `path` names, for an absolute path ("C:\a\b.log" gives
// "C:\a", "C:\b.log" gives "C:\", also with "/" and "\\server\share\" or "\\?\" prefixes);
// nothing for relative paths and paths that end in a separator.
std::optional<std::string> parent_folder(std::string_view path);

}  // namespace qv
