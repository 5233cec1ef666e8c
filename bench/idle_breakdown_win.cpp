// Where an idle tick's processor time goes under a real system: each system call of the
// sampler's tick, the hand-over to the UI thread, and each step of the panel window's handling
// of the sample (tray icons, tooltips, the hidden panel), repeated until it has run long enough
// to be measured, and counted as processor time of this process, of the wine server and of the
// desktop process that owns the notification area (each notification-area call is answered
// there). Processor time, not elapsed time: the machine is shared, and a step that waits for
// another process does not spend our processor while it waits.
//
// The per-call figures are printed as a table; nothing here is a FIGURE of scripts/bench.sh.
#include <windows.h>
#include <shellapi.h>

#include <cstdio>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "core/messages.h"
#include "core/shared_state.h"
#include "sampler/sampler_thread_win.h"
#include "sampler/system_metrics_win.h"
#include "ui/gdi/draw_win.h"
#include "ui/panel/frame/panel_window_win.h"
#include "ui/panel/frame/ui_state_win.h"
#include "ui/tray/tray_text.h"
#include "ui/tray/tray_win.h"
#include "host_view_win.h"
#include "win_bench.h"

namespace qv::bench {
namespace {

struct Clocks {
  std::wstring self, server, explorer;
};

struct CpuNow {
  double self = 0, server = 0, explorer = 0;
};

CpuNow cpu_now(const Clocks& c) {
  CpuNow n;
  n.self = host_cpu_s(c.self);
  if (!c.server.empty()) n.server = host_cpu_s(c.server);
  if (!c.explorer.empty()) n.explorer = host_cpu_s(c.explorer);
  return n;
}

// Runs `step` `n` times and prints the processor microseconds per call in each process.
void row(const Clocks& clocks, const char* label, int n, const std::function<void()>& step) {
  step();  // first use: libraries, caches
  const CpuNow before = cpu_now(clocks);
  for (int i = 0; i < n; ++i) step();
  const CpuNow after = cpu_now(clocks);
  std::printf("| %s | %.1f | %.1f | %.1f |\n", label, (after.self - before.self) * 1e6 / n,
              (after.server - before.server) * 1e6 / n, (after.explorer - before.explorer) * 1e6 / n);
}

void pump() {
  MSG m;
  while (PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&m);
}

Snapshot idle_snapshot() {
  Snapshot s;
  s.cpu_pct = 3.2f;
  s.mem_total_bytes = 16ull << 30;
  s.mem_used_bytes = 6ull << 30;
  s.net_rx_bps = 2100;
  s.net_tx_bps = 900;
  s.drives.push_back(DriveInfo{'C', 500ull << 30, 120ull << 30});
  s.drives.push_back(DriveInfo{'Z', 900ull << 30, 300ull << 30});
  return s;
}

LRESULT CALLBACK counting_proc(HWND hwnd, UINT msg, WPARAM w, LPARAM l) {
  static int* paints = nullptr;
  if (msg == WM_CREATE) paints = static_cast<int*>(reinterpret_cast<CREATESTRUCTW*>(l)->lpCreateParams);
  if (msg == WM_PAINT) {
    ++*paints;
    PAINTSTRUCT ps;
    BeginPaint(hwnd, &ps);
    EndPaint(hwnd, &ps);
    return 0;
  }
  return DefWindowProcW(hwnd, msg, w, l);
}

void idle_tick_breakdown() {
  Clocks clocks;
  clocks.self = host_dir_of_self();
  const WineHelpers helpers = wine_helpers();
  clocks.server = helpers.server;
  clocks.explorer = helpers.explorer;
  if (clocks.self.empty()) {
    std::printf("this process was not found in the host's process list: no breakdown\n");
    return;
  }
  std::printf("wine server %s, desktop process %s, taskbar %s\n", clocks.server.empty() ? "not found" : "found",
              clocks.explorer.empty() ? "not found" : "found",
              FindWindowW(L"Shell_TrayWnd", nullptr) ? "present" : "absent");
  std::printf("\n| step (per call) | us CPU, this process | us CPU, wine server | us CPU, desktop process |\n");
  std::printf("|---|---|---|---|\n");

  // The sampler's side.
  CpuTimes times;
  uint64_t a = 0, b = 0;
  row(clocks, "sampler: GetSystemTimes", 2000, [&] { read_system_times(times); });
  row(clocks, "sampler: GlobalMemoryStatusEx", 2000, [&] { read_memory(a, b); });
  std::vector<InterfaceCounters> interfaces;
  row(clocks, "sampler: GetIfTable2 + FreeMibTable", 500, [&] { read_network_interfaces(interfaces); });
  row(clocks, "sampler: NtQuerySystemInformation (transfer counters)", 2000, [&] { read_disk_transfer(a, b); });
  row(clocks, "sampler: drives, every type asked (GetLogicalDrives, GetDriveTypeW, GetDiskFreeSpaceExW)", 500, [&] {
    DriveTypeCache fresh;
    (void)read_drives(fresh, true);
  });
  DriveTypeCache kept;
  row(clocks, "sampler: drives, types kept (GetLogicalDrives, GetDiskFreeSpaceExW)", 500,
      [&] { (void)read_drives(kept, true); });
  row(clocks, "sampler: drives, letters and types kept (GetDiskFreeSpaceExW)", 500,
      [&] { (void)read_drives(kept, false); });
  row(clocks, "  of which GetLogicalDrives", 2000, [&] { (void)GetLogicalDrives(); });
  row(clocks, "  of which GetDriveTypeW(C:)", 2000, [&] { (void)GetDriveTypeW(L"C:\\"); });
  row(clocks, "  of which GetDiskFreeSpaceExW(C:)", 1000, [&] {
    ULARGE_INTEGER total, free;
    GetDiskFreeSpaceExW(L"C:\\", nullptr, &total, &free);
  });
  HWND sink = CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
  {
    SamplerState s(std::make_shared<SharedState>(), sink);
    sample_tick(s, true);
    row(clocks, "sampler: whole tick, panel closed, no rules", 300, [&] { sample_tick(s, false); });
  }
  row(clocks, "hand-over: PostMessageW + the message taken from the queue", 2000, [&] {
    PostMessageW(sink, WM_NULL, 0, 0);
    pump();
  });

  // The UI thread's side: the panel window with the default settings (CPU and memory icons).
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = &panel_window_proc;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.lpszClassName = L"QvBreakdownPanel";
  RegisterClassExW(&wc);
  HWND panel = CreateWindowExW(WS_EX_TOPMOST | WS_EX_TOOLWINDOW, wc.lpszClassName, L"", WS_POPUP | WS_CLIPCHILDREN,
                               0, 0, 10, 10, nullptr, nullptr, wc.hInstance, nullptr);
  auto owned = std::make_unique<UiState>();
  UiState& ui = *owned;
  ui.settings = Settings{};
  ui.shared = make_shared_state(ui.settings, {}, "");
  ui.window = panel;
  ui.fonts = create_font_set(1.0f);
  ui.tray.window = panel;
  sync_tray_icons(ui.tray, ui.settings);
  set_ui_state(std::move(owned));
  Snapshot snap = idle_snapshot();
  {
    std::lock_guard<std::mutex> lock(ui.shared->snapshot_mutex);
    ui.shared->snapshot = snap;
  }
  row(clocks, "UI: tooltip text built", 20000, [&] { (void)tray_tooltip(snap); });
  row(clocks, "UI: tray icon picture drawn (make_tray_icon)", 500,
      [&] { (void)make_tray_icon("37", true, 37, tray_slot_colour(1)); });
  {
    const int n = tray_icon_size();
    row(clocks, "  of which a font made, chosen into a DC and deleted", 1000, [&] {
      HDC dc = CreateCompatibleDC(nullptr);
      HFONT f = create_font(11, FW_BOLD);
      HGDIOBJ old = SelectObject(dc, f);
      SIZE sz;
      GetTextExtentPoint32W(dc, L"37", 2, &sz);
      SelectObject(dc, old);
      DeleteObject(f);
      DeleteDC(dc);
    });
    row(clocks, "  of which a memory DC made and deleted", 2000, [&] { DeleteDC(CreateCompatibleDC(nullptr)); });
    row(clocks, "  of which the screen DC taken and given back", 2000, [&] { ReleaseDC(nullptr, GetDC(nullptr)); });
    row(clocks, "  of which a 32-bit DIB section made and deleted", 2000, [&] {
      BITMAPINFO info{};
      info.bmiHeader.biSize = sizeof info.bmiHeader;
      info.bmiHeader.biWidth = n;
      info.bmiHeader.biHeight = -n;
      info.bmiHeader.biPlanes = 1;
      info.bmiHeader.biBitCount = 32;
      void* bits = nullptr;
      DeleteObject(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    });
    HBITMAP colour = CreateBitmap(n, n, 1, 32, nullptr);
    HBITMAP mask = CreateBitmap(n, n, 1, 1, nullptr);
    row(clocks, "  of which CreateIconIndirect + DestroyIcon", 2000, [&] {
      ICONINFO info{TRUE, 0, 0, mask, colour};
      DestroyIcon(CreateIconIndirect(&info));
    });
    DeleteObject(colour);
    DeleteObject(mask);
  }
  NOTIFYICONDATAW tip{};
  tip.cbSize = sizeof tip;
  tip.hWnd = panel;
  tip.uID = 2;
  tip.uFlags = NIF_TIP;
  wcscpy_s(tip.szTip, L"CPU 3%   RAM 38%\nDownload 2.1 KB/s   Upload 900 B/s");
  row(clocks, "UI: Shell_NotifyIconW NIM_MODIFY, tooltip only", 500, [&] { Shell_NotifyIconW(NIM_MODIFY, &tip); });
  int flip = 0;
  row(clocks, "UI: Shell_NotifyIconW NIM_MODIFY, new picture and tooltip", 300, [&] {
    UniqueIcon icon = make_tray_icon(++flip % 2 ? "37" : "38", true, 37, tray_slot_colour(1));
    NOTIFYICONDATAW d = tip;
    d.uFlags = NIF_TIP | NIF_ICON;
    d.hIcon = icon.get();
    Shell_NotifyIconW(NIM_MODIFY, &d);
  });
  row(clocks, "UI: refresh_tray_icons, 2 icons, same figures as last time", 500,
      [&] { refresh_tray_icons(ui.tray, snap); });
  row(clocks, "UI: WM_SAMPLE to the hidden panel, same figures, and its queue emptied", 500, [&] {
    SendMessageW(panel, kWmSample, 0, 0);
    pump();
  });
  float cpu = 3.2f;
  row(clocks, "UI: WM_SAMPLE to the hidden panel, CPU figure new each time, queue emptied", 300, [&] {
    cpu = cpu > 90 ? 3.2f : cpu + 1.0f;
    {
      std::lock_guard<std::mutex> lock(ui.shared->snapshot_mutex);
      ui.shared->snapshot.cpu_pct = cpu;
    }
    SendMessageW(panel, kWmSample, 0, 0);
    pump();
  });
  remove_tray_icons(ui.tray);
  set_ui_state(nullptr);
  DestroyWindow(panel);

  // Does a hidden window that is invalidated get painted at all?
  int paints = 0;
  WNDCLASSW counting{};
  counting.lpfnWndProc = &counting_proc;
  counting.hInstance = GetModuleHandleW(nullptr);
  counting.lpszClassName = L"QvBreakdownCounting";
  RegisterClassW(&counting);
  HWND hidden = CreateWindowExW(WS_EX_TOOLWINDOW, counting.lpszClassName, L"", WS_POPUP, 0, 0, 300, 500, nullptr,
                                nullptr, counting.hInstance, &paints);
  row(clocks, "UI: InvalidateRect on a hidden window, queue emptied", 2000, [&] {
    InvalidateRect(hidden, nullptr, FALSE);
    pump();
  });
  std::printf("\nWM_PAINT seen by the hidden window after %d invalidations: %d\n", 2001, paints);
  DestroyWindow(hidden);
  DestroyWindow(sink);
}

QV_WIN_BENCH("idle_tick_breakdown", idle_tick_breakdown);

}  // namespace
}  // namespace qv::bench
