#pragma once
// UTF-8 is the text form everywhere inside the program; UTF-16 exists only at Windows calls.
#include <string>
#include <string_view>

namespace qv {

// What decode_utf8_at returns for a byte that starts no well-formed sequence.
constexpr char32_t kInvalidUtf8 = 0xFFFFFFFF;

// The code point starting at byte `pos` (< s.size()) and, in `len`, its byte length. A byte that
// starts no well-formed sequence (overlong forms, surrogates and values past U+10FFFF included)
// gives kInvalidUtf8 with `len` 1, so a caller can step over it and resynchronise.
char32_t decode_utf8_at(std::string_view s, size_t pos, size_t& len);

// True when the bytes are well-formed UTF-8 (no overlongs, no surrogates, nothing above U+10FFFF).
bool is_valid_utf8(std::string_view bytes);

// Invalid input sequences become U+FFFD; the conversion itself never fails.
std::u16string utf8_to_utf16(std::string_view text);
std::string utf16_to_utf8(std::u16string_view text);

// Appends the UTF-8 form of one code point (the caller passes a valid scalar value).
void append_utf8(std::string& out, char32_t cp);

}  // namespace qv
