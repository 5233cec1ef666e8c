#include "companion/identity.h"

#include "util/names.h"
#include "util/text.h"

namespace qv::companion {
namespace {

bool is_separator(char c) { return c == '\\' || c == '/'; }

std::string_view file_name(std::string_view path) {
  const size_t cut = path.find_last_of("\\/");
  return cut == std::string_view::npos ? path : path.substr(cut + 1);
}

// Two Windows paths name the same file or folder: letter case and the kind of separator aside.
bool same_path(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (is_separator(a[i]) && is_separator(b[i])) continue;
    if (!iequals_ascii(a.substr(i, 1), b.substr(i, 1))) return false;
  }
  return true;
}

}  // namespace

std::string folder_label(std::string_view path) {
  while (!path.empty() && is_separator(path.back())) path.remove_suffix(1);
  const size_t cut = path.find_last_of("\\/");
  return std::string(cut == std::string_view::npos ? path : path.substr(cut + 1));
}

std::string session_id(uint32_t process_id, uint64_t start_unix_ms) {
  return "zelmor-mcp-" + std::to_string(process_id) + "-" + std::to_string(start_unix_ms);
}

std::string folder_of(std::string_view path) {
  const size_t cut = path.find_last_of("\\/");
  return std::string(cut == std::string_view::npos ? std::string_view() : path.substr(0, cut));
}

ServerVerdict judge_server(const ServerFacts& facts, std::string_view own_folder) {
  using Kind = ServerVerdict::Kind;
  if (!facts.failed.empty()) return {Kind::kRefused, "who serves the pipe cannot be checked (" + facts.failed + ")"};
  if (facts.same_session && !*facts.same_session) {
    return {Kind::kRefused, "the pipe is served from another Windows logon session"};
  }
  if (facts.owner_trusted && !*facts.owner_trusted) {
    return {Kind::kRefused, "the pipe was created by another Windows user"};
  }
  if (!facts.process_id) return {Kind::kUnverified, "the system cannot say which process serves the pipe"};
  const std::string pid = std::to_string(*facts.process_id);
  if (facts.process_denied) {
    return {Kind::kRefused, "pipe server process " + pid + " cannot be opened, so it runs as another user"};
  }
  if (facts.image_path) {
    const std::string& image = *facts.image_path;
    const bool same_folder = same_path(folder_of(image), own_folder);
    if (!iequals_ascii(file_name(image), kMonitorExeName) || !same_folder) {
      return {Kind::kRefused, "the pipe is served by process " + pid + " (" + image + "), not by the " +
                                  kMonitorExeName + " in " + std::string(own_folder)};
    }
  }
  if (facts.same_user && !*facts.same_user) {
    return {Kind::kRefused, "the pipe is served by process " + pid + " of another Windows user"};
  }
  if (!facts.same_session) return {Kind::kUnverified, "the session of the pipe server cannot be asked for"};
  if (!facts.owner_trusted) return {Kind::kUnverified, "the owner of the pipe cannot be asked for"};
  if (!facts.image_path) return {Kind::kUnverified, "the image of pipe server process " + pid + " cannot be read"};
  return {Kind::kTrusted, {}};
}

}  // namespace qv::companion
