#include "util/lower.h"

#include <algorithm>

#include "util/utf.h"

namespace qv {
namespace {

char32_t lower_code_point(char32_t c) {
  if (c < 0x80) return (c >= 'A' && c <= 'Z') ? c + 32 : c;
  if ((c >= 0xC0 && c <= 0xDE && c != 0xD7)) return c + 32;  // Latin-1
  // Latin Extended-A/B: alternating upper/lower pairs.
  if ((c >= 0x100 && c <= 0x137) || (c >= 0x14A && c <= 0x177) || (c >= 0x182 && c <= 0x185) ||
      (c >= 0x1A0 && c <= 0x1A5) || (c >= 0x1DE && c <= 0x1EF) || (c >= 0x1F8 && c <= 0x24F)) {
    return (c % 2 == 0) ? c + 1 : c;
  }
  if ((c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E) || (c >= 0x1CD && c <= 0x1DC)) {
    return (c % 2 == 1) ? c + 1 : c;
  }
  if (c == 0x178) return 0xFF;
  if (c == 0x130) return 'i';
  if (c >= 0x391 && c <= 0x3AB && c != 0x3A2) return c + 32;  // Greek
  if (c == 0x386) return 0x3AC;
  if (c >= 0x388 && c <= 0x38A) return c + 37;
  if (c == 0x38C) return 0x3CC;
  if (c == 0x38E || c == 0x38F) return c + 63;
  if (c >= 0x400 && c <= 0x40F) return c + 80;  // Cyrillic
  if (c >= 0x410 && c <= 0x42F) return c + 32;
  if ((c >= 0x460 && c <= 0x481) || (c >= 0x48A && c <= 0x4BF) || (c >= 0x4D0 && c <= 0x52F)) {
    return (c % 2 == 0) ? c + 1 : c;
  }
  if (c >= 0x4C1 && c <= 0x4CE) return (c % 2 == 1) ? c + 1 : c;
  if (c == 0x4C0) return 0x4CF;
  if (c >= 0x531 && c <= 0x556) return c + 48;  // Armenian
  if (c >= 0x10A0 && c <= 0x10C5) return c + 7264;  // Georgian
  if ((c >= 0x1E00 && c <= 0x1E95) || (c >= 0x1EA0 && c <= 0x1EFF)) return (c % 2 == 0) ? c + 1 : c;
  if (c >= 0x2160 && c <= 0x216F) return c + 16;  // Roman numerals
  if (c >= 0x24B6 && c <= 0x24CF) return c + 26;  // circled letters
  if (c >= 0xFF21 && c <= 0xFF3A) return c + 32;  // full-width Latin
  if (c >= 0x10400 && c <= 0x10427) return c + 40;  // Deseret
  return c;
}

}  // namespace

std::string to_lower_utf8(std::string_view text) {
  // Most names are plain ASCII; they need no round trip through UTF-16.
  if (std::all_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; })) {
    std::string out(text);
    for (char& c : out) {
      if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
    }
    return out;
  }
  const std::u16string wide = utf8_to_utf16(text);
  std::u16string out;
  out.reserve(wide.size());
  for (size_t i = 0; i < wide.size(); ++i) {
    char32_t c = wide[i];
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < wide.size() && wide[i + 1] >= 0xDC00 && wide[i + 1] <= 0xDFFF) {
      c = 0x10000 + ((c - 0xD800) << 10) + (wide[i + 1] - 0xDC00);
      ++i;
    }
    c = lower_code_point(c);
    if (c >= 0x10000) {
      out.push_back(static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10)));
      out.push_back(static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF)));
    } else {
      out.push_back(static_cast<char16_t>(c));
    }
  }
  return utf16_to_utf8(out);
}

}  // namespace qv
