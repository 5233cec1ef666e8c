#include "util/utf.h"

#include <cstdint>

namespace qv {
namespace {

constexpr char32_t kReplacement = 0xFFFD;

// Decodes one code point at `pos`; advances `pos` past it. Returns kReplacement (advancing one
// byte) for anything that is not a well-formed sequence, and sets `ok` to false then.
char32_t decode_one(std::string_view s, size_t& pos, bool& ok) {
  size_t len = 1;
  const char32_t cp = decode_utf8_at(s, pos, len);
  pos += len;
  if (cp == kInvalidUtf8) {
    ok = false;
    return kReplacement;
  }
  return cp;
}

}  // namespace

char32_t decode_utf8_at(std::string_view s, size_t pos, size_t& len) {
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
    return kInvalidUtf8;
  }
  if (pos + need > s.size()) return kInvalidUtf8;
  for (size_t i = 1; i < need; ++i) {
    const auto b = static_cast<unsigned char>(s[pos + i]);
    if ((b & 0xC0) != 0x80) return kInvalidUtf8;
    cp = (cp << 6) | (b & 0x3F);
  }
  if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return kInvalidUtf8;
  len = need;
  return cp;
}

bool is_valid_utf8(std::string_view bytes) {
  bool ok = true;
  for (size_t pos = 0; pos < bytes.size() && ok;) decode_one(bytes, pos, ok);
  return ok;
}

std::u16string utf8_to_utf16(std::string_view text) {
  std::u16string out;
  out.reserve(text.size());
  for (size_t pos = 0; pos < text.size();) {
    bool ok = true;
    const char32_t cp = decode_one(text, pos, ok);
    if (cp >= 0x10000) {
      const char32_t v = cp - 0x10000;
      out.push_back(static_cast<char16_t>(0xD800 + (v >> 10)));
      out.push_back(static_cast<char16_t>(0xDC00 + (v & 0x3FF)));
    } else {
      out.push_back(static_cast<char16_t>(cp));
    }
  }
  return out;
}

std::string utf16_to_utf8(std::u16string_view text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    char32_t cp = text[i];
    if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
        text[i + 1] <= 0xDFFF) {
      cp = 0x10000 + ((cp - 0xD800) << 10) + (text[i + 1] - 0xDC00);
      ++i;
    } else if (cp >= 0xD800 && cp <= 0xDFFF) {
      cp = kReplacement;  // a lone surrogate
    }
    append_utf8(out, cp);
  }
  return out;
}

void append_utf8(std::string& out, char32_t cp) {
  if (cp < 0x80) {
    out.push_back(static_cast<char>(cp));
  } else if (cp < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else if (cp < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  }
}

}  // namespace qv
