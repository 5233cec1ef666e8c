#pragma once
// Unicode White_Space for the AI tool link: requests and reported agent texts are trimmed of
// every space character the tool might send, not only ASCII ones.
#include <string_view>

namespace qv {

bool is_white_space(char32_t c);
// Trims leading and trailing white space from UTF-8 text. Bytes that do not form a well-formed
// character are never treated as space.
std::string_view trim_white_space(std::string_view text);
std::string_view trim_leading_white_space(std::string_view text);

}  // namespace qv
