#include "ui/gdi/geometry.h"

#include <algorithm>
#include <cmath>

namespace qv {

std::array<Point, 3> chevron_points(int32_t cx, int32_t cy, int32_t size, bool points_left) {
  const int32_t h = std::max(size, 2) / 2;
  const int32_t d = points_left ? h : -h;
  return {Point{cx + d, cy - h}, Point{cx - d, cy}, Point{cx + d, cy + h}};
}

std::array<Point, 3> fold_chevron_points(int32_t cx, int32_t cy, int32_t size, bool open) {
  const int32_t e = std::max(size, 2);
  const int32_t h = e / 2;
  const int32_t q = e / 4;
  if (open) return {Point{cx - h, cy - q}, Point{cx, cy + q}, Point{cx + h, cy - q}};
  return {Point{cx - q, cy - h}, Point{cx + q, cy}, Point{cx - q, cy + h}};
}

std::vector<Point> sparkline_points(const Rect& rect, const SampleRing& ring, float full_scale) {
  std::vector<Point> points;
  const int64_t w = int64_t{rect.right} - rect.left;
  const int64_t h = int64_t{rect.bottom} - rect.top;
  const size_t k = ring.samples.size();
  if (w < 3 || h < 3 || k == 0) return points;
  const size_t n = std::min(ring.count, k);
  const size_t head = ring.head % k;
  // Written so that NaN and anything below 1 divide by 1.
  const double divisor = full_scale > 1.0f ? static_cast<double>(full_scale) : 1.0;
  const int64_t slots = k >= 3 ? static_cast<int64_t>(k) : 2;
  points.reserve(n);
  for (size_t i = 0; i < n; ++i) {
    const float sample = ring.samples[(head + k - n + i) % k];
    double fraction = static_cast<double>(sample) / divisor;
    if (!(fraction > 0.0)) fraction = 0.0;
    if (fraction > 1.0) fraction = 1.0;
    const int64_t v = static_cast<int64_t>(fraction * static_cast<double>(h - 2));
    const int64_t x = rect.left + (static_cast<int64_t>(k - n + i) * (w - 1)) / (slots - 1);
    points.push_back(Point{static_cast<int32_t>(x), static_cast<int32_t>(rect.bottom - 1 - v)});
  }
  return points;
}

int32_t meter_fill_right(const Rect& rect, float fraction) {
  double f = static_cast<double>(fraction);
  if (!(f > 0.0)) f = 0.0;
  if (f > 1.0) f = 1.0;
  const double width = static_cast<double>(int64_t{rect.right} - rect.left);
  return rect.left + static_cast<int32_t>(std::trunc(std::max(0.0, width) * f));
}

}  // namespace qv
