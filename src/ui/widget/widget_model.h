#pragma once
// What the taskbar widget shows and where: its seven items, their cells and value texts, its
// size for a scale, the limits of that scale, the resize grip, and its placement beside the clock.
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "config/settings.h"
#include "core/snapshot.h"
#include "ui/gdi/geometry.h"
#include "ui/gdi/theme.h"

namespace qv {

struct WidgetItem {
  uint32_t bit;        // its bit in widget_mask
  const char* label;
  Rgb colour;
  int32_t cell_width;  // scaled units
};

// In display order. The mask bits do not follow it: they keep the numbers older files use.
inline constexpr std::array<WidgetItem, 7> kWidgetItems = {{
    {1, "CPU", rgb(0x4FA3FF), 58},
    {2, "RAM", rgb(0x34D399), 58},
    {32, "GPU", rgb(0x2DD4BF), 58},
    {16, "FPS", rgb(0xFF6B6B), 58},
    {8, "DSK", rgb(0xA78BFA), 96},
    {4, "NET", rgb(0xF59E0B), 96},
    {64, "AI", rgb(0x2DD4BF), 68},
}};

inline constexpr int32_t kWidgetHeight = 26;       // scaled units
inline constexpr int32_t kWidgetPadding = 8;       // before the first and after the last cell
inline constexpr int32_t kWidgetFirstWidth = 200;  // the size a new window starts with
inline constexpr uint8_t kWidgetAlpha = 235;
inline constexpr float kWidgetMinScale = 0.6f;
inline constexpr float kWidgetMaxScale = 3.0f;

// The figures one paint shows, taken from a sample.
struct WidgetFigures {
  float cpu_pct = 0;
  float mem_pct = 0;
  float gpu_pct = 0;
  bool gpu_ok = false;       // the graphics counters work
  bool has_fps_app = false;  // some app is drawing frames
  uint32_t fps = 0;
  uint64_t net_rx = 0;
  uint64_t net_tx = 0;
  uint64_t disk_read = 0;
  uint64_t disk_write = 0;
  uint32_t agents = 0;    // active AI agents; 0 while the AI link is off
  uint32_t messages = 0;  // AI-tool messages in the panel's list; 0 while the link is off
  bool operator==(const WidgetFigures&) const = default;
};

// The counts are taken as given: the caller passes 0 for both while the AI link is off.
WidgetFigures widget_figures(const Snapshot& s, float mem_pct, uint32_t agents, uint32_t messages);

// The value text under an item's label ("42%", "—", "R512K W0", "↓3.0M ↑25M", "5◆ 2◇").
std::string widget_value_text(const WidgetItem& item, const WidgetFigures& f);

// The value texts of the shown items in display order, one per line: what a paint would show.
std::string widget_shown_texts(uint32_t mask, const WidgetFigures& f);

// What a screen reader reads for the strip: the shown items in display order, in words rather
// than marks ("CPU 42%; Network down 3.0M, up 25M; AI 5 agents, 2 messages").
std::string widget_accessible_name(uint32_t mask, const WidgetFigures& f);

// Sum of the shown items' cells plus the padding on both sides, each term truncated on its own.
int32_t widget_width(uint32_t mask, float scale);
int32_t widget_height(float scale);

// The user's widget scale kept to 0.6..3.0 and three decimals; anything not finite is 1.0.
float limit_widget_scale(float scale);

// The widget scale a proposed window width asks for while the user drags the grip: the width
// over the width at scale 1, divided by the monitor factor, limited as above. 1 when there is no
// sensible answer (no base width, a monitor factor that is not a positive number).
float widget_scale_for_width(int32_t proposed_width, uint32_t mask, float dpi);

// Side of the square in the bottom-right corner that resizes: 10 scaled units, at least 6 pixels.
int32_t widget_grip_size(float scale);
// Whether a point of the window (relative to its top-left corner) is on the resize grip.
bool on_widget_grip(int32_t x, int32_t y, int32_t width, int32_t height, float scale);
// The grip's triangle as drawn on hover: bottom-right, then left of it, then above it.
std::array<Point, 3> widget_grip_triangle(int32_t width, int32_t height, float scale);

// One item's place in a paint.
struct WidgetCell {
  const WidgetItem* item = nullptr;
  int32_t left = 0;   // label and (left-aligned) value start here
  int32_t right = 0;  // the cell's end; the last value is aligned to it
  bool right_aligned = false;
  std::string value;
};
struct WidgetRows {
  int32_t label_top = 0;
  int32_t value_top = 0;
};
std::vector<WidgetCell> widget_cells(uint32_t mask, float scale, const WidgetFigures& f);
WidgetRows widget_rows(float scale);

// Where a new window goes: the stored corner (negative on a monitor left of or above the main
// one), or (first width, first width) when the widget was never placed.
Rect widget_start_rect(const std::optional<Point>& stored, float scale);

// Beside the clock: right-aligned against the notification area (or 200 pixels in from the
// taskbar's right end when it has none), one padding away, vertically centred on the taskbar.
Point widget_clock_position(const Rect& taskbar, const std::optional<Rect>& notification_area, uint32_t mask,
                            float scale, int32_t widget_height);

// Moves and resizes reported by the window since the last sample.
struct WidgetReports {
  std::optional<Point> moved_to;
  std::optional<float> new_scale;  // scale / monitor factor when a move or resize ended
};
// Stores what changed into the settings; true when something was stored (and must be saved).
bool apply_widget_reports(Settings& settings, const WidgetReports& reports);

}  // namespace qv
