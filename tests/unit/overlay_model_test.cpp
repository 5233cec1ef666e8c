// The frame-rate overlay's tables, text and placement.
#include <gtest/gtest.h>

#include <limits>

#include "ui/overlay/overlay_model.h"

namespace qv {
namespace {

TEST(OverlayTables, ColourAndOpacityWithTheirFallBacks) {
  const uint32_t colours[] = {0xF0F2F5, 0x34D399, 0xFF6B6B, 0x50DCFF, 0xF59E0B, 0xF0F3F5, 0xF0F3F5, 0xF0F3F5};
  for (uint32_t i = 0; i < 7; ++i) EXPECT_EQ(overlay_colour(i), rgb(colours[i])) << i;
  EXPECT_EQ(overlay_colour(0xFFFFFFFFu), rgb(0xF0F3F5));
  const uint8_t alphas[] = {102, 178, 255, 178};
  for (uint32_t i = 0; i < 4; ++i) EXPECT_EQ(overlay_alpha(i), alphas[i]) << i;
  EXPECT_EQ(overlay_alpha(9), 178);
  EXPECT_EQ(kOverlayKeyColour, (Rgb{0, 0, 1}));
}

TEST(OverlayText, DigitsOrDash) {
  Snapshot s;
  EXPECT_EQ(overlay_text(s), "—");
  s.fps = PresentingApp{1, "game.exe", 60};
  EXPECT_EQ(overlay_text(s), "60");
  s.fps->fps = 1234;
  EXPECT_EQ(overlay_text(s), "1234");
}

TEST(OverlayText, AccessibleNameInWords) {
  EXPECT_EQ(overlay_accessible_name("144"), "Frames per second: 144");
  EXPECT_EQ(overlay_accessible_name("—"), "Frames per second: none");
  EXPECT_EQ(overlay_accessible_name(""), "Frames per second: none");
}

TEST(OverlayPlacement, FortyUnitsInUntilMovedWithAFixedSize) {
  EXPECT_EQ(overlay_start_rect(std::nullopt, 1.0f), (Rect{40, 40, 136, 84}));
  EXPECT_EQ(overlay_start_rect(std::nullopt, 1.5f), (Rect{60, 60, 204, 126}));
  EXPECT_EQ(overlay_start_rect(Point{100, -3}, 1.0f), (Rect{100, -3, 196, 41}));  // on a monitor above the main one
  EXPECT_EQ(overlay_start_rect(Point{-1, -1}, 1.0f), (Rect{-1, -1, 95, 43}));
  EXPECT_EQ(overlay_start_rect(Point{0, 0}, 1.15f), (Rect{0, 0, 110, 50}));
  constexpr int32_t kMax = std::numeric_limits<int32_t>::max();
  EXPECT_EQ(overlay_start_rect(Point{kMax, kMax}, 1.0f), (Rect{kMax - 96, kMax - 44, kMax, kMax}));
  EXPECT_EQ(overlay_text_origin(1.0f), (Point{6, 4}));
  EXPECT_EQ(overlay_text_origin(2.0f), (Point{12, 8}));
}

TEST(OverlayPlacement, ADragIsStoredOnlyWhenItMovedTheCounter) {
  Settings s;
  EXPECT_FALSE(apply_overlay_move(s, std::nullopt));
  EXPECT_TRUE(apply_overlay_move(s, Point{-1, -1})) << "never placed: the first move is stored wherever it lands";
  EXPECT_TRUE(s.fps_pos_set);
  EXPECT_FALSE(apply_overlay_move(s, Point{-1, -1}));
  EXPECT_TRUE(apply_overlay_move(s, Point{40, 40}));
  EXPECT_EQ(s.fps_x, 40);
  EXPECT_EQ(s.fps_y, 40);
  EXPECT_FALSE(apply_overlay_move(s, Point{40, 40}));
  EXPECT_TRUE(apply_overlay_move(s, Point{40, -20}));  // partly off the screen's top is allowed
  EXPECT_EQ(s.fps_y, -20);
}

}  // namespace
}  // namespace qv
