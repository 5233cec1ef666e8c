// The frame-rate overlay's window. Like the widget, its state sits in this thread's own slot,
// because its procedure also runs while the panel holds UiState (creation and moves send
// messages at once).
#include "ui/overlay/overlay_win.h"

#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "config/settings_file_win.h"
#include "ui/panel/frame/ui_state_win.h"
#include "ui/access/accessible_win.h"
#include "ui/gdi/high_contrast_win.h"
#include "ui/gdi/no_activate_win.h"
#include "ui/gdi/draw_win.h"
#include "ui/gdi/monitors_win.h"
#include "ui/gdi/scale.h"
#include "util/handles_win.h"

namespace qv {
namespace {

constexpr DWORD kOverlayExStyle = WS_EX_NOACTIVATE | WS_EX_LAYERED | WS_EX_TOOLWINDOW | WS_EX_TOPMOST;

// What a screen reader reads for the overlay: the frame rate in words, as the name of its client
// area. The window keeps its title.
class OverlayReading final : public AccessSource {
 public:
  std::string title() override;
  std::vector<Piece> pieces() override { return {}; }
  std::string focused_key() override { return {}; }
  bool do_default_action(const std::string&) override { return false; }
  bool take_focus(const std::string&) override { return false; }
};

struct OverlayState {
  std::string text = "\xE2\x80\x94";
  Rgb colour = overlay_colour(0);
  float scale = 1.0f;  // ui_scale when the window was made; its size never follows later changes
  UniqueGdiObject font;  // made once
  std::optional<Point> moved_to;  // the user's drag since the last sample
  int alpha_set = -1;             // the opacity last given to the window; -1 before the first
  std::unique_ptr<AccessibleServer> access;  // while the window exists
};

thread_local OverlayState t_overlay;
thread_local OverlayReading t_overlay_reading;

std::string OverlayReading::title() { return overlay_accessible_name(t_overlay.text); }

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
  if (may_change_high_contrast(msg)) {
    refresh_high_contrast();
    InvalidateRect(hwnd, nullptr, FALSE);
  }
  switch (msg) {
    case WM_GETOBJECT:
      if (t_overlay.access) {
        if (const auto answer = t_overlay.access->on_get_object(wparam, lparam)) return *answer;
      }
      return DefWindowProcW(hwnd, msg, wparam, lparam);
    case WM_NCDESTROY:
      t_overlay.access.reset();
      return DefWindowProcW(hwnd, msg, wparam, lparam);
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
  // A monitor unplugged since the last session must not take the counter with it.
  const std::optional<Point> stored =
      settings.fps_pos_set ? std::optional<Point>(Point{settings.fps_x, settings.fps_y}) : std::nullopt;
  const Rect r = keep_on_a_monitor(overlay_start_rect(stored, ui_scale), monitor_areas());
  HWND hwnd = CreateWindowExW(kOverlayExStyle, kOverlayClass, kOverlayTitle, WS_POPUP, r.left, r.top, r.width(),
                              r.height(), nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
  if (hwnd) t_overlay.access = std::make_unique<AccessibleServer>(hwnd, t_overlay_reading);
  return hwnd;
}

}  // namespace

HFONT create_overlay_font(float scale) { return create_font(px(kOverlayFontHeight, scale), kOverlayFontWeight); }

void paint_overlay(HDC dc, int32_t width, int32_t height, std::string_view text, Rgb colour, HFONT font, float scale) {
  fill_rect(dc, Rect{0, 0, width, height}, kOverlayKeyColour);
  const Point at = overlay_text_origin(scale);
  // In high contrast the digits take the system's text colour over its window colour.
  const bool system_colours = high_contrast_on();
  draw_text(dc, at.x + 2, at.y + 2, font, system_colours ? current_theme().background : kOverlayShadowColour, text);
  draw_text(dc, at.x, at.y, font, system_colours ? current_theme().text : colour, text);
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
  // A reader that follows the overlay hears the new rate; nothing is sent while it stays the same.
  if (changed && !created) NotifyWinEvent(EVENT_OBJECT_NAMECHANGE, ui.overlay, OBJID_CLIENT, CHILDID_SELF);
  if (apply_overlay_move(ui.settings, moved)) save_settings(ui.settings);
  // Showing a shown window again still costs a trip through the window manager.
  if (!IsWindowVisible(ui.overlay)) ShowWindow(ui.overlay, SW_SHOWNOACTIVATE);
}

}  // namespace qv
