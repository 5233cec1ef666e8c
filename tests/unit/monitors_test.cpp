#include "ui/gdi/monitors.h"

#include <gtest/gtest.h>

#include <limits>
#include <vector>

namespace qv {
namespace {

// As GetMonitorInfo describes them: the main monitor at the origin with its taskbar at the bottom,
// a smaller one to its left (negative x) with a taskbar at its left edge, one above (negative y).
const MonitorArea kMain{Rect{0, 0, 1920, 1080}, Rect{0, 0, 1920, 1040}};
const MonitorArea kLeft{Rect{-1280, 56, 0, 1080}, Rect{-1220, 56, 0, 1080}};
const MonitorArea kAbove{Rect{0, -1080, 1920, 0}, Rect{0, -1080, 1920, 0}};
const MonitorArea kRight{Rect{1920, 0, 3840, 1080}, Rect{1920, 0, 3840, 1040}};

TEST(KeepOnAMonitor, AWindowStaysWhileAnyPixelOfItIsOnAMonitor) {
  const std::vector<MonitorArea> three{kMain, kLeft, kAbove};
  const Rect cases[] = {
      {-1000, 300, -772, 326},  // on the left monitor
      {300, -500, 528, -474},   // on the one above
      {-100, 300, 128, 326},    // across two
      {1600, 1047, 1828, 1073}, // over the taskbar, off the work area: beside the clock
      {-227, -1105, 1, -1079},  // one pixel of it on the one above
      {1919, 1079, 2147, 1105}, // one pixel on the main monitor's last corner
  };
  for (const Rect& r : cases) EXPECT_EQ(keep_on_a_monitor(r, three), r) << r.left << "," << r.top;
}

TEST(KeepOnAMonitor, AWindowOnNoMonitorMovesTheShortestWayOntoTheNearestWorkArea) {
  struct Case {
    Rect window;
    std::vector<MonitorArea> monitors;
    Rect expected;
  };
  constexpr int32_t kMax = std::numeric_limits<int32_t>::max();
  constexpr int32_t kMin = std::numeric_limits<int32_t>::min();
  const Case cases[] = {
      // The left monitor was unplugged: the widget comes to the main one's left edge, same height.
      {{-1000, 300, -772, 326}, {kMain}, {0, 300, 228, 326}},
      {{-228, 300, 0, 326}, {kMain}, {0, 300, 228, 326}},  // touching is not on it
      // The one above was unplugged, the left one is still there but farther away.
      {{300, -500, 528, -474}, {kLeft, kMain}, {300, 0, 528, 26}},
      // Below and right of everything: into the main work area's corner, above its taskbar.
      {{5000, 5000, 5228, 5026}, {kMain, kLeft}, {1692, 1014, 1920, 1040}},
      // Nearest by distance, not the first listed: the right monitor.
      {{4000, 100, 4228, 126}, {kMain, kRight}, {3612, 100, 3840, 126}},
      // The nearest monitor's work area starts right of its taskbar.
      {{-2000, 500, -1904, 544}, {kMain, kLeft}, {-1220, 500, -1124, 544}},
      // Larger than the work area: its top-left corner on the work area's.
      {{-5000, 100, -2000, 2100}, {kMain}, {0, 0, 3000, 2000}},
      // The far ends of what a file can hold.
      {{kMax - 228, kMax - 26, kMax, kMax}, {kMain}, {1692, 1014, 1920, 1040}},
      {{kMin, kMin, kMin + 96, kMin + 44}, {kRight, kMain}, {0, 0, 96, 44}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(keep_on_a_monitor(c.window, c.monitors), c.expected) << c.window.left << "," << c.window.top;
  }
}

TEST(KeepOnAMonitor, NoMonitorKnownLeavesTheWindowAlone) {
  const Rect far{-5000, -5000, -4772, -4974};
  EXPECT_EQ(keep_on_a_monitor(far, {}), far);
}

// The dragged pop-up is kept inside the work area of the monitor it is on (or the nearest one),
// not the main monitor's.
TEST(WorkAreaNear, TheMonitorUnderTheWindowElseTheNearestElseTheFallback) {
  const std::vector<MonitorArea> three{kMain, kLeft, kAbove};
  const Rect fallback{0, 0, 800, 600};
  EXPECT_EQ(work_area_near(Rect{-1000, 300, -600, 700}, three, fallback), kLeft.work);
  EXPECT_EQ(work_area_near(Rect{-1, 300, 399, 700}, three, fallback), kMain.work) << "first listed of two";
  EXPECT_EQ(work_area_near(Rect{300, -500, 700, -100}, three, fallback), kAbove.work);
  EXPECT_EQ(work_area_near(Rect{-1680, 300, -1281, 700}, three, fallback), kLeft.work) << "one pixel off its left";
  EXPECT_EQ(work_area_near(Rect{-5000, 300, -4600, 700}, {}, fallback), fallback);
}

}  // namespace
}  // namespace qv
