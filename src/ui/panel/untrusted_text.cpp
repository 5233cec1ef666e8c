#include "ui/panel/untrusted_text.h"

#include <cstdint>

namespace qv {
namespace {

constexpr std::string_view kReplacement = "\xEF\xBF\xBD";  // U+FFFD

// The code point at `pos` and its byte length; 0xFFFFFFFF for a byte that starts no valid
// sequence (overlong forms, surrogates and values past U+10FFFF included), with length 1.
char32_t decode(std::string_view s, size_t pos, size_t& len) {
  constexpr char32_t kInvalid = 0xFFFFFFFF;
  const auto b0 = static_cast<unsigned char>(s[pos]);
  len = 1;
  if (b0 < 0x80) return b0;
  size_t need = 0;
  char32_t cp = 0;
  char32_t min = 0;
  if ((b0 & 0xE0) == 0xC0) {
    need = 2; cp = b0 & 0x1F; min = 0x80;
  } else if ((b0 & 0xF0) == 0xE0) {
    need = 3; cp = b0 & 0x0F; min = 0x800;
  } else if ((b0 & 0xF8) == 0xF0) {
    need = 4; cp = b0 & 0x07; min = 0x10000;
  } else {
    return kInvalid;
  }
  if (pos + need > s.size()) return kInvalid;
  for (size_t i = 1; i < need; ++i) {
    const auto b = static_cast<unsigned char>(s[pos + i]);
    if ((b & 0xC0) != 0x80) return kInvalid;
    cp = (cp << 6) | (b & 0x3F);
  }
  if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return kInvalid;
  len = need;
  return cp;
}

bool is_direction_control(char32_t c) {
  return (c >= 0x202A && c <= 0x202E) || (c >= 0x2066 && c <= 0x2069);
}

std::string clean(std::string_view text, bool keep_line_feeds) {
  std::string out;
  out.reserve(text.size());
  for (size_t pos = 0; pos < text.size();) {
    size_t len = 1;
    const char32_t c = decode(text, pos, len);
    if (c == 0xFFFFFFFF) {
      out.append(kReplacement);
    } else if (c == '\n' || c == 0x2028 || c == 0x2029) {
      out.push_back(keep_line_feeds ? '\n' : ' ');
    } else if (c < 0x20 || (c >= 0x7F && c <= 0x9F)) {
      out.push_back(' ');
    } else if (!is_direction_control(c)) {
      out.append(text.substr(pos, len));
    }
    pos += len;
  }
  return out;
}

}  // namespace

std::string display_line(std::string_view text) { return clean(text, false); }

std::string display_paragraphs(std::string_view text) { return clean(text, true); }

}  // namespace qv
