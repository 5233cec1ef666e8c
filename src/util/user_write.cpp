#include "util/user_write.h"

namespace qv {
namespace {

bool is_separator(char c) { return c == '\\' || c == '/'; }

bool is_drive_letter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

// "C:\..." and "\\..." (UNC, "\\?\" and "\\.\" forms) are absolute; "C:x", "\x" and "x" are not
// fully qualified.
bool is_absolute(std::string_view path) {
  if (path.size() >= 3 && is_drive_letter(path[0]) && path[1] == ':' && is_separator(path[2])) return true;
  return path.size() >= 3 && is_separator(path[0]) && is_separator(path[1]) && !is_separator(path[2]);
}

}  // namespace

std::optional<std::string> parent_folder(std::string_view path) {
  if (!is_absolute(path) || is_separator(path.back())) return std::nullopt;
  const size_t last = path.find_last_of("\\/");
  std::string folder(path.substr(0, last));
  if (folder.size() >= 2 && folder.back() == ':') folder.push_back(path[last]);  // a drive's root
  return folder;
}

bool signed_in_user_may_write(const std::string& path, const UserWriteProbe& probe) {
  if (!probe.elevated()) return true;
  switch (probe.user_access(path, kAppendDataRight)) {
    case UserAccess::Granted: return true;
    case UserAccess::Denied:
    case UserAccess::Unknown: return false;
    case UserAccess::Missing: break;
  }
  const std::optional<std::string> folder = parent_folder(path);
  if (!folder) return false;
  const UserAccess in_folder = probe.user_access(*folder, kAddFileRight);
  return in_folder == UserAccess::Granted || in_folder == UserAccess::Missing;
}

}  // namespace qv
