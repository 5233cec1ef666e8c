#pragma once
// From the bytes of one pipe message to the request line and its words.
#include <optional>
#include <string>
#include <string_view>

namespace qv {

// The message bytes as UTF-8 (invalid sequences become U+FFFD), trimmed of white space.
std::string request_line_from_message(std::string_view message);

// The line split at single spaces into at most three words: the first two spaces split, the
// third word keeps any further spaces, and consecutive spaces give empty words.
struct RequestWords {
  std::string_view command;
  std::optional<std::string_view> second;
  std::optional<std::string_view> third;
};
RequestWords split_request(std::string_view line);

}  // namespace qv
