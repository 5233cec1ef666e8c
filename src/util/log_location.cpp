#include "util/log_location.h"

namespace qv {

std::string log_file_location(std::string_view file, std::string_view settings_dir) {
  const auto is_separator = [](char c) { return c == '\\' || c == '/'; };
  const auto is_letter = [](char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); };
  const bool has_drive = file.size() >= 2 && is_letter(file[0]) && file[1] == ':';
  const bool rooted_after_drive = has_drive && file.size() >= 3 && is_separator(file[2]);
  const bool rooted = !file.empty() && is_separator(file[0]);
  if (rooted_after_drive || rooted || settings_dir.empty()) return std::string(file);
  if (has_drive) file.remove_prefix(2);
  std::string out(settings_dir);
  if (!is_separator(out.back())) out.push_back('\\');
  out += file;
  return out;
}

}  // namespace qv
