// The panel's paint of a full overview (7 cards, 4 drives, 2 AI banners) into its off-screen
// bitmap, and a pointer move that changes no hover region (which must not repaint at all).
#include <windows.h>

#include <chrono>
#include <cstdio>
#include <vector>

#include "ui/gdi/draw_win.h"
#include "ui/panel/overview_model.h"
#include "ui/panel/panel_layout.h"
#include "ui/panel/panel_page_win.h"
#include "win_bench.h"

namespace qv::bench {
namespace {

Snapshot bench_snapshot() {
  Snapshot s;
  s.cpu_pct = 37;
  s.mem_used_bytes = 9ull << 30;
  s.gpu_available = true;
  s.gpu_pct = 12;
  s.fps = PresentingApp{1, "game.exe", 144};
  s.disk_read_bps = 3 << 20;
  s.net_rx_bps = 120 << 10;
  for (char d : {'C', 'D', 'E', 'F'}) s.drives.push_back(DriveInfo{d, 500ull << 30, 120ull << 30});
  for (uint32_t i = 0; i < 200; ++i) {
    ProcessSample p;
    p.name = "proc" + std::to_string(i % 60) + ".exe";
    p.pid = i + 4;
    p.cpu_pct = static_cast<float>(i % 9);
    p.audio_peak = i % 50 == 0 ? 0.3f : 0.0f;
    s.processes.push_back(p);
  }
  return s;
}

double ms_since(std::chrono::steady_clock::time_point start, int n) {
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count() / n;
}

void overview_paint() {
  Settings settings;
  const Snapshot snap = bench_snapshot();
  std::vector<float> samples(60);
  for (size_t i = 0; i < samples.size(); ++i) samples[i] = static_cast<float>((i * 13) % 100);
  OverviewInput in;
  in.settings = &settings;
  in.snapshot = &snap;
  for (size_t i = 0; i < kOverviewSeriesCount; ++i) {
    in.series[i] = SampleRing{samples, 0, samples.size()};
    in.series_max[i] = 99;
  }
  AgentCounts agents;
  agents.running = 3;
  agents.running_sessions = 2;
  agents.listed = 3;
  in.banners = ai_banners(true, 2, agents);
  const ClientSize sz = overview_client_size(1.0f, 4, 7, true, 2);

  FontSet fonts = create_font_set(1.0f);
  PanelState panel;
  HDC screen = GetDC(nullptr);
  const int n = 300;
  const auto start = std::chrono::steady_clock::now();
  for (int i = 0; i < n; ++i) {
    // What paint_panel does per paint: a fresh compatible bitmap, the page, one copy.
    HDC mem = CreateCompatibleDC(screen);
    HBITMAP bmp = CreateCompatibleBitmap(screen, sz.width, sz.height);
    HGDIOBJ old = SelectObject(mem, bmp);
    paint_page(PanelCanvas{mem, sz.width, sz.height, 1.0f, &fonts, &panel}, in);
    BitBlt(screen, 0, 0, sz.width, sz.height, mem, 0, 0, SRCCOPY);
    SelectObject(mem, old);
    DeleteObject(bmp);
    DeleteDC(mem);
  }
  const double per_paint = ms_since(start, n);
  ReleaseDC(nullptr, screen);
  std::printf("overview paint, 7 cards, 4 drives, 2 banners, %dx%d at 100%%: %.3f ms per paint (%d paints, %zu regions)\n",
              sz.width, sz.height, per_paint, n, panel.hit_regions.size());

  // A pointer move inside one card: the hover decision says no repaint, so this is all it costs.
  const int moves = 200000;
  int repaints = 0;
  const auto move_start = std::chrono::steady_clock::now();
  for (int i = 0; i < moves; ++i) {
    repaints += hover_region_changed(panel.hit_regions, std::pair{40 + i % 50, 80}, 41 + i % 50, 81);
  }
  std::printf("pointer move within one region: %.4f us per move, %d repaints\n", ms_since(move_start, moves) * 1000.0,
              repaints);
}

QV_WIN_BENCH("panel_overview_paint", overview_paint);

}  // namespace
}  // namespace qv::bench
