// What keyboard users and high-contrast users see: the focus ring's bands and colour per theme,
// the contrast arithmetic it is checked with, and the theme made of the system's colours.
#include <gtest/gtest.h>

#include <array>

#include "ui/access/focus_ring.h"
#include "ui/gdi/theme.h"

namespace qv {
namespace {

TEST(FocusRing, BandsLieInsideTheRegion) {
  using Bands = std::array<Rect, 4>;
  struct Case {
    const char* what;
    Rect region;
    int32_t thickness;
    Bands expected;  // top, bottom, left, right
  };
  const Case cases[] = {
      {"room for all four", {10, 20, 50, 40}, 2,
       {Rect{10, 20, 50, 22}, Rect{10, 38, 50, 40}, Rect{10, 22, 12, 38}, Rect{48, 22, 50, 38}}},
      {"exactly two bands high: top and bottom meet", {0, 0, 10, 4}, 2,
       {Rect{0, 0, 10, 2}, Rect{0, 2, 10, 4}, Rect{0, 2, 2, 2}, Rect{8, 2, 10, 2}}},
      {"three high: the bands fill it", {0, 0, 10, 3}, 2,
       {Rect{0, 0, 10, 2}, Rect{0, 2, 10, 3}, Rect{0, 2, 2, 2}, Rect{8, 2, 10, 2}}},
      {"one wide", {5, 0, 6, 10}, 2,
       {Rect{5, 0, 6, 2}, Rect{5, 8, 6, 10}, Rect{5, 2, 6, 8}, Rect{6, 2, 6, 8}}},
      {"empty region", {5, 5, 5, 10}, 2, Bands{}},
      {"no thickness", {0, 0, 10, 10}, 0, Bands{}},
  };
  for (const Case& c : cases) EXPECT_EQ(focus_ring_bands(c.region, c.thickness), c.expected) << c.what;
}

TEST(FocusRing, AtLeastTwoPixelsAtAnyScale) {
  EXPECT_EQ(focus_ring_thickness(0.5f), 2);
  EXPECT_EQ(focus_ring_thickness(1.0f), 2);
  EXPECT_EQ(focus_ring_thickness(1.49f), 2);
  EXPECT_EQ(focus_ring_thickness(1.5f), 3);
  EXPECT_EQ(focus_ring_thickness(2.0f), 4);
}

TEST(Contrast, WcagRatios) {
  EXPECT_DOUBLE_EQ(contrast_ratio(rgb(0x000000), rgb(0xFFFFFF)), 21.0);
  EXPECT_DOUBLE_EQ(contrast_ratio(rgb(0xFFFFFF), rgb(0x000000)), 21.0);
  EXPECT_DOUBLE_EQ(contrast_ratio(rgb(0x4FA3FF), rgb(0x4FA3FF)), 1.0);
  EXPECT_NEAR(contrast_ratio(rgb(0x767676), rgb(0xFFFFFF)), 4.54, 0.01);  // the usual grey on white
  EXPECT_NEAR(contrast_ratio(rgb(0x4FA3FF), rgb(0xFFFFFF)), 2.62, 0.01);  // why the light ring is deeper
  EXPECT_NEAR(relative_luminance(rgb(0x808080)), 0.2159, 0.0001);
}

TEST(Contrast, FocusRingStandsOutInEveryTheme) {
  for (uint32_t i = 0; i < kThemeCount; ++i) {
    const Theme& t = theme_at(i);
    EXPECT_GE(contrast_ratio(t.focus, t.surface), 3.0) << t.name;
    EXPECT_GE(contrast_ratio(t.focus, t.background), 3.0) << t.name;
    EXPECT_GE(contrast_ratio(t.focus, t.hover), 3.0) << t.name;
  }
}

// White on black with a cyan highlight and a yellow link, as the system's first high-contrast
// scheme has them.
constexpr SystemColours kNight{rgb(0x000000), rgb(0xFFFFFF), rgb(0x1AEBFF), rgb(0x000000), rgb(0xFFFF00),
                               rgb(0x3FF23F)};

TEST(HighContrast, EveryRoleFromTheSystemColours) {
  const Theme t = high_contrast_theme(kNight);
  EXPECT_STREQ(t.name, "high contrast");
  for (Rgb fill : {t.background, t.surface, t.hover, t.input}) EXPECT_EQ(fill, rgb(0x000000));
  for (Rgb ink : {t.text, t.text_dim, t.border}) EXPECT_EQ(ink, rgb(0xFFFFFF));
  EXPECT_EQ(t.track, rgb(0x3FF23F));
  EXPECT_EQ(t.focus, rgb(0x1AEBFF));
  EXPECT_EQ(t.accent, rgb(0x1AEBFF));
  EXPECT_EQ(t.on_accent, rgb(0x000000));
  EXPECT_EQ(t.link, rgb(0xFFFF00));
}

TEST(HighContrast, TakesThePlaceOfTheChosenThemeWhileOn) {
  set_current_theme(2);
  set_high_contrast(kNight);
  EXPECT_TRUE(high_contrast_on());
  EXPECT_STREQ(current_theme().name, "high contrast");
  EXPECT_EQ(current_theme().text, rgb(0xFFFFFF));
  EXPECT_STREQ(theme_or_high_contrast(0).name, "high contrast");  // the widget's own choice too
  EXPECT_EQ(current_theme_index(), 2u);  // the choice is kept for the settings page

  set_high_contrast(std::nullopt);
  EXPECT_FALSE(high_contrast_on());
  EXPECT_STREQ(current_theme().name, "light");
  EXPECT_STREQ(theme_or_high_contrast(0).name, "dark");
  set_current_theme(0);
}

}  // namespace
}  // namespace qv
