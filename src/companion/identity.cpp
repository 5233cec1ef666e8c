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

}  // namespace

std::string folder_label(std::string_view path) {
  while (!path.empty() && is_separator(path.back())) path.remove_suffix(1);
  const size_t cut = path.find_last_of("\\/");
  return std::string(cut == std::string_view::npos ? path : path.substr(cut + 1));
}

std::string session_id(uint32_t process_id, uint64_t start_unix_ms) {
  return "zelmor-mcp-" + std::to_string(process_id) + "-" + std::to_string(start_unix_ms);
}

ServerVerdict judge_server(const ServerFacts& facts) {
  using Kind = ServerVerdict::Kind;
  if (!facts.process_id) return {Kind::kUnverified, "the system cannot say which process serves the pipe"};
  const std::string pid = std::to_string(*facts.process_id);
  if (facts.image_path && !iequals_ascii(file_name(*facts.image_path), kMonitorExeName)) {
    return {Kind::kRefused, "the pipe is served by process " + pid + " (" + *facts.image_path + "), not by " +
                                kMonitorExeName};
  }
  if (facts.same_user && !*facts.same_user) {
    return {Kind::kRefused, "the pipe is served by process " + pid + " of another Windows user"};
  }
  if (!facts.image_path) return {Kind::kUnverified, "the image of pipe server process " + pid + " cannot be read"};
  if (!facts.same_user) return {Kind::kUnverified, "the user of pipe server process " + pid + " cannot be read"};
  return {Kind::kTrusted, {}};
}

}  // namespace qv::companion
