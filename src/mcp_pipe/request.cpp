#include "mcp_pipe/request.h"

#include "util/utf.h"
#include "util/white_space.h"

namespace qv {

std::string request_line_from_message(std::string_view message) {
  if (is_valid_utf8(message)) return std::string(trim_white_space(message));
  const std::string repaired = utf16_to_utf8(utf8_to_utf16(message));
  return std::string(trim_white_space(repaired));
}

RequestWords split_request(std::string_view line) {
  RequestWords w;
  const size_t first = line.find(' ');
  w.command = line.substr(0, first);
  if (first == std::string_view::npos) return w;
  const std::string_view rest = line.substr(first + 1);
  const size_t second = rest.find(' ');
  w.second = rest.substr(0, second);
  if (second != std::string_view::npos) w.third = rest.substr(second + 1);
  return w;
}

}  // namespace qv
