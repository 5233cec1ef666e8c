// The panel's paint of a full overview (7 cards, 4 drives, 2 AI banners) into its off-screen
// bitmap, and a pointer move that changes no hover region (which must not repaint at all).
#include <windows.h>

#include <chrono>
#include <cstdio>
#include <memory>
#include <vector>

#include "ui/gdi/draw_win.h"
#include "ui/panel/overview/overview_model.h"
#include "ui/panel/frame/panel_layout.h"
#include "ui/panel/frame/panel_page_win.h"
#include "ui/panel/frame/panel_window_win.h"
#include "ui/panel/frame/ui_state_win.h"
#include "ui/gdi/back_buffer_win.h"
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
  const Size sz = overview_client_size(1.0f, 4, 7, true, 2);

  FontSet fonts = create_font_set(1.0f);
  PanelState panel;
  HDC screen = GetDC(nullptr);
  const int n = 300;
  // What paint_panel does per paint: its kept bitmap, the page, one copy to the window
  // (here the screen). The page alone and the copy alone are timed too.
  BackBuffer buffer;  // kept across paints, as the panel keeps its own
  auto paint_once = [&](bool copy) {
    HDC mem = buffer.prepare(screen, sz.width, sz.height);
    paint_page(PanelCanvas{mem, sz.width, sz.height, 1.0f, &fonts, &panel}, in);
    if (copy) BitBlt(screen, 0, 0, sz.width, sz.height, mem, 0, 0, SRCCOPY);
  };
  paint_once(true);  // warm the font caches
  auto start = std::chrono::steady_clock::now();
  for (int i = 0; i < n; ++i) paint_once(false);
  const double page_only = ms_since(start, n);
  start = std::chrono::steady_clock::now();
  for (int i = 0; i < n; ++i) paint_once(true);
  const double with_copy = ms_since(start, n);
  ReleaseDC(nullptr, screen);
  std::printf("overview, 7 cards, 4 drives, 2 banners, %dx%d at 100%%, %zu regions:\n", sz.width, sz.height,
              panel.hit_regions.size());
  std::printf("  paint into the off-screen bitmap: %.3f ms per paint (%d paints)\n", page_only, n);
  std::printf("  the same plus the one copy to the screen: %.3f ms per paint\n", with_copy);
  std::printf("FIGURE overview_paint_ms|%.4f||ms\n", with_copy);

  // A pointer move inside one card, through the panel's own handler on a window of this thread:
  // the hover test says nothing changed, so nothing is invalidated and nothing repaints.
  WNDCLASSW wc{};
  wc.lpfnWndProc = DefWindowProcW;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.lpszClassName = L"QvPanelMoveBench";
  RegisterClassW(&wc);
  HWND hwnd = CreateWindowExW(0, wc.lpszClassName, L"", WS_POPUP | WS_VISIBLE, 0, 0, sz.width, sz.height, nullptr,
                              nullptr, wc.hInstance, nullptr);
  auto ui = std::make_unique<UiState>();
  ui->shared = std::make_shared<SharedState>();
  ui->panel = panel;
  LRESULT result = 0;
  handle_panel_message(*ui, hwnd, WM_MOUSEMOVE, 0, MAKELPARAM(40, 80), &result);
  ValidateRect(hwnd, nullptr);
  const int moves = 100000;
  start = std::chrono::steady_clock::now();
  for (int i = 0; i < moves; ++i) {
    handle_panel_message(*ui, hwnd, WM_MOUSEMOVE, 0, MAKELPARAM(41 + i % 50, 81 + i % 30), &result);
  }
  const double per_move = ms_since(start, moves) * 1000.0;
  const bool repainted = GetUpdateRect(hwnd, nullptr, FALSE) != FALSE;
  DestroyWindow(hwnd);
  std::printf("  pointer move within one card: %.3f us per move, repaint requested: %s\n", per_move,
              repainted ? "yes" : "no");
}

QV_WIN_BENCH("panel_overview_paint", overview_paint);

}  // namespace
}  // namespace qv::bench
