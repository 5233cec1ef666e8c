#include "ui/panel/kit/untrusted_text.h"

#include <cstdint>

#include "util/utf.h"

namespace qv {
namespace {

constexpr std::string_view kReplacement = "\xEF\xBF\xBD";  // U+FFFD

bool is_direction_control(char32_t c) {
  return (c >= 0x202A && c <= 0x202E) || (c >= 0x2066 && c <= 0x2069);
}

std::string clean(std::string_view text, bool keep_line_feeds) {
  std::string out;
  out.reserve(text.size());
  for (size_t pos = 0; pos < text.size();) {
    size_t len = 1;
    const char32_t c = decode_utf8_at(text, pos, len);
    if (c == kInvalidUtf8) {
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
