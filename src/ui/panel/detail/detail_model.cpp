#include "ui/panel/detail/detail_model.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>

#include "procinfo/apps.h"
#include "util/format.h"
#include "ui/gdi/scale.h"
#include "ui/gdi/theme.h"

namespace qv {
namespace {

constexpr std::array<MeasureStyle, kMeasureCount> kMeasures = {{
    {"Top apps by CPU use", hex_of(colours::cpu)},
    {"Top apps by RAM use", hex_of(colours::ram)},
    {"Top apps by GPU use", hex_of(colours::gpu)},
    {"Top apps by disk activity", hex_of(colours::disk)},
    {"Top apps by network use", hex_of(colours::net)},
    {"Apps playing sound", hex_of(colours::sound)},
}};

// Sums are doubles; a negative or unordered sum counts as 0, and one beyond the range as the top.
uint64_t saturate_u64(double v) {
  if (!(v > 0.0)) return 0;
  if (v >= 18446744073709551615.0) return UINT64_MAX;
  return static_cast<uint64_t>(v);
}

}  // namespace

MeasureStyle measure_style(uint8_t measure) { return kMeasures[measure < kMeasureCount ? measure : 0]; }

std::string measure_value_text(uint8_t measure, double sum) {
  switch (measure) {
    case 1: return format_bytes(saturate_u64(sum));
    case 3:
    case 4: return format_rate(saturate_u64(sum));
    case 5: return {};
    default: return format_percent_one_decimal(sum);  // CPU and GPU
  }
}

std::vector<DetailRow> detail_rows(const std::vector<ProcessSample>& processes, uint8_t measure,
                                   std::string_view filter_lower) {
  const int selector = measure < kMeasureCount ? measure : 0;
  std::vector<App> apps =
      rank_apps(group_apps(processes, selector, filter_lower), kMaxDetailRows, !filter_lower.empty());
  std::vector<DetailRow> rows;
  rows.reserve(apps.size());
  for (App& app : apps) {
    // The filter tests the name, so a group holds every process of that exact name: its sum is
    // the app's whole figure.
    std::string value = measure_value_text(static_cast<uint8_t>(selector), app.sum);
    rows.push_back(DetailRow{AppRow{std::move(app.name), std::move(app.pids)}, std::move(value)});
  }
  return rows;
}

std::vector<NoticeLine> measure_notice(uint8_t measure, const Snapshot& s) {
  if (measure == 2 && !s.gpu_available) return {{"Your GPU does not report usage data.", false, 0}};
  if (measure == 4 && !s.tracking_available) {
    return {{"Network usage per app needs administrator access.", false, 0},
            {"Restart Quorvel as administrator, or turn on", true, 20},
            {"\"Start with Windows\" in settings, which runs it elevated.", true, 34}};
  }
  if (s.processes.empty()) return {{"Collecting data…", false, 0}};
  return {};
}

std::vector<NoticeLine> empty_list_notice(uint8_t measure, const Snapshot& s) {
  std::vector<NoticeLine> lines = {{"No apps are using this right now", false, 0}};
  if (measure == 4 && !s.per_app_network_available) {
    lines.push_back({"You may need to run as administrator to see", true, 20});
    lines.push_back({"which apps are using the network.", true, 34});
  }
  return lines;
}

int32_t core_columns(size_t cores) {
  if (cores < 9) return 2;
  if (cores < 33) return 4;
  return 8;
}

CoreGrid core_grid(size_t cores, int32_t top, int32_t width, float s) {
  const int32_t k = core_columns(cores);
  const int32_t x0 = px(12, s);
  const int32_t gap = px(6, s);
  const int32_t w = (width - (k - 1) * gap - 2 * x0) / k;
  CoreGrid grid;
  grid.bars.reserve(cores);
  for (size_t i = 0; i < cores; ++i) {
    const int32_t col = static_cast<int32_t>(i % static_cast<size_t>(k));
    const int32_t line = static_cast<int32_t>(i / static_cast<size_t>(k));
    const int32_t left = x0 + col * (w + gap);
    const int32_t y = top + px(12, s) * line;
    grid.bars.push_back(Rect{left, y, left + w, y + px(8, s)});
  }
  const int32_t lines = static_cast<int32_t>((cores + static_cast<size_t>(k) - 1) / static_cast<size_t>(k));
  grid.next_top = top + px(12, s) * lines + px(10, s);
  return grid;
}

FilterLinePlace filter_line_place(int32_t width, float s) {
  const int32_t x0 = px(12, s);
  const int32_t x1 = width - px(12, s);
  const int32_t y = px(12, s) + px(50, s);
  FilterLinePlace p;
  p.label = Point{x0, y + px(5, s)};
  p.pause = Rect{x1 - px(56, s), y, x1, y + px(24, s)};
  p.frame = Rect{x0 + px(44, s), y, p.pause.left - px(6, s), y + px(24, s)};
  return p;
}

DetailRowPlace detail_row_place(size_t index, int32_t top, int32_t scroll, int32_t width, float s) {
  const int32_t x0 = px(12, s);
  const int32_t x1 = width - px(12, s);
  const int32_t glyph = x1 - px(18, s);
  const int64_t y64 = static_cast<int64_t>(top) + static_cast<int64_t>(px(26, s)) * static_cast<int64_t>(index) - scroll;
  const auto y = static_cast<int32_t>(std::clamp<int64_t>(y64, INT32_MIN / 2, INT32_MAX / 2));
  DetailRowPlace p;
  p.index = index;
  p.y = y;
  p.row = Rect{x0, y - px(2, s), x1, y + px(22, s)};
  p.open = Rect{x0, y - px(2, s), glyph - px(6, s), y + px(22, s)};
  p.close = Rect{glyph - px(6, s), y - px(4, s), x1 + px(4, s), y + px(20, s)};
  return p;
}

std::vector<DetailRowPlace> detail_row_places(size_t rows, int32_t top, int32_t scroll, int32_t width, int32_t height,
                                              float s) {
  const int32_t step = px(26, s);
  std::vector<DetailRowPlace> out;
  for (size_t i = 0; i < rows; ++i) {
    DetailRowPlace p = detail_row_place(i, top, scroll, width, s);
    if (p.y > height - px(20, s)) break;  // rows only go further down from here
    if (p.y + step < top) continue;
    p.open.top = std::max(top, p.open.top);
    p.close.top = std::max(top, p.close.top);
    out.push_back(p);
  }
  return out;
}

std::vector<AppRow> fps_rows(const Snapshot& snapshot) {
  std::vector<AppRow> rows;
  rows.reserve(snapshot.presenting_apps.size());
  for (const PresentingApp& app : snapshot.presenting_apps) rows.push_back(AppRow{app.name, {app.pid}});
  return rows;
}

std::string fps_rate_text(uint32_t fps) { return std::to_string(fps) + " fps"; }

std::optional<std::string> fps_notice(const Snapshot& snapshot) {
  if (!snapshot.tracking_available) return "Frame rate tracking needs administrator access.";
  if (snapshot.presenting_apps.empty()) return "Nothing on screen";
  return std::nullopt;
}

size_t fps_rows_shown(size_t rows, int32_t top, int32_t height, float s) {
  const int64_t limit = static_cast<int64_t>(height) - px(24, s);
  const int64_t step = px(26, s);
  if (top > limit || step <= 0) return 0;
  const auto fitting = static_cast<size_t>((limit - top) / step + 1);
  return std::min(rows, fitting);
}

}  // namespace qv
