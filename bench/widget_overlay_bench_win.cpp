// Per sample, what the widget and the overlay cost: the update (figures, size check, settings
// check, show) and then the paint it asks for, forced at once with UpdateWindow. Figures that
// change every tick, so every paint draws new texts.
#include <windows.h>

#include <chrono>
#include <cstdio>
#include <memory>
#include <string>

#include "core/shared_state.h"
#include "ui/panel/frame/ui_state_win.h"
#include "ui/overlay/overlay_win.h"
#include "ui/widget/widget_win.h"
#include "win_bench.h"

namespace qv::bench {
namespace {

template <typename Update>
void time_per_sample(const char* what, UiState& ui, HWND* window, Update update, int n) {
  update();  // the window is made once, outside the figures
  double update_ms = 0, paint_ms = 0;
  for (int i = 0; i < n; ++i) {
    ui.snapshot_copy.cpu_pct = static_cast<float>(i % 100);
    ui.snapshot_copy.net_rx_bps = static_cast<uint64_t>(i) * 70001;
    ui.snapshot_copy.fps = PresentingApp{1, "game.exe", static_cast<uint32_t>(30 + i % 200)};
    const auto a = std::chrono::steady_clock::now();
    update();
    const auto b = std::chrono::steady_clock::now();
    UpdateWindow(*window);
    const auto c = std::chrono::steady_clock::now();
    update_ms += std::chrono::duration<double, std::milli>(b - a).count();
    paint_ms += std::chrono::duration<double, std::milli>(c - b).count();
  }
  std::printf("%s: %d samples, update %.4f ms + paint %.4f ms = %.4f ms per sample\n", what, n, update_ms / n,
              paint_ms / n, (update_ms + paint_ms) / n);
}

// The same pictures drawn into a memory bitmap: what the drawing itself costs, apart from the
// system's work of putting a layered window on the screen.
void paint_in_memory(int n) {
  HDC mem = CreateCompatibleDC(nullptr);
  BITMAPINFO bi{};
  bi.bmiHeader.biSize = sizeof bi.bmiHeader;
  bi.bmiHeader.biWidth = 600;
  bi.bmiHeader.biHeight = -60;
  bi.bmiHeader.biPlanes = 1;
  bi.bmiHeader.biBitCount = 32;
  void* bits = nullptr;
  HBITMAP bmp = CreateDIBSection(mem, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
  HGDIOBJ old = SelectObject(mem, bmp);
  WidgetPaint p;
  p.mask = 127;
  HFONT label = create_widget_label_font(1.0f);
  HFONT value = create_widget_value_font(1.0f);
  HFONT digits = create_overlay_font(1.0f);
  p.label_font = label;
  p.value_font = value;
  double widget_ms = 0, overlay_ms = 0;
  for (int i = 0; i < n; ++i) {
    p.figures.cpu_pct = static_cast<float>(i % 100);
    const auto a = std::chrono::steady_clock::now();
    paint_widget(mem, 508, 26, p);
    GdiFlush();
    const auto b = std::chrono::steady_clock::now();
    paint_overlay(mem, 96, 44, std::to_string(30 + i % 200), rgb(0xF0F2F5), digits, 1.0f);
    GdiFlush();
    const auto c = std::chrono::steady_clock::now();
    widget_ms += std::chrono::duration<double, std::milli>(b - a).count();
    overlay_ms += std::chrono::duration<double, std::milli>(c - b).count();
  }
  std::printf("drawing alone, in memory: widget %.4f ms, overlay %.4f ms per picture\n", widget_ms / n, overlay_ms / n);
  DeleteObject(label);
  DeleteObject(value);
  DeleteObject(digits);
  SelectObject(mem, old);
  DeleteObject(bmp);
  DeleteDC(mem);
}

void widget_and_overlay() {
  auto owned = std::make_unique<UiState>();
  UiState& ui = *owned;
  ui.settings.widget_on = true;
  ui.settings.widget_mask = 127;  // every item
  ui.settings.fps_overlay = true;
  ui.settings.widget_x = ui.settings.widget_y = 300;
  ui.settings.fps_x = ui.settings.fps_y = 60;
  ui.settings.widget_pos_set = ui.settings.fps_pos_set = true;
  ui.shared = make_shared_state(ui.settings, {}, "");
  ui.snapshot_copy.mem_total_bytes = 16ull << 30;
  ui.snapshot_copy.mem_used_bytes = 9ull << 30;
  ui.snapshot_copy.gpu_available = true;
  time_per_sample("widget, 7 items", ui, &ui.widget, [&] { update_widget(ui, 56.0f); }, 2000);
  time_per_sample("overlay", ui, &ui.overlay, [&] { update_overlay(ui); }, 2000);
  time_per_sample("overlay, no game (the dash stays)", ui, &ui.overlay, [&] {
    ui.snapshot_copy.fps.reset();
    update_overlay(ui);
  }, 2000);
  DestroyWindow(ui.widget);
  DestroyWindow(ui.overlay);
  paint_in_memory(2000);
}

QV_WIN_BENCH("widget_overlay_per_sample", widget_and_overlay);

}  // namespace
}  // namespace qv::bench
