#include "util/white_space.h"

#include <cstddef>

namespace qv {
namespace {

// Length of the well-formed UTF-8 sequence that starts at `pos`, and its code point; 0 when the
// bytes there are not one.
size_t decode_at(std::string_view s, size_t pos, char32_t& cp) {
  const auto b0 = static_cast<unsigned char>(s[pos]);
  size_t len = 0;
  if (b0 < 0x80) {
    cp = b0;
    return 1;
  }
  if ((b0 & 0xE0) == 0xC0) {
    len = 2;
    cp = b0 & 0x1F;
  } else if ((b0 & 0xF0) == 0xE0) {
    len = 3;
    cp = b0 & 0x0F;
  } else {
    return 0;  // every white-space character fits in three bytes
  }
  if (pos + len > s.size()) return 0;
  for (size_t i = 1; i < len; ++i) {
    const auto b = static_cast<unsigned char>(s[pos + i]);
    if ((b & 0xC0) != 0x80) return 0;
    cp = (cp << 6) | (b & 0x3F);
  }
  return len;
}

}  // namespace

bool is_white_space(char32_t c) {
  return (c >= 0x09 && c <= 0x0D) || c == 0x20 || c == 0x85 || c == 0xA0 || c == 0x1680 ||
         (c >= 0x2000 && c <= 0x200A) || c == 0x2028 || c == 0x2029 || c == 0x202F || c == 0x205F ||
         c == 0x3000;
}

std::string_view trim_leading_white_space(std::string_view text) {
  size_t begin = 0;
  while (begin < text.size()) {
    char32_t cp = 0;
    const size_t len = decode_at(text, begin, cp);
    if (len == 0 || !is_white_space(cp)) break;
    begin += len;
  }
  return text.substr(begin);
}

std::string_view trim_white_space(std::string_view text) {
  text = trim_leading_white_space(text);
  size_t end = text.size();
  while (end > 0) {
    // Step back to the lead byte of the last character (at most three bytes back).
    size_t start = end - 1;
    while (start > 0 && end - start < 3 && (static_cast<unsigned char>(text[start]) & 0xC0) == 0x80) --start;
    char32_t cp = 0;
    const size_t len = decode_at(text, start, cp);
    if (len != end - start || !is_white_space(cp)) break;
    end = start;
  }
  return text.substr(0, end);
}

}  // namespace qv
