#include "ui/panel/frame/panel_geometry.h"

#include <algorithm>

#include "ui/gdi/scale.h"
#include "ui/panel/frame/panel_layout.h"

namespace qv {
namespace {

int32_t clamp_to_i32(int64_t v) {
  return static_cast<int32_t>(std::clamp<int64_t>(v, INT32_MIN, INT32_MAX));
}

}  // namespace

Size panel_client_size(float ui_scale, const SizeKey& key, bool mcp_enabled) {
  // The overview's own layout owns the formula; the window only asks it.
  Size size = overview_client_size(ui_scale, key.drives, key.tiles, mcp_enabled,
                                   static_cast<size_t>(std::max(key.banner_rows, 0)));
  size.height = std::max(size.height, key.first_screen);
  return size;
}

bool uses_stored_size(const Settings& s) { return s.pinned && s.win_w >= 101 && s.win_h >= 101; }


Point place_pinned(const Rect& work, Size outer, std::optional<Point> stored) {
  if (!stored) {
    return Point{clamp_to_i32((int64_t{work.right} - outer.width) / 2),
                 clamp_to_i32((int64_t{work.bottom} - outer.height) / 2)};
  }
  return *stored;
}

Point place_popup(const Rect& work, Size outer, Point pointer, std::optional<Point> dragged) {
  if (!dragged) {
    const int64_t low = int64_t{work.left} + 8;
    const int64_t high = std::max(low, int64_t{work.right} - outer.width - 8);
    const int64_t x = std::clamp(int64_t{pointer.x} - outer.width / 2, low, high);
    const int64_t y = std::max(int64_t{work.bottom} - outer.height - 8, int64_t{work.top} + 8);
    return Point{clamp_to_i32(x), clamp_to_i32(y)};
  }
  const int64_t x_high = std::max(int64_t{work.left}, int64_t{work.right} - outer.width);
  const int64_t y_high = std::max(int64_t{work.top}, int64_t{work.bottom} - outer.height);
  return Point{clamp_to_i32(std::clamp<int64_t>(dragged->x, work.left, x_high)),
               clamp_to_i32(std::clamp<int64_t>(dragged->y, work.top, y_high))};
}

Size fit_to_work_area(const Rect& work, Size outer) {
  const int64_t room = std::max<int64_t>(int64_t{work.bottom} - work.top - 16, 1);
  return Size{outer.width, clamp_to_i32(std::min<int64_t>(outer.height, room))};
}

int32_t refit_popup_top(const Rect& work, int32_t top, int32_t outer_height, bool at_bottom) {
  const int64_t lowest = int64_t{work.bottom} - 8 - outer_height;
  const int64_t wanted = at_bottom ? lowest : std::min<int64_t>(top, lowest);
  return clamp_to_i32(std::max<int64_t>(wanted, int64_t{work.top} + 8));
}

std::optional<size_t> drag_target_row(int32_t y, int32_t list_top, int32_t row_height, size_t rows) {
  if (row_height <= 0 || rows == 0) return std::nullopt;
  const int64_t row = (int64_t{y} - list_top) / row_height;
  if (row < 0) return 0;
  return std::min(static_cast<size_t>(row), rows - 1);
}

bool move_main_metric(std::vector<MainMetric>& metrics, size_t from, size_t to) {
  if (from >= metrics.size() || to >= metrics.size() || from == to) return false;
  MainMetric moving = std::move(metrics[from]);
  metrics.erase(metrics.begin() + static_cast<std::ptrdiff_t>(from));
  metrics.insert(metrics.begin() + static_cast<std::ptrdiff_t>(to), std::move(moving));
  return true;
}

Size minimum_track_size(float ui_scale) { return Size{px(300, ui_scale), px(340, ui_scale)}; }

}  // namespace qv
