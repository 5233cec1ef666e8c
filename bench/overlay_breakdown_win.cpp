// Where the overlay's time on screen goes under this system: the same window and paint taken
// apart step by step, each in a window of its own made the way the overlay's is, so that one
// run gives every row beside the others. The rows are, per sample:
//   - an empty paint (BeginPaint and EndPaint only) of a colour-keyed, translucent window;
//   - the overlay's own drawing into it (the figure of widget_overlay_per_sample);
//   - the same, with only the digits' box invalidated;
//   - the same drawing in a window that is only translucent (no colour key);
//   - the same drawing in a window that is not layered at all;
//   - no paint message at all: the picture drawn into a 32-bit bitmap of our own and handed over
//     with UpdateLayeredWindow (what a per-pixel-alpha overlay would do instead).
#include <windows.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>

#include "ui/gdi/draw_win.h"
#include "ui/gdi/scale.h"
#include "ui/overlay/overlay_model.h"
#include "ui/overlay/overlay_win.h"
#include "win_bench.h"

namespace qv::bench {
namespace {

constexpr wchar_t kClass[] = L"QvOverlayBreakdown";

struct PaintWith {
  bool draw = true;
  HFONT font = nullptr;
  std::string text;
};
PaintWith g_paint;

LRESULT CALLBACK proc(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam) {
  if (msg == WM_PAINT) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(hwnd, &ps);
    if (g_paint.draw) {
      RECT rc{};
      GetClientRect(hwnd, &rc);
      paint_overlay(dc, rc.right, rc.bottom, g_paint.text, overlay_colour(0), g_paint.font, 1.0f);
    }
    EndPaint(hwnd, &ps);
    return 0;
  }
  return DefWindowProcW(hwnd, msg, wparam, lparam);
}

HWND make_window(DWORD ex_style, const Rect& r) {
  HWND hwnd = CreateWindowExW(ex_style, kClass, L"", WS_POPUP, r.left, r.top, r.width(), r.height(), nullptr,
                              nullptr, GetModuleHandleW(nullptr), nullptr);
  if (hwnd) ShowWindow(hwnd, SW_SHOWNOACTIVATE);
  return hwnd;
}

// ms per sample of invalidating (the whole window, or only `box`) and painting at once, with the
// digits changing every time.
double paints(HWND hwnd, int n, const RECT* box = nullptr) {
  const auto a = std::chrono::steady_clock::now();
  for (int i = 0; i < n; ++i) {
    g_paint.text = std::to_string(30 + i % 200);
    InvalidateRect(hwnd, box, FALSE);
    UpdateWindow(hwnd);
  }
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - a).count() / n;
}

void overlay_breakdown() {
  WNDCLASSW wc{};
  wc.lpfnWndProc = proc;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.lpszClassName = kClass;
  RegisterClassW(&wc);
  const Rect r = overlay_start_rect(std::nullopt, 1.0f);
  HFONT font = create_overlay_font(1.0f);
  g_paint.font = font;
  const int n = 2000;
  const BYTE alpha = overlay_alpha(0);
  constexpr DWORD kBase = WS_EX_NOACTIVATE | WS_EX_TOOLWINDOW | WS_EX_TOPMOST;

  HWND keyed = make_window(kBase | WS_EX_LAYERED, r);
  SetLayeredWindowAttributes(keyed, colorref(kOverlayKeyColour), alpha, LWA_COLORKEY | LWA_ALPHA);
  g_paint.draw = false;
  paints(keyed, 10);
  const double empty_keyed = paints(keyed, n);
  g_paint.draw = true;
  const double drawn_keyed = paints(keyed, n);
  // Only the box the digits and their shadow take at this size (three digits at most).
  const RECT box{4, 2, 64, 42};
  const double boxed_keyed = paints(keyed, n, &box);
  DestroyWindow(keyed);

  HWND translucent = make_window(kBase | WS_EX_LAYERED, r);
  SetLayeredWindowAttributes(translucent, 0, alpha, LWA_ALPHA);
  paints(translucent, 10);
  const double drawn_alpha_only = paints(translucent, n);
  DestroyWindow(translucent);

  HWND plain = make_window(kBase, r);
  paints(plain, 10);
  const double drawn_plain = paints(plain, n);
  DestroyWindow(plain);

  // The picture drawn into our own 32-bit bitmap and handed over whole.
  HWND handed = CreateWindowExW(kBase | WS_EX_LAYERED, kClass, L"", WS_POPUP, r.left, r.top, r.width(), r.height(),
                                nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
  HDC screen = GetDC(nullptr);
  HDC mem = CreateCompatibleDC(screen);
  BITMAPINFO bi{};
  bi.bmiHeader.biSize = sizeof bi.bmiHeader;
  bi.bmiHeader.biWidth = r.width();
  bi.bmiHeader.biHeight = -r.height();
  bi.bmiHeader.biPlanes = 1;
  bi.bmiHeader.biBitCount = 32;
  void* bits = nullptr;
  HBITMAP bmp = CreateDIBSection(mem, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
  HGDIOBJ old = SelectObject(mem, bmp);
  ShowWindow(handed, SW_SHOWNOACTIVATE);
  double handed_ms = -1;
  bool handed_ok = bits != nullptr;
  if (handed_ok) {
    POINT at{r.left, r.top};
    SIZE size{r.width(), r.height()};
    POINT from{0, 0};
    BLENDFUNCTION blend{AC_SRC_OVER, 0, alpha, AC_SRC_ALPHA};
    const auto a = std::chrono::steady_clock::now();
    for (int i = 0; i < n; ++i) {
      const std::string text = std::to_string(30 + i % 200);
      paint_overlay(mem, r.width(), r.height(), text, overlay_colour(0), font, 1.0f);
      GdiFlush();
      // Opaque where drawn, clear where the key colour is: what per-pixel alpha would carry.
      auto* px = static_cast<uint32_t*>(bits);
      const uint32_t key = (uint32_t{kOverlayKeyColour.r} << 16) | (uint32_t{kOverlayKeyColour.g} << 8) |
                           kOverlayKeyColour.b;
      for (int32_t k = 0; k < r.width() * r.height(); ++k) px[k] = (px[k] & 0xFFFFFFu) == key ? 0 : (px[k] | 0xFF000000u);
      handed_ok = handed_ok && UpdateLayeredWindow(handed, screen, &at, &size, mem, &from, 0, &blend, ULW_ALPHA);
    }
    handed_ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - a).count() / n;
  }
  SelectObject(mem, old);
  DeleteObject(bmp);
  DeleteDC(mem);
  ReleaseDC(nullptr, screen);
  DestroyWindow(handed);
  DeleteObject(font);

  std::printf("overlay window %dx%d, %d samples each, ms per sample:\n", r.width(), r.height(), n);
  std::printf("  colour key + alpha, empty paint (BeginPaint/EndPaint): %.4f\n", empty_keyed);
  std::printf("  colour key + alpha, the overlay's drawing:            %.4f\n", drawn_keyed);
  std::printf("  colour key + alpha, only the digits' box repainted:   %.4f\n", boxed_keyed);
  std::printf("  alpha only (no colour key), the same drawing:         %.4f\n", drawn_alpha_only);
  std::printf("  not layered, the same drawing:                        %.4f\n", drawn_plain);
  std::printf("  own 32-bit bitmap + UpdateLayeredWindow, no paint:    %.4f%s\n", handed_ms,
              handed_ok ? "" : " (UpdateLayeredWindow failed)");
}

QV_WIN_BENCH("overlay_breakdown", overlay_breakdown);

}  // namespace
}  // namespace qv::bench
