// One WM_SAMPLE handled by the panel window: the Snapshot copy (200 processes, 4 drives),
// fourteen series appends, the tray refresh with the real shell, the fit check and the
// invalidation. Two cases: values that keep every icon text (tooltips only) and a CPU figure that
// changes every tick (one new icon picture per sample).
#include <windows.h>

#include <chrono>
#include <cstdio>
#include <memory>
#include <mutex>

#include "core/messages.h"
#include "ui/gdi/draw_win.h"
#include "ui/panel/frame/panel_window_win.h"
#include "ui/panel/frame/ui_state_win.h"
#include "win_bench.h"

namespace qv::bench {
namespace {

Snapshot sample_snapshot() {
  Snapshot s;
  s.cpu_pct = 37;
  s.mem_total_bytes = 16ull << 30;
  s.mem_used_bytes = 9ull << 30;
  s.gpu_pct = 12;
  s.gpu_available = true;
  s.disk_read_bps = 3 << 20;
  s.net_rx_bps = 120 << 10;
  s.fps = PresentingApp{1, "game.exe", 144};
  for (char d : {'C', 'D', 'E', 'F'}) s.drives.push_back(DriveInfo{d, 500ull << 30, 120ull << 30});
  for (uint32_t i = 0; i < 200; ++i) {
    ProcessSample p;
    p.name = "proc" + std::to_string(i % 60) + ".exe";
    p.pid = i + 4;
    p.cpu_pct = static_cast<float>(i % 9);
    p.ram_bytes = (i + 1) * 1000000ull;
    s.processes.push_back(p);
  }
  return s;
}

HWND make_panel() {
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = &panel_window_proc;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.lpszClassName = L"QvBenchPanel";
  RegisterClassExW(&wc);
  return CreateWindowExW(WS_EX_TOPMOST | WS_EX_TOOLWINDOW, L"QvBenchPanel", L"bench", WS_POPUP | WS_CLIPCHILDREN | WS_BORDER,
                         0, 0, 10, 10, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
}

void run_case(HWND hwnd, UiState& ui, bool changing_cpu, int n) {
  Snapshot s = sample_snapshot();
  const uint64_t drawn_before = ui.tray.icons_drawn;
  double total_ms = 0;
  for (int i = 0; i < n; ++i) {
    if (changing_cpu) s.cpu_pct = static_cast<float>(i % 90);
    {
      std::lock_guard<std::mutex> lock(ui.shared->snapshot_mutex);
      ui.shared->snapshot = s;
    }
    const auto start = std::chrono::steady_clock::now();
    SendMessageW(hwnd, kWmSample, 0, 0);
    total_ms += std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    MSG msg;  // let the invalidation go, as the message loop would
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
  }
  std::printf("%s: %d samples, %.3f ms per WM_SAMPLE, %llu icon pictures drawn\n",
              changing_cpu ? "CPU text changes every tick" : "unchanged icon texts", n, total_ms / n,
              static_cast<unsigned long long>(ui.tray.icons_drawn - drawn_before));
}

void wm_sample() {
  HWND hwnd = make_panel();
  auto owned = std::make_unique<UiState>();
  UiState& ui = *owned;
  ui.settings = Settings{};
  ui.shared = make_shared_state(ui.settings, {}, "");
  ui.window = hwnd;
  ui.fonts = create_font_set(1.0f);
  ui.tray.window = hwnd;
  ui.panel.selected_app = "proc7.exe";  // app detail open: all fourteen series take a value
  sync_tray_icons(ui.tray, ui.settings);
  set_ui_state(std::move(owned));
  std::printf("taskbar %s\n", FindWindowW(L"Shell_TrayWnd", nullptr) ? "present" : "absent");
  run_case(hwnd, ui, false, 500);
  run_case(hwnd, ui, true, 500);
  remove_tray_icons(ui.tray);
  // The same work without the shell's side, to show what the program itself spends.
  std::printf("with the notification-area calls answered in-process:\n");
  ui.tray.shell = [](DWORD, NOTIFYICONDATAW&) { return TRUE; };
  sync_tray_icons(ui.tray, ui.settings);
  run_case(hwnd, ui, false, 500);
  run_case(hwnd, ui, true, 500);
  set_ui_state(nullptr);
  DestroyWindow(hwnd);
}

QV_WIN_BENCH("ui_wm_sample", wm_sample);

}  // namespace
}  // namespace qv::bench
