#include "ui/panel/app_detail/app_detail_model.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <optional>

#include "procinfo/apps.h"
#include "util/format.h"
#include "ui/gdi/scale.h"
#include "ui/gdi/theme.h"

namespace qv {
namespace {

struct AppSums {
  double cpu = 0;
  uint64_t ram = 0;
  double gpu = 0;
  uint64_t disk = 0;
  uint64_t net = 0;
};

uint64_t add_saturating(uint64_t a, uint64_t b) { return a > UINT64_MAX - b ? UINT64_MAX : a + b; }

AppSums sums_of(const Snapshot& s, std::string_view app) {
  AppSums sums;
  for (const ProcessSample& p : s.processes) {
    if (p.name != app) continue;
    sums.cpu += p.cpu_pct;
    sums.ram = add_saturating(sums.ram, p.ram_bytes);
    sums.gpu += p.gpu_pct;
    sums.disk = add_saturating(sums.disk, p.disk_bps);
    sums.net = add_saturating(sums.net, p.net_bps);
  }
  return sums;
}

// The highest frame rate among the app's presenting processes, if it presents any now.
std::optional<uint32_t> presenting_fps(const Snapshot& s, std::string_view app) {
  std::optional<uint32_t> best;
  for (const PresentingApp& p : s.presenting_apps) {
    if (p.name == app) best = std::max(best.value_or(0), p.fps);
  }
  return best;
}

// Sorting key: NaN below every number, so the order stays strict and NaN rows sink.
double sort_key(const ProcessSample& p, uint8_t column) {
  const double v = metric_value(p, column);
  return std::isnan(v) ? -INFINITY : v;
}

}  // namespace

size_t app_process_count(const Snapshot& snapshot, std::string_view app) {
  return static_cast<size_t>(std::count_if(snapshot.processes.begin(), snapshot.processes.end(),
                                           [&](const ProcessSample& p) { return p.name == app; }));
}

std::string app_status_text(size_t process_count) {
  return process_count == 0 ? "Not running" : std::to_string(process_count) + " running";
}

bool shows_fps_tile(const Snapshot& snapshot, std::string_view app, float fps_series_max) {
  return presenting_fps(snapshot, app).has_value() || fps_series_max > 0.0f;
}

std::vector<AppTile> app_tiles(const Snapshot& snapshot, std::string_view app,
                               const std::array<float, kAppSeriesCount>& series_max) {
  const auto max_of = [&](AppSeries s) { return series_max[static_cast<size_t>(s)]; };
  const AppSums sums = sums_of(snapshot, app);
  std::vector<AppTile> tiles;
  if (shows_fps_tile(snapshot, app, max_of(AppSeries::kFps))) {
    const auto fps = presenting_fps(snapshot, app);
    tiles.push_back({"FPS", fps ? std::to_string(*fps) + " fps" : "—", hex_of(colours::fps), AppSeries::kFps,
                     max_of(AppSeries::kFps)});
  }
  tiles.push_back({"CPU", format_percent_one_decimal(sums.cpu), hex_of(colours::cpu), AppSeries::kCpu, 100.0f});
  tiles.push_back({"RAM", format_bytes(sums.ram), hex_of(colours::ram), AppSeries::kRam, max_of(AppSeries::kRam)});
  tiles.push_back({"GPU", format_percent_one_decimal(sums.gpu), hex_of(colours::gpu), AppSeries::kGpu, 100.0f});
  tiles.push_back({"Disk", format_rate(sums.disk), hex_of(colours::disk), AppSeries::kDisk, max_of(AppSeries::kDisk)});
  tiles.push_back({"Network", format_rate(sums.net), hex_of(colours::net), AppSeries::kNet, max_of(AppSeries::kNet)});
  return tiles;
}

ProcessSectionPlace process_section_place(size_t tiles, float s) {
  ProcessSectionPlace p;
  p.header_top = px(12, s) + px(50, s) + px(24, s) + px(6, s) + px(52, s) * static_cast<int32_t>(tiles);
  p.filter_row = p.header_top + px(36, s);
  p.chips_top = p.filter_row + px(28, s);
  p.list_top = p.filter_row + px(28, s) * 2;
  return p;
}

int32_t app_detail_content_bottom(size_t tiles, size_t processes, bool expanded, size_t rows, float s) {
  const ProcessSectionPlace place = process_section_place(tiles, s);
  if (processes < 2) return place.header_top - px(6, s) - px(6, s);  // the last tile's bottom
  if (!expanded) return place.header_top + px(28, s);
  if (rows == 0) return place.list_top + px(16, s);
  return place.list_top + px(kProcessRowStep, s) * static_cast<int32_t>(rows);
}

int32_t app_detail_first_screen(size_t tiles, size_t processes, bool expanded, float s) {
  return app_detail_content_bottom(tiles, processes, expanded, 1, s) + px(12, s);
}

Rgb process_sort_colour(uint8_t column) {
  static constexpr std::array<Rgb, kProcessSortCount> kColours = {colours::cpu, colours::ram,  colours::gpu,
                                                                   colours::disk, colours::net, colours::sound};
  return column < kColours.size() ? kColours[column] : colours::cpu;
}

Rect process_filter_frame(int32_t filter_row, int32_t width, float s) {
  const int32_t top = filter_row - px(3, s);
  return Rect{px(12, s), top, width - px(12, s), top + px(24, s)};
}

std::string process_value_text(const ProcessSample& p, uint8_t column) {
  switch (column) {
    case 1: return format_bytes(p.ram_bytes);
    case 2: return format_percent_one_decimal(p.gpu_pct);
    case 3: return format_rate(p.disk_bps);
    case 4: return format_rate(p.net_bps);
    case 5: return p.audio_peak > 0.0f ? format_percent_one_decimal(static_cast<double>(p.audio_peak) * 100.0) : "—";
    default: return format_percent_one_decimal(p.cpu_pct);
  }
}

std::string process_label_text(std::string_view role, uint32_t pid) {
  if (role.empty()) return "PID " + std::to_string(pid);
  return std::string(role) + "  ·  PID " + std::to_string(pid);
}

std::vector<ProcessRow> process_rows(const Snapshot& snapshot, std::string_view app,
                                     const std::unordered_map<uint32_t, std::string>& roles,
                                     std::string_view filter_lower, uint8_t sort_column) {
  const uint8_t column = sort_column < kProcessSortCount ? sort_column : 0;
  std::vector<const ProcessSample*> kept;
  for (const ProcessSample& p : snapshot.processes) {
    if (p.name != app) continue;
    const auto it = roles.find(p.pid);
    const std::string_view role = it == roles.end() ? std::string_view() : std::string_view(it->second);
    if (!matches_filter(p.pid, role, filter_lower)) continue;
    kept.push_back(&p);
  }
  std::stable_sort(kept.begin(), kept.end(), [column](const ProcessSample* a, const ProcessSample* b) {
    return sort_key(*a, column) > sort_key(*b, column);
  });
  std::vector<ProcessRow> rows;
  rows.reserve(kept.size());
  for (const ProcessSample* p : kept) {
    const auto it = roles.find(p->pid);
    rows.push_back(ProcessRow{p->pid, process_label_text(it == roles.end() ? "" : it->second, p->pid),
                              process_value_text(*p, column)});
  }
  return rows;
}

}  // namespace qv
