#include "ui/widget/widget_model.h"

#include <algorithm>
#include <cmath>

#include "util/format.h"
#include "ui/gdi/scale.h"

namespace qv {
namespace {

constexpr const char* kDash = "\xE2\x80\x94";          // em dash: no figure to show
constexpr const char* kAgentMark = "\xE2\x97\x86";     // black diamond
constexpr const char* kMessageMark = "\xE2\x97\x87";   // white diamond
constexpr const char* kDownArrow = "\xE2\x86\x93";
constexpr const char* kUpArrow = "\xE2\x86\x91";

std::string ai_activity_text(uint32_t agents, uint32_t messages) {
  if (agents == 0 && messages == 0) return kDash;
  if (messages == 0) return std::to_string(agents) + kAgentMark;
  if (agents == 0) return std::to_string(messages) + kMessageMark;
  return std::to_string(agents) + kAgentMark + " " + std::to_string(messages) + kMessageMark;
}

}  // namespace

WidgetFigures widget_figures(const Snapshot& s, float mem_pct, uint32_t agents, uint32_t messages) {
  WidgetFigures f;
  f.cpu_pct = s.cpu_pct;
  f.mem_pct = mem_pct;
  f.gpu_pct = s.gpu_pct;
  f.gpu_ok = s.gpu_available;
  f.has_fps_app = s.fps.has_value();
  f.fps = s.fps ? s.fps->fps : 0;
  f.net_rx = s.net_rx_bps;
  f.net_tx = s.net_tx_bps;
  f.disk_read = s.disk_read_bps;
  f.disk_write = s.disk_write_bps;
  f.agents = agents;
  f.messages = messages;
  return f;
}

std::string widget_value_text(const WidgetItem& item, const WidgetFigures& f) {
  switch (item.bit) {
    case 1:
      return format_percent(f.cpu_pct);
    case 2:
      return format_percent(f.mem_pct);
    case 32:
      return f.gpu_ok ? format_percent(f.gpu_pct) : kDash;
    case 16:
      return f.has_fps_app ? std::to_string(f.fps) : kDash;
    case 8:
      return "R" + format_compact(f.disk_read) + " W" + format_compact(f.disk_write);
    case 4:
      return kDownArrow + format_compact(f.net_rx) + " " + kUpArrow + format_compact(f.net_tx);
    case 64:
      return ai_activity_text(f.agents, f.messages);
    default:
      return {};
  }
}

std::string widget_shown_texts(uint32_t mask, const WidgetFigures& f) {
  std::string out;
  for (const WidgetItem& item : kWidgetItems) {
    if (!(mask & item.bit)) continue;
    out += widget_value_text(item, f);
    out += '\n';
  }
  return out;
}

std::string widget_accessible_name(uint32_t mask, const WidgetFigures& f) {
  std::string out;
  for (const WidgetItem& item : kWidgetItems) {
    if (!(mask & item.bit)) continue;
    if (!out.empty()) out += "; ";
    switch (item.bit) {
      case 32:
        out += f.gpu_ok ? "GPU " + format_percent(f.gpu_pct) : std::string("GPU not available");
        break;
      case 16:
        out += f.has_fps_app ? "FPS " + std::to_string(f.fps) : std::string("FPS none");
        break;
      case 8:
        out += "Disk read " + format_compact(f.disk_read) + ", write " + format_compact(f.disk_write);
        break;
      case 4:
        out += "Network down " + format_compact(f.net_rx) + ", up " + format_compact(f.net_tx);
        break;
      case 64:
        out += "AI " + std::to_string(f.agents) + (f.agents == 1 ? " agent, " : " agents, ") +
               std::to_string(f.messages) + (f.messages == 1 ? " message" : " messages");
        break;
      default:
        out += std::string(item.label) + " " + widget_value_text(item, f);
        break;
    }
  }
  return out;
}

int32_t widget_width(uint32_t mask, float scale) {
  int64_t w = 2 * static_cast<int64_t>(px(kWidgetPadding, scale));
  for (const WidgetItem& item : kWidgetItems) {
    if (mask & item.bit) w += px(item.cell_width, scale);
  }
  return static_cast<int32_t>(std::min<int64_t>(w, INT32_MAX));
}

int32_t widget_height(float scale) { return px(kWidgetHeight, scale); }

float limit_widget_scale(float scale) {
  if (!std::isfinite(scale)) return 1.0f;
  const double v = std::clamp(static_cast<double>(scale), 0.6, 3.0);
  return static_cast<float>(std::round(v * 1000.0) / 1000.0);
}

float widget_scale_for_width(int32_t proposed_width, uint32_t mask, float dpi) {
  const int32_t base = widget_width(mask, 1.0f);
  if (base < 1 || !std::isfinite(dpi) || dpi <= 0.0f) return 1.0f;
  const double f = (static_cast<double>(proposed_width) / base) / dpi;
  return limit_widget_scale(static_cast<float>(f));
}

int32_t widget_grip_size(float scale) { return std::max(px(10, scale), 6); }

bool on_widget_grip(int32_t x, int32_t y, int32_t width, int32_t height, float scale) {
  const int32_t g = widget_grip_size(scale);
  return x >= width - g && y >= height - g && x < width && y < height;
}

std::array<Point, 3> widget_grip_triangle(int32_t width, int32_t height, float scale) {
  const int32_t g = widget_grip_size(scale);
  return {Point{width, height}, Point{width - g, height}, Point{width, height - g}};
}

std::vector<WidgetCell> widget_cells(uint32_t mask, float scale, const WidgetFigures& f) {
  std::vector<WidgetCell> cells;
  int32_t x = px(kWidgetPadding, scale);
  for (const WidgetItem& item : kWidgetItems) {
    if (!(mask & item.bit)) continue;
    const int32_t right = x + px(item.cell_width, scale);
    cells.push_back(WidgetCell{&item, x, right, false, widget_value_text(item, f)});
    x = right;
  }
  if (!cells.empty()) cells.back().right_aligned = true;
  return cells;
}

WidgetRows widget_rows(float scale) { return WidgetRows{px(2, scale), px(10, scale)}; }

Rect widget_start_rect(const std::optional<Point>& stored, float scale) {
  const int32_t w = px(kWidgetFirstWidth, scale);
  const int32_t h = px(kWidgetHeight, scale);
  // Both axes fall back to the width: a new widget sits on the diagonal, well inside the screen.
  // A position written by hand can be as large as the file allows; the window keeps its size.
  const int32_t x = stored ? std::min(stored->x, INT32_MAX - w) : w;
  const int32_t y = stored ? std::min(stored->y, INT32_MAX - h) : w;
  return Rect{x, y, x + w, y + h};
}

Point widget_clock_position(const Rect& taskbar, const std::optional<Rect>& notification_area, uint32_t mask,
                            float scale, int32_t widget_height) {
  const int32_t right = notification_area ? notification_area->left : taskbar.right - 200;
  const int32_t x = right - widget_width(mask, scale) - px(kWidgetPadding, scale);
  const int32_t y = taskbar.top + (taskbar.height() - widget_height) / 2;
  return Point{x, y};
}

bool apply_widget_reports(Settings& settings, const WidgetReports& reports) {
  bool stored = false;
  if (reports.moved_to && (!settings.widget_pos_set || reports.moved_to->x != settings.widget_x ||
                           reports.moved_to->y != settings.widget_y)) {
    settings.widget_x = reports.moved_to->x;
    settings.widget_y = reports.moved_to->y;
    settings.widget_pos_set = true;
    stored = true;
  }
  if (reports.new_scale) {
    const float scale = limit_widget_scale(*reports.new_scale);
    if (scale != settings.widget_scale) {
      settings.widget_scale = scale;
      stored = true;
    }
  }
  return stored;
}

}  // namespace qv
