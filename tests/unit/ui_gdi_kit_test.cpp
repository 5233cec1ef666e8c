// The drawing kit's arithmetic: formatters, themes, px, word wrap, ellipsis fitting and the
// points of chevrons, sparklines and meters.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "ui/gdi/geometry.h"
#include "ui/gdi/scale.h"
#include "ui/gdi/text_layout.h"
#include "ui/gdi/theme.h"
#include "util/format.h"

namespace qv {
namespace {

constexpr uint64_t KiB = 1024, MiB = KiB * 1024, GiB = MiB * 1024, TiB = GiB * 1024;

TEST(Format, BytesAndRates) {
  struct Case { uint64_t in; const char* out; };
  const Case cases[] = {{0, "0 B"},          {512, "512 B"},          {1023, "1023 B"},
                        {1024, "1.0 KB"},    {1536, "1.5 KB"},        {3 * MiB / 2, "1.5 MB"},
                        {5 * GiB, "5.0 GB"}, {2 * TiB, "2.0 TB"},     {4096 * TiB, "4096.0 TB"},
                        {MiB - 1, "1.0 MB"},  // rounds up into the next unit, never "1024.0 KB"
                        {MiB - 60, "1023.9 KB"},
                        {std::numeric_limits<uint64_t>::max(), "16777216.0 TB"}};
  for (const auto& c : cases) {
    EXPECT_EQ(format_bytes(c.in), c.out) << c.in;
    EXPECT_EQ(format_rate(c.in), std::string(c.out) + "/s") << c.in;
  }
  EXPECT_EQ(format_rate_or_zero(0), "0 KB/s");
  EXPECT_EQ(format_rate_or_zero(1), "1 B/s");
  EXPECT_EQ(format_rate_or_zero(1536), "1.5 KB/s");
}

TEST(Format, CompactStepsAndTruncation) {
  struct Case { uint64_t in; const char* out; };
  const Case cases[] = {{0, "0"},
                        {512, "0"},  // 0.5 KB/s
                        {1023, "0"},
                        {1024, "1K"},
                        {2047, "1K"},  // whole units are truncated
                        {MiB - 1, "1023K"},
                        {MiB, "1.0M"},
                        {3 * MiB, "3.0M"},
                        {3 * MiB + MiB / 4, "3.2M"},
                        {10 * MiB, "10M"},
                        {25 * MiB, "25M"},
                        {GiB - 1, "1023M"},
                        {GiB, "1G"},
                        {2 * GiB, "2G"},
                        {2 * GiB + GiB - 1, "2G"}};
  for (const auto& c : cases) EXPECT_EQ(format_compact(c.in), c.out) << c.in;
}

TEST(Format, PercentClampsAndRounds) {
  EXPECT_EQ(format_percent(42.0f), "42%");
  EXPECT_EQ(format_percent(42.4f), "42%");
  EXPECT_EQ(format_percent(42.6f), "43%");
  EXPECT_EQ(format_percent(99.6f), "100%");
  EXPECT_EQ(format_percent(-5.0f), "0%");
  EXPECT_EQ(format_percent(250.0f), "100%");
  EXPECT_EQ(format_percent(std::numeric_limits<float>::infinity()), "100%");
  EXPECT_EQ(format_percent(std::nanf("")), "0%");
}

TEST(Theme, IndexAboveTheLastIsLight) {
  EXPECT_STREQ(theme_at(0).name, "dark");
  EXPECT_STREQ(theme_at(1).name, "black");
  EXPECT_STREQ(theme_at(2).name, "light");
  EXPECT_STREQ(theme_at(5).name, "light");
  EXPECT_EQ(theme_at(0).background, rgb(0x18191C));
  EXPECT_EQ(theme_at(1).input, rgb(0x08080A));
  EXPECT_EQ(theme_at(2).text, rgb(0x181C21));
  set_current_theme(7);
  EXPECT_EQ(current_theme_index(), 2u);
  EXPECT_STREQ(current_theme().name, "light");
  set_current_theme(0);
  EXPECT_STREQ(current_theme().name, "dark");
}

TEST(Theme, MetricStylesMatchExactly) {
  EXPECT_STREQ(metric_style("net").label, "Network");
  EXPECT_EQ(metric_style("net").colour, rgb(0xF59E0B));
  EXPECT_STREQ(metric_style("audio").label, "Sound");
  EXPECT_EQ(metric_style("disk").colour, rgb(0xA78BFA));
  for (const char* odd : {"CPU", "cpu ", "", "sound"}) {
    EXPECT_STREQ(metric_style(odd).label, "?") << odd;
    EXPECT_EQ(metric_style(odd).colour, colours::accent) << odd;
  }
}

TEST(Theme, ColourScaling) {
  EXPECT_EQ(half_brightness(rgb(0x4FA3FF)), rgb(0x27517F));
  EXPECT_EQ(scale_colour(rgb(0xFFFFFF), 0.39f), rgb(0x636363));
  EXPECT_EQ(scale_colour(rgb(0xF59E0B), 0.0f), rgb(0x000000));
  EXPECT_EQ(scale_colour(rgb(0xF59E0B), std::nanf("")), rgb(0x000000));
  EXPECT_EQ(scale_colour(rgb(0xF59E0B), 2.0f), rgb(0xF59E0B));
}

TEST(Scale, PxTruncatesAndSaturates) {
  EXPECT_EQ(px(12, 1.0), 12);
  EXPECT_EQ(px(12, 1.15), 13);  // 13.8 truncated
  EXPECT_EQ(px(52, 1.5), 78);
  EXPECT_EQ(px(-7, 1.5), -10);  // toward zero
  EXPECT_EQ(px(12, std::nan("")), 0);
  EXPECT_EQ(px(1e12, 1.0), std::numeric_limits<int32_t>::max());
  EXPECT_EQ(px(2147483648.0, 1.0), std::numeric_limits<int32_t>::max());
  EXPECT_EQ(px(-1e12, 1.0), std::numeric_limits<int32_t>::min());
  // Separately converted terms may differ from the converted sum.
  EXPECT_EQ(px(12, 1.3) + px(50, 1.3), 15 + 65);
  EXPECT_EQ(px(62, 1.3), 80);
}

TEST(Scale, TextSizeFactors) {
  EXPECT_FLOAT_EQ(ui_scale_for(1.5f, 0), 1.35f);
  EXPECT_FLOAT_EQ(ui_scale_for(1.0f, 3), 1.3f);
  EXPECT_FLOAT_EQ(ui_scale_for(1.0f, 7), 1.0f);
  EXPECT_FLOAT_EQ(dpi_scale_for(144), 1.5f);
  EXPECT_FLOAT_EQ(dpi_scale_for(0), 1.0f);
}

// Every code point is 10 pixels wide; a space too.
int32_t ten_per_char(std::string_view s) { return static_cast<int32_t>(code_point_count(s)) * 10; }

TEST(Wrap, ParagraphsAndEmptyLines) {
  EXPECT_TRUE(wrap_lines("anything", 0, ten_per_char).empty());
  EXPECT_TRUE(wrap_lines("anything", -5, ten_per_char).empty());
  EXPECT_EQ(wrap_lines("one\n\ntwo", 100, ten_per_char), (std::vector<std::string>{"one", "", "two"}));
  EXPECT_EQ(wrap_lines("", 100, ten_per_char), (std::vector<std::string>{""}));
  EXPECT_EQ(wrap_lines("end\n", 100, ten_per_char), (std::vector<std::string>{"end", ""}));
}

TEST(Wrap, WordsCollapseWhiteSpaceAndBreakAtTheWidth) {
  // "aa bb" is 50 wide: fits exactly at 50, not at 49.
  EXPECT_EQ(wrap_lines("  aa \t\r bb  ", 50, ten_per_char), (std::vector<std::string>{"aa bb"}));
  EXPECT_EQ(wrap_lines("aa bb", 49, ten_per_char), (std::vector<std::string>{"aa", "bb"}));
  // No-break space and ideographic space separate words too.
  EXPECT_EQ(wrap_lines("aa\xC2\xA0" "bb\xE3\x80\x80" "cc", 50, ten_per_char),
            (std::vector<std::string>{"aa bb", "cc"}));
  EXPECT_EQ(wrap_lines("a bb ccc dddd", 60, ten_per_char),
            (std::vector<std::string>{"a bb", "ccc", "dddd"}));
}

TEST(Wrap, LongWordSplitsBetweenCharactersOnly) {
  // Eight two-byte characters (80 px) at width 40: pieces of four, each still valid UTF-8.
  const std::string word = "\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9";
  auto lines = wrap_lines("x " + word + " y", 40, ten_per_char);
  ASSERT_EQ(lines.size(), 4u);
  EXPECT_EQ(lines[0], "x");
  EXPECT_EQ(lines[1], "\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9");
  EXPECT_EQ(lines[2], "\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9");
  EXPECT_EQ(lines[3], "y");
  // The last piece becomes the current line and later words join it when they fit.
  auto joined = wrap_lines(word + " y", 60, ten_per_char);
  EXPECT_EQ(joined, (std::vector<std::string>{"\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9",
                                              "\xC3\xA9\xC3\xA9 y"}));
  // A single character wider than the width still makes progress, one per line.
  EXPECT_EQ(wrap_lines("\xF0\x9F\x98\x80\xF0\x9F\x98\x80", 5, ten_per_char),
            (std::vector<std::string>{"\xF0\x9F\x98\x80", "\xF0\x9F\x98\x80"}));
}

TEST(Wrap, LayoutLineCount) {
  // Row padding at scale 1 is 12 * 2 + 16 = 40 pixels.
  EXPECT_EQ(layout_line_count("", 200, 1.0f, ten_per_char), 0u);
  EXPECT_EQ(layout_line_count("aa bb", 90, 1.0f, ten_per_char), 1u);
  EXPECT_EQ(layout_line_count("aa bb", 89, 1.0f, ten_per_char), 2u);
  EXPECT_EQ(layout_line_count("aa bb", 40, 1.0f, ten_per_char), 1u);  // no room at all still counts a line
}

TEST(Fit, FirstFittingFontWins) {
  // Font 0 is 10 px per character, font 1 is 6, font 2 is 4.
  FontTextMeasure measure = [](size_t font, std::string_view s) {
    static const int32_t per[] = {10, 6, 4};
    return static_cast<int32_t>(code_point_count(s)) * per[font];
  };
  EXPECT_EQ(fit_text("abcd", 40, 3, measure).font_index, 0u);
  FittedText second = fit_text("abcd", 39, 3, measure);
  EXPECT_EQ(second.font_index, 1u);
  EXPECT_EQ(second.text, "abcd");
  FittedText cut = fit_text("abcdefgh", 20, 3, measure);  // 32 px in the smallest font
  EXPECT_EQ(cut.font_index, 2u);
  EXPECT_EQ(cut.text, "abcd\xE2\x80\xA6");  // 4 + ellipsis = 20 px
}

TEST(Fit, EllipsisCutsWholeCodePointsAndKeepsOne) {
  EXPECT_EQ(fit_text("W", 5, 1, [](size_t, std::string_view s) { return ten_per_char(s); }).text,
            "W\xE2\x80\xA6");
  // Three-byte characters: the cut never leaves half a character before the ellipsis.
  FittedText t = fit_text("\xE2\x97\x86\xE2\x97\x86\xE2\x97\x86", 25, 1,
                          [](size_t, std::string_view s) { return ten_per_char(s); });
  EXPECT_EQ(t.text, "\xE2\x97\x86\xE2\x80\xA6");
  EXPECT_EQ(fit_text("", -1, 1, [](size_t, std::string_view s) { return ten_per_char(s); }).text,
            "\xE2\x80\xA6");
}

TEST(Chevron, PointsForBothDirectionsAndTinySizes) {
  EXPECT_EQ(chevron_points(10, 20, 11, true), (std::array<Point, 3>{{{15, 15}, {5, 20}, {15, 25}}}));
  EXPECT_EQ(chevron_points(10, 20, 11, false), (std::array<Point, 3>{{{5, 15}, {15, 20}, {5, 25}}}));
  EXPECT_EQ(chevron_points(0, 0, 0, true), (std::array<Point, 3>{{{1, -1}, {-1, 0}, {1, 1}}}));
  EXPECT_EQ(fold_chevron_points(10, 10, 8, false), (std::array<Point, 3>{{{8, 6}, {12, 10}, {8, 14}}}));
  EXPECT_EQ(fold_chevron_points(10, 10, 8, true), (std::array<Point, 3>{{{6, 8}, {10, 12}, {14, 8}}}));
  EXPECT_EQ(fold_chevron_points(0, 0, 1, true), (std::array<Point, 3>{{{-1, 0}, {0, 0}, {1, 0}}}));
}

struct Ring {
  std::vector<float> slots;
  size_t head = 0, count = 0;
  explicit Ring(size_t k) : slots(k, 0.0f) {}
  void push(float v) {
    slots[head] = v;
    head = (head + 1) % slots.size();
    count = std::min(count + 1, slots.size());
  }
  SampleRing view() const { return SampleRing{slots, head, count}; }
};

TEST(Sparkline, PartialRingsDrawOnlyTheirRightPart) {
  const Rect r{100, 10, 160, 42};  // 60 wide, 32 high
  Ring ring(60);
  ring.push(50);
  EXPECT_EQ(sparkline_points(r, ring.view(), 100).size(), 1u);  // one point: nothing to draw
  ring.push(100);
  auto two = sparkline_points(r, ring.view(), 100);
  ASSERT_EQ(two.size(), 2u);
  EXPECT_EQ(two[1].x, r.right - 1);  // newest at the right edge
  EXPECT_EQ(two[0].x, 100 + (58 * 59) / 59);
  EXPECT_EQ(two[0].y, 41 - 15);  // half of 30
  EXPECT_EQ(two[1].y, 11);       // full scale: one below the top
  for (int i = 0; i < 70; ++i) ring.push(static_cast<float>(i));
  auto full = sparkline_points(r, ring.view(), 100);
  ASSERT_EQ(full.size(), 60u);
  EXPECT_EQ(full.front().x, r.left);
  EXPECT_EQ(full.back().x, r.right - 1);
  EXPECT_EQ(full.front().y, 41 - static_cast<int>(10 / 100.0 * 30));  // oldest kept sample is 10
}

TEST(Sparkline, DegenerateRectanglesAndValues) {
  Ring ring(60);
  for (float v : {-5.0f, 500.0f, std::nanf(""), std::numeric_limits<float>::infinity()}) ring.push(v);
  EXPECT_TRUE(sparkline_points(Rect{0, 0, 2, 50}, ring.view(), 100).empty());
  EXPECT_TRUE(sparkline_points(Rect{0, 0, 50, 2}, ring.view(), 100).empty());
  EXPECT_TRUE(sparkline_points(Rect{50, 0, 0, 50}, ring.view(), 100).empty());
  auto p = sparkline_points(Rect{0, 0, 50, 22}, ring.view(), 100);
  ASSERT_EQ(p.size(), 4u);
  EXPECT_EQ(p[0].y, 21);  // negative on the bottom line
  EXPECT_EQ(p[1].y, 1);   // above full scale on the top line
  EXPECT_EQ(p[2].y, 21);  // NaN on the bottom line
  EXPECT_EQ(p[3].y, 1);
  // A full scale below 1 (or NaN) divides by 1.
  Ring small(60);
  small.push(0.5f);
  small.push(1.0f);
  for (float fs : {0.0f, 0.25f, std::nanf("")}) {
    auto q = sparkline_points(Rect{0, 0, 50, 22}, small.view(), fs);
    ASSERT_EQ(q.size(), 2u);
    EXPECT_EQ(q[0].y, 11);
    EXPECT_EQ(q[1].y, 1);
  }
}

TEST(Sparkline, TinyCapacities) {
  Ring two(2);
  two.push(0);
  two.push(0);
  auto p = sparkline_points(Rect{0, 0, 10, 10}, two.view(), 1);
  ASSERT_EQ(p.size(), 2u);
  EXPECT_EQ(p[0].x, 0);
  EXPECT_EQ(p[1].x, 9);
  Ring one(1);
  one.push(1);
  EXPECT_EQ(sparkline_points(Rect{0, 0, 10, 10}, one.view(), 1).size(), 1u);
  // A count larger than the capacity is held to the capacity.
  std::vector<float> slots(3, 1.0f);
  EXPECT_EQ(sparkline_points(Rect{0, 0, 10, 10}, SampleRing{slots, 7, 99}, 1).size(), 3u);
}

TEST(Meter, FillIsClampedAndTruncated) {
  const Rect r{10, 0, 110, 8};
  EXPECT_EQ(meter_fill_right(r, 0.5f), 60);
  EXPECT_EQ(meter_fill_right(r, 0.999f), 109);
  EXPECT_EQ(meter_fill_right(r, 1.5f), 110);
  EXPECT_EQ(meter_fill_right(r, -1.0f), 10);
  EXPECT_EQ(meter_fill_right(r, std::nanf("")), 10);
  EXPECT_EQ(meter_fill_right(Rect{10, 0, 5, 8}, 1.0f), 10);  // inverted rectangle fills nothing
}

}  // namespace
}  // namespace qv
