// Pipe request text: decoding, trimming, word split, and the JSON writer's escaping and numbers.
#include <gtest/gtest.h>

#include <cstdint>
#include <limits>

#include "mcp_pipe/json_out.h"
#include "mcp_pipe/pipe_acl.h"
#include "mcp_pipe/request.h"
#include "pipe_json_check.h"
#include "util/white_space.h"

namespace qv {
namespace {

std::string json_string(std::string_view s) {
  std::string out;
  append_json_string(out, s);
  return out;
}

std::string fixed(double v, int decimals) {
  std::string out;
  append_json_fixed(out, v, decimals);
  return out;
}

TEST(PipeJson, EscapesQuotesBackslashesAndControlCharacters) {
  EXPECT_EQ(json_string(R"(a"b\c)"), R"("a\"b\\c")");
  EXPECT_EQ(json_string("\n\r\t"), R"("\n\r\t")");
  EXPECT_EQ(json_string("\x1b[0m"), R"("\u001b[0m")");
  EXPECT_EQ(json_string(std::string("\0\x01\x08\x0c\x1f", 5)), R"("\u0000\u0001\u0008\u000c\u001f")");
  // DEL and non-ASCII text pass through as UTF-8.
  EXPECT_EQ(json_string("\x7f"), "\"\x7f\"");
  EXPECT_EQ(json_string("Grüße 日本 🎮"), "\"Grüße 日本 🎮\"");
  EXPECT_EQ(json_string(""), R"("")");
  for (std::string_view s : {"x\"\\\x1b\n", "plain", "\x7f\xc3\xa9"}) {
    EXPECT_TRUE(test::StrictJson::compact_value(json_string(s))) << s;
  }
}

TEST(PipeJson, FixedPointDigitsAndNonFiniteValues) {
  EXPECT_EQ(fixed(12.0, 1), "12.0");
  EXPECT_EQ(fixed(0.5, 1), "0.5");
  EXPECT_EQ(fixed(0.0, 1), "0.0");
  EXPECT_EQ(fixed(99.96, 1), "100.0");
  EXPECT_EQ(fixed(0.25f, 2), "0.25");
  EXPECT_EQ(fixed(1.0, 2), "1.00");
  EXPECT_EQ(fixed(1e12, 1), "1000000000000.0");
  EXPECT_EQ(fixed(-0.04, 1), "0.0");
  EXPECT_EQ(fixed(-2.26, 1), "-2.3");
  EXPECT_EQ(fixed(std::numeric_limits<float>::max(), 1), "340282346638528859811704183484516925440.0");
  EXPECT_EQ(fixed(std::numeric_limits<double>::quiet_NaN(), 1), "0.0");
  EXPECT_EQ(fixed(std::numeric_limits<double>::infinity(), 2), "0.00");
  std::string n;
  append_json_uint(n, UINT64_MAX);
  EXPECT_EQ(n, "18446744073709551615");
}

// Values whose scaled form lands on a half round by their exact binary value, as ordinary
// fixed-point formatting does: 0.35 is stored just below .35, 0.45 just above .45.
TEST(PipeJson, FixedPointRoundsByTheExactValueNearHalves) {
  const struct {
    double value;
    int decimals;
    const char* text;
  } cases[] = {
      {0.35, 1, "0.3"},   {0.45, 1, "0.5"},   {2.675, 2, "2.67"}, {1.005, 2, "1.00"},
      {0.25, 1, "0.2"},   {0.75, 1, "0.8"},   {0.125, 2, "0.12"}, {-0.35, 1, "-0.3"},
      {-0.45, 1, "-0.5"}, {-0.05, 1, "-0.1"}, {-0.04999999999999999, 1, "0.0"},
      {99.95, 1, "100.0"}, {12.349999, 2, "12.35"}, {0.049, 1, "0.0"},
  };
  for (const auto& c : cases) EXPECT_EQ(fixed(c.value, c.decimals), c.text) << c.value;
}

TEST(PipeRequest, DecodesAndTrimsUnicodeWhiteSpace) {
  EXPECT_EQ(request_line_from_message("snapshot\r\n"), "snapshot");
  EXPECT_EQ(request_line_from_message(" \t snapshot \xc2\xa0\xe3\x80\x80"), "snapshot");  // NBSP, ideographic space
  EXPECT_EQ(request_line_from_message(" \r\n\t "), "");
  EXPECT_EQ(request_line_from_message("app a\xffz"), "app a\xef\xbf\xbdz");  // invalid byte -> U+FFFD
  EXPECT_EQ(request_line_from_message("\xe2\x80\x8b x"), "\xe2\x80\x8b x");  // zero width space is not White_Space
  EXPECT_EQ(trim_white_space("\xe2\x80\xa8x\xe2\x80\xa9"), "x");  // line and paragraph separators
  EXPECT_EQ(trim_white_space("x\xc2"), "x\xc2");  // a truncated sequence is kept, not read past
}

TEST(PipeRequest, SplitsAtMostThreeWords) {
  auto w = split_request("top");
  EXPECT_EQ(w.command, "top");
  EXPECT_FALSE(w.second);
  EXPECT_FALSE(w.third);

  w = split_request("top ram 3");
  EXPECT_EQ(w.second, "ram");
  EXPECT_EQ(w.third, "3");

  w = split_request("top  cpu");  // consecutive spaces give an empty word
  EXPECT_EQ(w.second, "");
  EXPECT_EQ(w.third, "cpu");

  w = split_request("app Visual Studio Code.exe");  // the third word keeps its spaces
  EXPECT_EQ(w.second, "Visual");
  EXPECT_EQ(w.third, "Studio Code.exe");

  w = split_request("");
  EXPECT_EQ(w.command, "");
  EXPECT_FALSE(w.second);
}

TEST(PipeAcl, UserSidOrInteractiveUsersFallback) {
  EXPECT_EQ(pipe_sddl("S-1-5-21-1-2-3-1001"), "D:(D;;GA;;;NU)(A;;GA;;;S-1-5-21-1-2-3-1001)(A;;GA;;;SY)(A;;GA;;;BA)");
  EXPECT_EQ(pipe_sddl(std::nullopt), "D:(D;;GA;;;NU)(A;;GA;;;IU)(A;;GA;;;SY)(A;;GA;;;BA)");
}

}  // namespace
}  // namespace qv
