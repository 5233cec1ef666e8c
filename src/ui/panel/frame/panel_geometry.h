#pragma once
// Where the panel window goes and how big it is: the arithmetic behind show_panel, panel_size
// and fit_panel, and the reordering of main metrics by drag, kept free of window calls.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "config/settings.h"
#include "ui/gdi/geometry.h"

namespace qv {

// What the pop-up's size depends on; a change means the window must be resized.
struct SizeKey {
  size_t drives = 0;
  int banner_rows = 0;  // 0..2, only counted while the AI link is on
  size_t tiles = 0;     // shown main metrics
  bool mcp_enabled = false;  // the banner band is kept, at least one row, while the AI link is on
  // Client height the shown page's first screen needs (its pieces down to the start of its first
  // list); 0: the page needs no more than the overview.
  int32_t first_screen = 0;
  bool operator==(const SizeKey&) const = default;
};

// The pop-up's client size for the content counted in `key` (the overview's layout), at least as
// tall as the shown page's first screen.
Size panel_client_size(float ui_scale, const SizeKey& key, bool mcp_enabled);

// A pinned window keeps the size the user gave it once both sides are at least 101 pixels.
bool uses_stored_size(const Settings& s);


// Top-left corner of a pinned window: centred in the work area's right/bottom extent while it
// was never placed, else the stored position as it is (negative on a monitor left of or above
// the main one; the caller keeps it on a monitor).
Point place_pinned(const Rect& work, Size outer, std::optional<Point> stored);

// Top-left corner of the pop-up: centred on the pointer and 8 pixels above the bottom of the
// work area until the user dragged it; afterwards the dragged spot, kept inside `work` (the work
// area of the monitor the spot is on).
Point place_popup(const Rect& work, Size outer, Point pointer, std::optional<Point> dragged);

// A size the content decides, kept inside the work area: no taller than the work area less the
// 8-pixel margin above and below (at least 1). The overview scrolls what does not fit.
Size fit_to_work_area(const Rect& work, Size outer);

// Top of a shown pop-up whose height became `outer_height`: where it was while its bottom stays
// 8 pixels above the work area's bottom, else moved up as far as needed, never above the work
// area's top + 8. A pop-up in its own place (never dragged, `at_bottom`) keeps its bottom 8 pixels
// above the work area's bottom as it grows or shrinks, as where it was shown.
int32_t refit_popup_top(const Rect& work, int32_t top, int32_t outer_height, bool at_bottom);

// Row that a dragged main metric lands on: (y - list_top) / row_height held to 0..rows-1.
// Nothing when there is no row height or no rows.
std::optional<size_t> drag_target_row(int32_t y, int32_t list_top, int32_t row_height, size_t rows);

// Moves entry `from` to position `to`, the ones between shifting by one. False (and nothing
// moved) when either index is outside the list or they are equal.
bool move_main_metric(std::vector<MainMetric>& metrics, size_t from, size_t to);

// Minimum tracking size of the pinned window: 300 x 340 scaled units.
Size minimum_track_size(float ui_scale);

}  // namespace qv
