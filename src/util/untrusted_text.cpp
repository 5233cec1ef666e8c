#include "util/untrusted_text.h"

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
    // Printable ASCII, most of any text, goes over a run at a time.
    size_t end = pos;
    while (end < text.size() && static_cast<unsigned char>(text[end]) >= 0x20 &&
           static_cast<unsigned char>(text[end]) < 0x7F) {
      ++end;
    }
    if (end > pos) {
      out.append(text.substr(pos, end - pos));
      pos = end;
      continue;
    }
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

bool display_line_empty(std::string_view text) {
  for (size_t pos = 0; pos < text.size();) {
    size_t len = 1;
    const char32_t c = decode_utf8_at(text, pos, len);
    if (c == kInvalidUtf8 || !is_direction_control(c)) return false;
    pos += len;
  }
  return true;
}

std::string display_paragraphs(std::string_view text) { return clean(text, true); }

std::string display_line_capped(std::string_view text, size_t max_chars) {
  const std::string line = display_line(text);
  if (max_chars == 0) return {};
  size_t chars = 0;
  size_t keep = 0;  // bytes of the first max_chars - 1 characters: room for the ellipsis
  for (size_t pos = 0; pos < line.size();) {
    size_t len = 1;
    decode_utf8_at(line, pos, len);
    if (++chars == max_chars) keep = pos;
    pos += len;
    if (chars > max_chars) return line.substr(0, keep) + "…";
  }
  return line;
}

std::string menu_item_text(std::string_view name) {
  std::string out;
  for (const char c : display_line(name)) {
    out.push_back(c);
    if (c == '&') out.push_back('&');
  }
  return out;
}

}  // namespace qv
