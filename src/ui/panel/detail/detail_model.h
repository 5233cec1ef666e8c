#pragma once
// What the metric detail page (top apps of one measure) and the frame-rate list show, worked out
// without a device context: titles, colours and value texts of the measures, the rows, the
// notices that stand in for a list, the per-core grid and where rows and their regions go.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/snapshot.h"
#include "ui/gdi/geometry.h"
#include "ui/panel/frame/panel_state.h"

namespace qv {

inline constexpr uint8_t kMeasureCount = 6;  // 0 CPU, 1 RAM, 2 GPU, 3 disk, 4 network, 5 sound
inline constexpr size_t kMaxDetailRows = 50;

struct MeasureStyle {
  const char* title;
  uint32_t colour;  // 0xRRGGBB
};
// Title band text and colour of a measure; a measure above 5 is shown as CPU.
MeasureStyle measure_style(uint8_t measure);

// A row's value text from the measure's sum over the app's processes: percentages with one
// decimal and not clamped, bytes and rates from the sum saturated to 0..2^64-1, nothing for sound.
std::string measure_value_text(uint8_t measure, double sum);

struct DetailRow {
  AppRow app;
  std::string value;
};
// The apps of the list: grouped by exact name, busiest first, ties by lower-case name, at most
// 50; idle apps only while a filter is typed.
std::vector<DetailRow> detail_rows(const std::vector<ProcessSample>& processes, uint8_t measure,
                                   std::string_view filter_lower);

// One line of a notice, at `dy` scaled units below the content top.
struct NoticeLine {
  std::string text;
  bool small = false;  // `small` font, else `body`
  int32_t dy = 0;
};
// The notice that replaces the whole list before any grouping: the measure cannot be provided
// (graphics usage, per-app network without tracking), or no process table arrived yet.
std::vector<NoticeLine> measure_notice(uint8_t measure, const Snapshot& snapshot);
// The notice for a list that came out empty.
std::vector<NoticeLine> empty_list_notice(uint8_t measure, const Snapshot& snapshot);

// Columns of the per-core meters: 2 below 9 cores, 4 below 33, else 8.
int32_t core_columns(size_t cores);
// The filter line under a metric detail page's title band: "Filter", the text-field frame, and
// the pause button right of the frame, never over it, so the frame's clear glyph stays in view
// and clickable. The button is wide enough for "resume".
struct FilterLinePlace {
  Point label;
  Rect frame;
  Rect pause;
};
FilterLinePlace filter_line_place(int32_t width, float ui_scale);

struct CoreGrid {
  std::vector<Rect> bars;  // one per core, in core order
  int32_t next_top = 0;    // content top below the grid
};
// The meters from `top` (just below the "CPU CORES (n)" heading) across a page `width` wide.
CoreGrid core_grid(size_t cores, int32_t top, int32_t width, float ui_scale);

// One drawn row of the metric-detail list: its top and its two click regions.
struct DetailRowPlace {
  size_t index = 0;
  int32_t y = 0;
  Rect row;    // hover highlight
  Rect open;   // action 13
  Rect close;  // action 12, over the "×"
};
// Row `index` of a list from content top `top`, scrolled by `scroll`, wherever it falls: above the
// top or below the window when scrolled out.
DetailRowPlace detail_row_place(size_t index, int32_t top, int32_t scroll, int32_t width, float ui_scale);
// The rows of a list of `rows` entries from content top `top`, scrolled by `scroll`, that show
// in a page `width` x `height`: rows wholly above the top or starting below height - px(20) are
// left out.
std::vector<DetailRowPlace> detail_row_places(size_t rows, int32_t top, int32_t scroll, int32_t width, int32_t height,
                                              float ui_scale);

// The frame-rate list: one row per presenting app, in the snapshot's order.
std::vector<AppRow> fps_rows(const Snapshot& snapshot);
std::string fps_rate_text(uint32_t fps);
// Its notice instead of rows, or nothing when there are rows to show.
std::optional<std::string> fps_notice(const Snapshot& snapshot);
// How many rows from `top`, px(26) apart, start at or above height - px(24) (the list does not
// scroll).
size_t fps_rows_shown(size_t rows, int32_t top, int32_t height, float ui_scale);

}  // namespace qv
