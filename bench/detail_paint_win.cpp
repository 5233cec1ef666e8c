// Paints of the metric detail page over a table of 2,000 processes (grouped on every paint, as
// the page does), of the app detail page of an app of 40 processes with its list open, and of the
// frame-rate list with 60 apps drawing frames.
#include <windows.h>

#include <chrono>
#include <cstdio>
#include <string>
#include <unordered_map>

#include "ui/gdi/draw_win.h"
#include "ui/panel/frame/panel_layout.h"
#include "ui/panel/frame/panel_page_win.h"
#include "ui/gdi/back_buffer_win.h"
#include "win_bench.h"

namespace qv::bench {
namespace {

Snapshot many_processes() {
  Snapshot s;
  s.gpu_available = true;
  s.tracking_available = true;
  s.per_core_pct.assign(16, 40.0f);
  for (uint32_t i = 0; i < 2000; ++i) {
    ProcessSample p;
    // 300 apps; "browser.exe" holds 40 processes.
    p.name = i < 40 ? std::string("browser.exe") : "proc" + std::to_string(i % 300) + ".exe";
    p.pid = 1000 + 4 * i;
    p.cpu_pct = static_cast<float>(i % 13) * 0.7f;
    p.ram_bytes = static_cast<uint64_t>(i % 97) << 20;
    p.audio_peak = i % 5 == 0 ? 0.2f : 0.0f;
    s.processes.push_back(p);
  }
  for (uint32_t i = 0; i < 60; ++i) {
    s.presenting_apps.push_back(PresentingApp{1000 + 4 * i, "game" + std::to_string(i) + ".exe", 240 - 3 * i});
  }
  s.fps = s.presenting_apps.front();
  return s;
}

double ms_per_paint(PanelState& panel, const OverviewInput& in, const AppDetailInput& app, int n) {
  const Size sz = overview_client_size(1.0f, 2, 7, true, 1);
  FontSet fonts = create_font_set(1.0f);
  HDC screen = GetDC(nullptr);
  BackBuffer buffer;  // kept across paints, as the panel keeps its own
  auto paint_once = [&] {
    HDC mem = buffer.prepare(screen, sz.width, sz.height);
    paint_page(PanelCanvas{mem, sz.width, sz.height, 1.0f, &fonts, &panel}, in, app);
  };
  paint_once();  // warm the font caches
  const auto start = std::chrono::steady_clock::now();
  for (int i = 0; i < n; ++i) paint_once();
  const double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count() / n;
  ReleaseDC(nullptr, screen);
  return ms;
}

void detail_paints() {
  Settings settings;
  const Snapshot snap = many_processes();
  OverviewInput in;
  in.settings = &settings;
  in.snapshot = &snap;
  std::vector<float> samples(60);
  for (size_t i = 0; i < samples.size(); ++i) samples[i] = static_cast<float>((i * 13) % 100);
  AppDetailInput app;
  for (size_t i = 0; i < kAppSeriesCount; ++i) {
    app.series[i] = SampleRing{samples, 0, samples.size()};
    app.series_max[i] = 99;
  }
  std::unordered_map<uint32_t, std::string> roles;
  for (uint32_t i = 0; i < 40; ++i) roles[1000 + 4 * i] = i == 0 ? "Main process" : "Renderer";
  app.roles = &roles;
  const int n = 200;

  PanelState cpu;
  cpu.page = Page::kMetricDetail;
  const double cpu_ms = ms_per_paint(cpu, in, app, n);
  std::printf("metric detail (CPU, 16 cores), 2,000 processes grouped on every paint: %.3f ms per paint\n", cpu_ms);
  std::printf("FIGURE detail_cpu_paint_ms|%.4f||ms\n", cpu_ms);
  PanelState ram;
  ram.page = Page::kMetricDetail;
  ram.sub_page = 1;
  ram.filter_text = "proc";
  const double ram_ms = ms_per_paint(ram, in, app, n);
  std::printf("metric detail (RAM, filter \"proc\"), 2,000 processes: %.3f ms per paint\n", ram_ms);
  std::printf("FIGURE detail_ram_filtered_paint_ms|%.4f||ms\n", ram_ms);
  PanelState detail;
  detail.page = Page::kAppDetail;
  detail.selected_app = "browser.exe";
  detail.processes_expanded = true;
  const double app_ms = ms_per_paint(detail, in, app, n);
  std::printf("app detail, 40 processes, list open: %.3f ms per paint\n", app_ms);
  std::printf("FIGURE app_detail_paint_ms|%.4f||ms\n", app_ms);
  PanelState fps;
  fps.page = Page::kFpsList;
  const double fps_ms = ms_per_paint(fps, in, app, n);
  std::printf("frame-rate list, 60 apps drawing frames: %.3f ms per paint\n", fps_ms);
  std::printf("FIGURE fps_list_paint_ms|%.4f||ms\n", fps_ms);
}

QV_WIN_BENCH("panel_detail_paint", detail_paints);

}  // namespace
}  // namespace qv::bench
