// The frame-rate overlay's window. Like the widget, its state sits in this thread's own slot,
// because its procedure also runs while the panel holds UiState (creation and moves send
// messages at once).
#include "ui/overlay/overlay_win.h"

#include <optional>
#include <string>
#include <utility>

#include "config/settings_file_win.h"
#include "ui/panel/frame/ui_state_win.h"
#include "ui/gdi/no_activate_win.h"
#include "ui/gdi/draw_win.h"
#include "ui/gdi/scale.h"
#include "util/handles_win.h"

namespace qv {
namespace {

constexpr DWORD kOverlayExStyle = WS_EX_NOACTIVATE | WS_EX_LAYERED | WS_EX_TOOLWINDOW | WS_EX_TOPMOST;

struct OverlayState {
  std::string text = "\xE2\x80\x94";
  Rgb colour = overlay_colour(0);
  float scale = 1.0f;  // ui_scale when the window was made; its size never follows later changes
  UniqueGdiObject font;  // made once
  std::optional<Point> moved_to;  // the user's drag since the last sample
  int alpha_set = -1;             // the opacity last given to the window; -1 before the first
};

thread_local OverlayState t_overlay;

void note_move(HWND hwnd) {
  RECT r{};
  GetWindowRect(hwnd, &r);
  t_overlay.moved_to = Point{r.left, r.top};
}

// Drawn straight into the paint DC: a layered window is composed off-screen by the system, so a
// memory bitmap of our own would only copy the picture twice.
void on_paint(HWND hwnd) {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(hwnd, &ps);
  RECT rc{};
  GetClientRect(hwnd, &rc);
  paint_overlay(dc, rc.right, rc.bottom, t_overlay.text, t_overlay.colour, static_cast<HFONT>(t_overlay.font.get()),
                t_overlay.scale);
  EndPaint(hwnd, &ps);
}

LRESULT CALLBACK overlay_proc(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam) {
  if (LRESULT result = 0; handle_no_activate_message(hwnd, msg, wparam, lparam, result)) return result;
  switch (msg) {
    case WM_PAINT:
      on_paint(hwnd);
      return 0;
    case WM_MOVE:
    case WM_EXITSIZEMOVE:
      note_move(hwnd);
      return 0;
    case WM_NCHITTEST:
      return HTCAPTION;  // dragged by any point
    default:
      return DefWindowProcW(hwnd, msg, wparam, lparam);
  }
}

bool register_overlay_class() { return register_small_window_class(kOverlayClass, &overlay_proc, IDC_SIZEALL); }

HWND create_overlay_window(const Settings& settings, float ui_scale) {
  if (!register_overlay_class()) return nullptr;
  t_overlay.moved_to.reset();
  t_overlay.alpha_set = -1;
  t_overlay.scale = ui_scale;
  if (!t_overlay.font) t_overlay.font.reset(create_overlay_font(ui_scale));
  const Rect r = overlay_start_rect(settings.fps_x, settings.fps_y, ui_scale);
  return CreateWindowExW(kOverlayExStyle, kOverlayClass, kOverlayTitle, WS_POPUP, r.left, r.top, r.width(),
                         r.height(), nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
}

}  // namespace

HFONT create_overlay_font(float scale) { return create_font(px(kOverlayFontHeight, scale), kOverlayFontWeight); }

void paint_overlay(HDC dc, int32_t width, int32_t height, std::string_view text, Rgb colour, HFONT font, float scale) {
  fill_rect(dc, Rect{0, 0, width, height}, kOverlayKeyColour);
  const Point at = overlay_text_origin(scale);
  draw_text(dc, at.x + 2, at.y + 2, font, kOverlayShadowColour, text);
  draw_text(dc, at.x, at.y, font, colour, text);
}

void update_overlay(UiState& ui) {
  const Settings& s = ui.settings;
  if (!s.fps_overlay) {
    if (ui.overlay) ShowWindow(ui.overlay, SW_HIDE);
    return;
  }
  const bool created = !ui.overlay;
  if (created) {
    ui.overlay = create_overlay_window(s, ui.ui_scale);
    if (!ui.overlay) return;
  }
  std::string text = overlay_text(ui.snapshot_copy);
  const Rgb colour = overlay_colour(s.fps_color);
  // Putting a keyed window on the screen costs the system far more than drawing it: a picture
  // that did not change (no game running: the dash, sample after sample) is not drawn again.
  const bool changed = text != t_overlay.text || colour != t_overlay.colour || created;
  t_overlay.text = std::move(text);
  t_overlay.colour = colour;
  const std::optional<Point> moved = std::exchange(t_overlay.moved_to, std::nullopt);
  // Setting the same attributes again costs a round trip to the display for nothing.
  const uint8_t alpha = overlay_alpha(s.fps_opacity);
  if (t_overlay.alpha_set != alpha) {
    SetLayeredWindowAttributes(ui.overlay, colorref(kOverlayKeyColour), alpha, LWA_COLORKEY | LWA_ALPHA);
    t_overlay.alpha_set = alpha;
  }
  if (changed) InvalidateRect(ui.overlay, nullptr, FALSE);
  if (apply_overlay_move(ui.settings, moved)) save_settings(ui.settings);
  // Showing a shown window again still costs a trip through the window manager.
  if (!IsWindowVisible(ui.overlay)) ShowWindow(ui.overlay, SW_SHOWNOACTIVATE);
}

}  // namespace qv
