// The taskbar widget's layout and texts: sizes by scale, the scale's limits, the grip, the cells
// and their value texts, the first placement and the placement beside the clock.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "ui/widget/widget_model.h"

namespace qv {
namespace {

constexpr uint64_t KiB = 1024, MiB = KiB * 1024;
constexpr uint32_t kAllItems = 127;

const WidgetItem& item(uint32_t bit) {
  for (const WidgetItem& i : kWidgetItems)
    if (i.bit == bit) return i;
  ADD_FAILURE() << "no item with bit " << bit;
  return kWidgetItems[0];
}

TEST(WidgetWidth, SumsTheShownCellsAndBothPaddings) {
  struct Case {
    uint32_t mask;
    float scale;
    int32_t width;
  } cases[] = {
      {7, 1.0f, 228},          // the default: CPU, RAM, NET
      {kAllItems, 1.0f, 508},
      {kAllItems, 2.0f, 1016},
      {64, 1.0f, 84},          // AI alone
      {0, 1.0f, 16},           // nothing shown still has its padding
      {7, 1.15f, 260},         // each term truncated on its own: not trunc(228 x 1.15) = 262
      {7, 0.6f, 133},
      {128 | 1, 1.0f, 74},     // bits without an item add nothing
  };
  for (const Case& c : cases) EXPECT_EQ(widget_width(c.mask, c.scale), c.width) << c.mask << " @ " << c.scale;
  EXPECT_EQ(widget_height(1.0f), 26);
  EXPECT_EQ(widget_height(1.15f), 29);
  EXPECT_EQ(widget_height(3.0f), 78);
}

TEST(WidgetScale, LimitedToPointSixToThreeWithThreeDecimals) {
  struct Case {
    float in;
    float out;
  } cases[] = {
      {0.1f, 0.6f}, {0.6f, 0.6f}, {0.59f, 0.6f}, {3.0f, 3.0f}, {3.01f, 3.0f}, {40.0f, 3.0f},
      {2.34567f, 2.346f}, {1.23449f, 1.234f}, {-2.0f, 0.6f},
      {std::numeric_limits<float>::quiet_NaN(), 1.0f},
      {std::numeric_limits<float>::infinity(), 1.0f},
      {-std::numeric_limits<float>::infinity(), 1.0f},
  };
  for (const Case& c : cases) EXPECT_EQ(limit_widget_scale(c.in), c.out) << c.in;
}

TEST(WidgetScale, GripDragKeepsProportionsWithinTheLimits) {
  struct Case {
    int32_t proposed;
    uint32_t mask;
    float dpi;
    float scale;
  } cases[] = {
      {456, 7, 1.0f, 2.0f},     // twice the width at scale 1
      {228, 7, 1.0f, 1.0f},
      {456, 7, 1.5f, 1.333f},   // the monitor factor is taken out
      {10, 7, 1.0f, 0.6f},      // far left stops at 0.6
      {-500, 7, 1.0f, 0.6f},
      {100000, 7, 1.0f, 3.0f},  // far right stops at 3.0
      {168, 64, 1.0f, 2.0f},    // AI alone: 84 at scale 1
      {456, 7, 0.0f, 1.0f},     // no usable monitor factor
      {456, 7, -1.0f, 1.0f},
      {456, 7, std::numeric_limits<float>::quiet_NaN(), 1.0f},
      {456, 7, std::numeric_limits<float>::infinity(), 1.0f},
  };
  for (const Case& c : cases)
    EXPECT_EQ(widget_scale_for_width(c.proposed, c.mask, c.dpi), c.scale) << c.proposed << " / " << c.dpi;
  // The height follows: at the upper limit the window is 3 x 26 high and 3 x the cells wide.
  const float top = widget_scale_for_width(100000, 7, 1.0f);
  EXPECT_EQ(widget_width(7, top), 684);
  EXPECT_EQ(widget_height(top), 78);
}

TEST(WidgetGrip, SquareInTheBottomRightCornerAtLeastSixPixels) {
  EXPECT_EQ(widget_grip_size(1.0f), 10);
  EXPECT_EQ(widget_grip_size(2.0f), 20);
  EXPECT_EQ(widget_grip_size(0.6f), 6);
  EXPECT_EQ(widget_grip_size(0.5f), 6);  // 5 would be too small to hit
  struct Case {
    int32_t x, y;
    bool grip;
  } cases[] = {
      {218, 16, true}, {227, 25, true}, {217, 16, false}, {218, 15, false},
      {228, 25, false}, {227, 26, false}, {0, 0, false}, {100, 20, false},
  };
  for (const Case& c : cases) EXPECT_EQ(on_widget_grip(c.x, c.y, 228, 26, 1.0f), c.grip) << c.x << "," << c.y;
  const auto t = widget_grip_triangle(228, 26, 1.0f);
  EXPECT_EQ(t[0], (Point{228, 26}));
  EXPECT_EQ(t[1], (Point{218, 26}));
  EXPECT_EQ(t[2], (Point{228, 16}));
}

TEST(WidgetTexts, PercentsRatesAndDashes) {
  WidgetFigures f;
  f.cpu_pct = 42.4f;
  f.mem_pct = 99.6f;
  f.gpu_pct = 12.2f;
  f.disk_read = 512 * KiB;
  f.disk_write = 100;
  f.net_rx = 3 * MiB;
  f.net_tx = 25 * MiB;
  EXPECT_EQ(widget_value_text(item(1), f), "42%");
  EXPECT_EQ(widget_value_text(item(2), f), "100%");
  EXPECT_EQ(widget_value_text(item(32), f), "—") << "no graphics counters";
  EXPECT_EQ(widget_value_text(item(16), f), "—") << "no app drawing frames";
  EXPECT_EQ(widget_value_text(item(8), f), "R512K W0");
  EXPECT_EQ(widget_value_text(item(4), f), "↓3.0M ↑25M");
  f.gpu_ok = true;
  f.has_fps_app = true;
  f.fps = 144;
  EXPECT_EQ(widget_value_text(item(32), f), "12%");
  EXPECT_EQ(widget_value_text(item(16), f), "144");
  f.fps = 0;  // an app that drew nothing this tick still shows its figure
  EXPECT_EQ(widget_value_text(item(16), f), "0");
}

TEST(WidgetTexts, AiItemHasFourForms) {
  struct Case {
    uint32_t agents, messages;
    const char* text;
  } cases[] = {
      {0, 0, "—"}, {5, 0, "5◆"}, {0, 2, "2◇"}, {5, 2, "5◆ 2◇"}, {12, 10, "12◆ 10◇"},
  };
  for (const Case& c : cases) {
    WidgetFigures f;
    f.agents = c.agents;
    f.messages = c.messages;
    EXPECT_EQ(widget_value_text(item(64), f), c.text) << c.agents << " " << c.messages;
  }
}

TEST(WidgetTexts, ShownTextsChangeOnlyWithWhatIsShown) {
  WidgetFigures f;
  f.cpu_pct = 41.6f;
  f.net_rx = 3 * MiB;
  EXPECT_EQ(widget_shown_texts(7, f), "42%\n0%\n↓3.0M ↑0\n");
  WidgetFigures g = f;
  g.cpu_pct = 42.4f;     // the same whole percent
  g.gpu_pct = 80;        // not shown
  g.net_rx += 100;       // below the shown precision
  EXPECT_EQ(widget_shown_texts(7, g), widget_shown_texts(7, f));
  g.cpu_pct = 43;
  EXPECT_NE(widget_shown_texts(7, g), widget_shown_texts(7, f));
  EXPECT_NE(widget_shown_texts(7 | 32, f), widget_shown_texts(7, f)) << "another item shown";
  EXPECT_EQ(widget_shown_texts(0, f), "");
}

TEST(WidgetTexts, AccessibleNameSaysTheShownItemsInWords) {
  WidgetFigures f;
  f.cpu_pct = 42.4f;
  f.mem_pct = 60;
  f.disk_read = 512 * KiB;
  f.net_rx = 3 * MiB;
  f.net_tx = 25 * MiB;
  f.agents = 1;
  f.messages = 2;
  struct Case {
    uint32_t mask;
    const char* name;
  } cases[] = {
      {0, ""},
      {1, "CPU 42%"},
      {1 | 2 | 4, "CPU 42%; RAM 60%; Network down 3.0M, up 25M"},
      {32 | 16, "GPU not available; FPS none"},
      {8 | 64, "Disk read 512K, write 0; AI 1 agent, 2 messages"},
  };
  for (const Case& c : cases) EXPECT_EQ(widget_accessible_name(c.mask, f), c.name) << c.mask;
  f.gpu_ok = true;
  f.gpu_pct = 12;
  f.has_fps_app = true;
  f.fps = 144;
  f.agents = 0;
  f.messages = 1;
  EXPECT_EQ(widget_accessible_name(32 | 16 | 64, f), "GPU 12%; FPS 144; AI 0 agents, 1 message");
}

TEST(WidgetTexts, FiguresComeFromTheSample) {
  Snapshot s;
  s.cpu_pct = 10;
  s.gpu_pct = 20;
  s.gpu_available = true;
  s.disk_read_bps = 1;
  s.disk_write_bps = 2;
  s.net_rx_bps = 3;
  s.net_tx_bps = 4;
  WidgetFigures f = widget_figures(s, 55.0f, 5, 2);
  EXPECT_EQ(f, (WidgetFigures{10, 55, 20, true, false, 0, 3, 4, 1, 2, 5, 2}));
  s.fps = PresentingApp{7, "game.exe", 90};
  f = widget_figures(s, 0, 0, 0);
  EXPECT_TRUE(f.has_fps_app);
  EXPECT_EQ(f.fps, 90u);
}

TEST(WidgetCells, DisplayOrderWithTheLastValueRightAligned) {
  WidgetFigures f;
  auto cells = widget_cells(7, 1.0f, f);
  ASSERT_EQ(cells.size(), 3u);
  EXPECT_STREQ(cells[0].item->label, "CPU");
  EXPECT_EQ(cells[0].left, 8);
  EXPECT_EQ(cells[0].right, 66);
  EXPECT_STREQ(cells[1].item->label, "RAM");
  EXPECT_EQ(cells[1].left, 66);
  EXPECT_STREQ(cells[2].item->label, "NET");
  EXPECT_EQ(cells[2].left, 124);
  EXPECT_EQ(cells[2].right, 220);  // widget width 228 less the right padding
  EXPECT_FALSE(cells[0].right_aligned);
  EXPECT_FALSE(cells[1].right_aligned);
  EXPECT_TRUE(cells[2].right_aligned);

  cells = widget_cells(kAllItems, 2.0f, f);
  ASSERT_EQ(cells.size(), 7u);
  const char* order[] = {"CPU", "RAM", "GPU", "FPS", "DSK", "NET", "AI"};
  for (size_t i = 0; i < 7; ++i) EXPECT_STREQ(cells[i].item->label, order[i]);
  EXPECT_EQ(cells.back().right, 1000);  // 1016 less 16

  f.agents = 5;
  f.messages = 2;
  cells = widget_cells(64, 1.0f, f);
  ASSERT_EQ(cells.size(), 1u);
  EXPECT_TRUE(cells[0].right_aligned);
  EXPECT_EQ(cells[0].value, "5◆ 2◇");
  EXPECT_EQ(cells[0].right, 76);
  EXPECT_TRUE(widget_cells(0, 1.0f, f).empty());
  EXPECT_EQ(widget_rows(1.0f).label_top, 2);
  EXPECT_EQ(widget_rows(1.0f).value_top, 10);
  EXPECT_EQ(widget_rows(2.0f).value_top, 20);
}

TEST(WidgetPlacement, NewWindowSitsOnTheDiagonalAtItsFirstWidth) {
  EXPECT_EQ(widget_start_rect(std::nullopt, 1.0f), (Rect{200, 200, 400, 226}));
  EXPECT_EQ(widget_start_rect(std::nullopt, 1.5f), (Rect{300, 300, 600, 339}));  // y too falls back to the width
  EXPECT_EQ(widget_start_rect(Point{0, 0}, 1.0f), (Rect{0, 0, 200, 26}));
  // Monitors left of and above the main one have negative coordinates: a stored place, kept.
  EXPECT_EQ(widget_start_rect(Point{-1, 50}, 1.5f), (Rect{-1, 50, 299, 89}));
  EXPECT_EQ(widget_start_rect(Point{-1500, -900}, 2.0f), (Rect{-1500, -900, -1100, -848}));
  // The largest numbers a file can hold: the window keeps its size, the corner gives way.
  constexpr int32_t kMax = std::numeric_limits<int32_t>::max();
  constexpr int32_t kMin = std::numeric_limits<int32_t>::min();
  EXPECT_EQ(widget_start_rect(Point{kMax, kMax}, 1.0f), (Rect{kMax - 200, kMax - 26, kMax, kMax}));
  EXPECT_EQ(widget_start_rect(Point{kMax - 200, 5}, 1.0f), (Rect{kMax - 200, 5, kMax, 31}));
  EXPECT_EQ(widget_start_rect(Point{kMin, kMin}, 1.0f), (Rect{kMin, kMin, kMin + 200, kMin + 26}));
}

TEST(WidgetPlacement, BesideTheClockCentredOnTheTaskbar) {
  const Rect taskbar{0, 994, 1280, 1024};
  const Rect clock_area{1180, 996, 1278, 1022};
  EXPECT_EQ(widget_clock_position(taskbar, clock_area, 7, 1.0f, 26), (Point{944, 996}));
  EXPECT_EQ(widget_clock_position(taskbar, std::nullopt, 7, 1.0f, 26), (Point{844, 996}));  // 200 in from the end
  EXPECT_EQ(widget_clock_position(taskbar, clock_area, 64, 2.0f, 52), (Point{1180 - 168 - 16, 983}));  // taller than the bar
  EXPECT_EQ(widget_clock_position(Rect{0, 0, 1280, 31}, clock_area, 7, 1.0f, 26), (Point{944, 2}));   // top taskbar, odd height
}

TEST(WidgetReportsToSettings, TheFirstMoveIsStoredWhereverItLands) {
  Settings s;
  EXPECT_TRUE(apply_widget_reports(s, {Point{-1, -1}, std::nullopt})) << "one pixel off the corner is a place";
  EXPECT_TRUE(s.widget_pos_set);
  EXPECT_EQ(s.widget_x, -1);
  EXPECT_FALSE(apply_widget_reports(s, {Point{-1, -1}, std::nullopt}));
}

TEST(WidgetReportsToSettings, StoresOnlyWhatChanged) {
  Settings s;
  s.widget_x = 200;
  s.widget_y = 200;
  s.widget_pos_set = true;
  EXPECT_FALSE(apply_widget_reports(s, {}));
  EXPECT_FALSE(apply_widget_reports(s, {Point{200, 200}, 1.0f})) << "a drag back to the same place, same scale";
  EXPECT_TRUE(apply_widget_reports(s, {Point{300, 200}, std::nullopt}));
  EXPECT_EQ(s.widget_x, 300);
  EXPECT_TRUE(apply_widget_reports(s, {Point{300, 10}, std::nullopt}));
  EXPECT_EQ(s.widget_y, 10);
  EXPECT_TRUE(apply_widget_reports(s, {std::nullopt, 2.34567f}));
  EXPECT_EQ(s.widget_scale, 2.346f);
  EXPECT_TRUE(apply_widget_reports(s, {std::nullopt, 9.0f}));
  EXPECT_EQ(s.widget_scale, 3.0f);
  EXPECT_FALSE(apply_widget_reports(s, {std::nullopt, 3.0004f}));  // rounds to the stored value
  EXPECT_TRUE(apply_widget_reports(s, {std::nullopt, std::numeric_limits<float>::quiet_NaN()}));
  EXPECT_EQ(s.widget_scale, 1.0f);
  EXPECT_EQ(s.widget_x, 300);
}

}  // namespace
}  // namespace qv
