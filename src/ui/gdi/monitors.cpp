#include "ui/gdi/monitors.h"

#include <algorithm>
#include <cstdint>

namespace qv {
namespace {

bool overlaps(const Rect& a, const Rect& b) {
  return a.left < b.right && b.left < a.right && a.top < b.bottom && b.top < a.bottom;
}

// Squared gap between two rectangles along the axes; 0 when they touch or overlap. A corner
// written by hand can be anywhere a 32-bit number reaches: the gap takes 33 bits, its square
// does not fit 64, so the square is a double.
double gap_squared(const Rect& a, const Rect& b) {
  const int64_t dx = std::max<int64_t>({0, int64_t{b.left} - a.right, int64_t{a.left} - b.right});
  const int64_t dy = std::max<int64_t>({0, int64_t{b.top} - a.bottom, int64_t{a.top} - b.bottom});
  return static_cast<double>(dx) * static_cast<double>(dx) + static_cast<double>(dy) * static_cast<double>(dy);
}

// The start of a span of `length` moved the least into [low, high); `low` when it does not fit.
int32_t slide_into(int32_t start, int32_t length, int32_t low, int32_t high) {
  const int64_t last = int64_t{high} - length;
  if (last <= low) return low;
  return static_cast<int32_t>(std::clamp<int64_t>(start, low, last));
}

// The first monitor `window` overlaps, else the nearest one; null when none is known.
const MonitorArea* monitor_near(const Rect& window, std::span<const MonitorArea> monitors, bool& overlapping) {
  const MonitorArea* nearest = nullptr;
  double best = 0;
  overlapping = false;
  for (const MonitorArea& m : monitors) {
    if (overlaps(window, m.monitor)) {
      overlapping = true;
      return &m;
    }
    const double gap = gap_squared(window, m.monitor);
    if (!nearest || gap < best) {
      nearest = &m;
      best = gap;
    }
  }
  return nearest;
}

}  // namespace

Rect work_area_near(const Rect& window, std::span<const MonitorArea> monitors, const Rect& fallback) {
  bool overlapping = false;
  const MonitorArea* m = monitor_near(window, monitors, overlapping);
  return m ? m->work : fallback;
}

Rect keep_on_a_monitor(const Rect& window, std::span<const MonitorArea> monitors) {
  bool overlapping = false;
  const MonitorArea* nearest = monitor_near(window, monitors, overlapping);
  if (overlapping) return window;
  if (!nearest) return window;
  const int32_t w = window.width();
  const int32_t h = window.height();
  const int32_t x = slide_into(window.left, w, nearest->work.left, nearest->work.right);
  const int32_t y = slide_into(window.top, h, nearest->work.top, nearest->work.bottom);
  return Rect{x, y, x + w, y + h};
}

}  // namespace qv
