#pragma once
// The points and rectangles the drawing primitives draw, worked out without a device context.
#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace qv {

struct Point {
  int32_t x = 0;
  int32_t y = 0;
  bool operator==(const Point&) const = default;
};

struct Size {
  int32_t width = 0;
  int32_t height = 0;
  bool operator==(const Size&) const = default;
};

// Right and bottom are exclusive, as in every client rectangle.
struct Rect {
  int32_t left = 0;
  int32_t top = 0;
  int32_t right = 0;
  int32_t bottom = 0;
  int32_t width() const { return right - left; }
  int32_t height() const { return bottom - top; }
  bool contains(int32_t x, int32_t y) const { return left <= x && x < right && top <= y && y < bottom; }
  bool operator==(const Rect&) const = default;
};

// The "back"/"forward" mark: two strokes through three points, tip at the left when pointing left.
std::array<Point, 3> chevron_points(int32_t cx, int32_t cy, int32_t size, bool points_left);
// The expand/collapse mark: pointing right when closed, down when open.
std::array<Point, 3> fold_chevron_points(int32_t cx, int32_t cy, int32_t size, bool open);

// A ring of samples as the history series keep it: `head` is the next write, `count` the valid
// samples ending just before it.
struct SampleRing {
  std::span<const float> samples;
  size_t head = 0;
  size_t count = 0;
};

// The polyline of a history graph in `rect`: the newest sample at the right edge, a ring that is
// not yet full only in its right part, values scaled to max(full_scale, 1) and clamped to the
// rectangle (NaN on the bottom line). Empty when the rectangle is under 3 pixels either way;
// fewer than two points mean nothing is drawn.
std::vector<Point> sparkline_points(const Rect& rect, const SampleRing& ring, float full_scale);

// Right edge of the filled part of a meter bar: fraction clamped to 0..1 (NaN as 0), truncated.
int32_t meter_fill_right(const Rect& rect, float fraction);

}  // namespace qv
