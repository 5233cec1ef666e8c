#pragma once
// UTF-8 <-> UTF-16 at the Windows boundary (wchar_t is 16-bit there).
#include <string>
#include <string_view>

#include "util/utf.h"

namespace qv {

inline std::wstring widen(std::string_view text) {
  std::u16string u = utf8_to_utf16(text);
  return std::wstring(u.begin(), u.end());
}

inline std::string narrow(std::wstring_view text) {
  return utf16_to_utf8(std::u16string_view(reinterpret_cast<const char16_t*>(text.data()), text.size()));
}

}  // namespace qv
