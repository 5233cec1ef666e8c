#pragma once
// UTF-8 is the text form everywhere inside the program; UTF-16 exists only at Windows calls.
#include <string>
#include <string_view>

namespace qv {

// True when the bytes are well-formed UTF-8 (no overlongs, no surrogates, nothing above U+10FFFF).
bool is_valid_utf8(std::string_view bytes);

// Invalid input sequences become U+FFFD; the conversion itself never fails.
std::u16string utf8_to_utf16(std::string_view text);
std::string utf16_to_utf8(std::u16string_view text);

// Appends the UTF-8 form of one code point (the caller passes a valid scalar value).
void append_utf8(std::string& out, char32_t cp);

}  // namespace qv
