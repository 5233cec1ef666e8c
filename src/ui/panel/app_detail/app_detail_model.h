#pragma once
// What one app's detail page shows, worked out without a device context: the status line, the
// figure tiles, and the process section with its filter, sort column and rows.
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "core/snapshot.h"
#include "ui/gdi/geometry.h"
#include "ui/gdi/theme.h"

namespace qv {

// The app's six history series, in tile order.
enum class AppSeries : uint8_t { kFps, kCpu, kRam, kGpu, kDisk, kNet };
inline constexpr size_t kAppSeriesCount = 6;

inline constexpr uint8_t kProcessSortCount = 6;  // 0 CPU, 1 RAM, 2 GPU, 3 disk, 4 network, 5 sound

// Processes named exactly `app`.
size_t app_process_count(const Snapshot& snapshot, std::string_view app);
// "n running", or "Not running" without a process.
std::string app_status_text(size_t process_count);

struct AppTile {
  const char* label;
  std::string value;
  uint32_t colour;  // 0xRRGGBB
  AppSeries series;
  float full_scale;
};
// The frame-rate tile shows while the app presents frames now or its series has had a frame.
bool shows_fps_tile(const Snapshot& snapshot, std::string_view app, float fps_series_max);
// The tiles, top to bottom: FPS (when shown), CPU, RAM, GPU, Disk, Network; figures are sums over
// the processes named exactly `app`. `series_max` is the highest sample of each series.
std::vector<AppTile> app_tiles(const Snapshot& snapshot, std::string_view app,
                               const std::array<float, kAppSeriesCount>& series_max);

// Where the process section's parts go, for a page with `tiles` tiles.
struct ProcessSectionPlace {
  int32_t header_top = 0;  // the row that folds the section
  int32_t filter_row = 0;  // m: the text field's row; its frame starts px(3) higher
  int32_t chips_top = 0;
  int32_t list_top = 0;  // L: the first process row
};
ProcessSectionPlace process_section_place(size_t tiles, float ui_scale);
inline constexpr int32_t kProcessRowStep = 30;  // from one process row to the next, unscaled
// The bottom of app detail's content as laid out (unscrolled): the status line and `tiles`
// tiles, and with two or more processes the section's header, or while it is open the whole
// section down to its last row (or the line that says no row matches).
int32_t app_detail_content_bottom(size_t tiles, size_t processes, bool expanded, size_t rows, float ui_scale);
// The client height of app detail's first screen: its content down to the first process row
// (to the tiles or the folded section's header when there is no list), and the bottom margin.
int32_t app_detail_first_screen(size_t tiles, size_t processes, bool expanded, float ui_scale);
// The colour of the sort column's figures: the colour of that measure.
Rgb process_sort_colour(uint8_t column);

// The process filter's text-field frame, for the filter row whose top is `filter_row`.
Rect process_filter_frame(int32_t filter_row, int32_t width, float ui_scale);

struct ProcessRow {
  uint32_t pid = 0;
  std::string label;  // "Renderer  ·  PID 412", or "PID 412" without a role
  std::string value;  // the sort column's figure
};
// The sort chips' texts, by column.
inline constexpr std::array<const char*, kProcessSortCount> kProcessSortChips = {"cpu", "ram",  "gpu",
                                                                                 "disk", "net", "sound"};
std::string process_value_text(const ProcessSample& p, uint8_t column);
std::string process_label_text(std::string_view role, uint32_t pid);
// The app's processes that match the filter (role label or decimal pid), largest value of the
// sort column first, equal values in snapshot order. `roles` maps pids to role labels; a pid
// it lacks has none.
std::vector<ProcessRow> process_rows(const Snapshot& snapshot, std::string_view app,
                                     const std::unordered_map<uint32_t, std::string>& roles,
                                     std::string_view filter_lower, uint8_t sort_column);

}  // namespace qv
