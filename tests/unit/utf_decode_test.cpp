// The one UTF-8 decoder that the text cleaners, the layout and the UTF-16 conversion share.
#include <gtest/gtest.h>

#include <string_view>

#include "util/utf.h"

namespace qv {
namespace {

struct DecodeCase {
  std::string_view bytes;
  size_t pos;
  char32_t cp;
  size_t len;
};

TEST(Utf8Decode, WellFormedAndMalformedSequences) {
  using namespace std::string_view_literals;
  const DecodeCase cases[] = {
      {"A"sv, 0, U'A', 1},
      {"\xC3\xA9"sv, 0, 0xE9, 2},
      {"x\xE2\x80\xA6"sv, 1, 0x2026, 3},
      {"\xF0\x9F\x98\x80"sv, 0, 0x1F600, 4},
      {"\xF4\x8F\xBF\xBF"sv, 0, 0x10FFFF, 4},   // the last scalar value
      {"\xF4\x90\x80\x80"sv, 0, kInvalidUtf8, 1},  // one past it
      {"\xC0\xAF"sv, 0, kInvalidUtf8, 1},          // overlong
      {"\xE0\x9F\xBF"sv, 0, kInvalidUtf8, 1},      // overlong, just below U+0800
      {"\xE0\xA0\x80"sv, 0, 0x800, 3},             // shortest three-byte form
      {"\xED\xA0\x80"sv, 0, kInvalidUtf8, 1},      // surrogate
      {"\xE2\x80"sv, 0, kInvalidUtf8, 1},          // cut short at the end
      {"\xE2(\xA6"sv, 0, kInvalidUtf8, 1},         // continuation missing
      {"\x80"sv, 0, kInvalidUtf8, 1},              // stray continuation
      {"\xFF"sv, 0, kInvalidUtf8, 1},
  };
  for (const auto& c : cases) {
    size_t len = 99;
    EXPECT_EQ(decode_utf8_at(c.bytes, c.pos, len), c.cp) << testing::PrintToString(c.bytes);
    EXPECT_EQ(len, c.len) << testing::PrintToString(c.bytes);
  }
}

TEST(Utf8Decode, ConversionReplacesEachBadByteAndKeepsTheRest) {
  EXPECT_EQ(utf8_to_utf16("a\xC0\xAF" "b\xF0\x9F\x98\x80"), u"a\uFFFD\uFFFDb\U0001F600");
  EXPECT_FALSE(is_valid_utf8("ok\xED\xA0\x80"));
  EXPECT_TRUE(is_valid_utf8("ok\xE2\x80\xA6"));
}

}  // namespace
}  // namespace qv
