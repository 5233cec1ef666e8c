// The taskbar widget's window. Its state lives in this thread's own slot rather than in UiState:
// the window procedure runs inside the panel's messages too (a resize sends WM_SIZE and WM_MOVE
// at once), while UiState is lent to the panel, and it must still be able to paint.
#include "ui/widget/widget_win.h"

#include <windowsx.h>

#include <algorithm>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "agents/agent_registry.h"
#include "config/settings_file_win.h"
#include "ui/panel/frame/ui_state_win.h"
#include "core/clock.h"
#include "ui/access/accessible_win.h"
#include "ui/gdi/no_activate_win.h"
#include "ui/gdi/draw_win.h"
#include "ui/gdi/monitors_win.h"
#include "ui/gdi/scale.h"
#include "ui/gdi/high_contrast_win.h"
#include "ui/gdi/theme.h"
#include "util/handles_win.h"

namespace qv {
namespace {

constexpr DWORD kWidgetExStyle = WS_EX_NOACTIVATE | WS_EX_LAYERED | WS_EX_TOOLWINDOW | WS_EX_TOPMOST;
constexpr DWORD kWidgetStyle = WS_POPUP | WS_THICKFRAME;

// What a screen reader reads for the strip: its figures, as the name of its client area. The
// window keeps its title; the strip has no pieces to focus.
class WidgetReading final : public AccessSource {
 public:
  std::string title() override;
  std::vector<Piece> pieces() override { return {}; }
  std::string focused_key() override { return {}; }
  bool do_default_action(const std::string&) override { return false; }
  bool take_focus(const std::string&) override { return false; }
};

struct WidgetState {
  WidgetPaint paint;  // figures, mask, theme, scale and hover as the next paint shows them
  float dpi = 1.0f;
  UniqueGdiObject label_font;
  UniqueGdiObject value_font;
  // What the user did since the last sample; taken by update_widget.
  std::optional<Point> moved_to;
  std::optional<float> new_scale;
  std::string shown;  // the texts and theme of the last picture asked for
  std::unique_ptr<AccessibleServer> access;  // while the window exists
};

thread_local WidgetState t_widget;
thread_local WidgetReading t_widget_reading;

std::string WidgetReading::title() { return widget_accessible_name(t_widget.paint.mask, t_widget.paint.figures); }

void renew_fonts(WidgetState& w) {
  w.label_font.reset(create_widget_label_font(w.paint.scale));
  w.value_font.reset(create_widget_value_font(w.paint.scale));
  w.paint.label_font = static_cast<HFONT>(w.label_font.get());
  w.paint.value_font = static_cast<HFONT>(w.value_font.get());
}

RECT window_rect(HWND hwnd) {
  RECT r{};
  GetWindowRect(hwnd, &r);
  return r;
}

void note_move(HWND hwnd) {
  const RECT r = window_rect(hwnd);
  t_widget.moved_to = Point{r.left, r.top};
}

// The pointer is tracked in the client area and over the frame alike: the whole strip answers
// HTCAPTION, so most of its mouse messages are the non-client ones.
void start_hover(HWND hwnd, bool non_client) {
  if (t_widget.paint.hovering) return;
  t_widget.paint.hovering = true;
  TRACKMOUSEEVENT track{};
  track.cbSize = sizeof track;
  track.dwFlags = TME_LEAVE | (non_client ? TME_NONCLIENT : 0);
  track.hwndTrack = hwnd;
  TrackMouseEvent(&track);
  InvalidateRect(hwnd, nullptr, FALSE);
}

void end_hover(HWND hwnd) {
  t_widget.paint.hovering = false;
  InvalidateRect(hwnd, nullptr, FALSE);
}

// Drawn straight into the paint DC: a layered window is composed off-screen by the system, so a
// memory bitmap of our own would only copy the picture twice.
void on_paint(HWND hwnd) {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(hwnd, &ps);
  RECT rc{};
  GetClientRect(hwnd, &rc);
  paint_widget(dc, rc.right, rc.bottom, t_widget.paint);
  EndPaint(hwnd, &ps);
}

// Keeps the strip's proportions while the grip is dragged: the width decides the scale, and the
// rectangle is cut to exactly what that scale draws.
void on_sizing(HWND hwnd, RECT* r) {
  WidgetState& w = t_widget;
  const float f = widget_scale_for_width(r->right - r->left, w.paint.mask, w.dpi);
  w.paint.scale = w.dpi * f;
  renew_fonts(w);
  r->right = r->left + widget_width(w.paint.mask, w.paint.scale);
  r->bottom = r->top + widget_height(w.paint.scale);
  InvalidateRect(hwnd, nullptr, FALSE);
}

LRESULT CALLBACK widget_proc(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam) {
  if (LRESULT result = 0; handle_no_activate_message(hwnd, msg, wparam, lparam, result)) return result;
  if (may_change_high_contrast(msg)) {
    refresh_high_contrast();
    InvalidateRect(hwnd, nullptr, FALSE);
  }
  switch (msg) {
    case WM_GETOBJECT:
      if (t_widget.access) {
        if (const auto answer = t_widget.access->on_get_object(wparam, lparam)) return *answer;
      }
      return DefWindowProcW(hwnd, msg, wparam, lparam);
    case WM_NCDESTROY:
      t_widget.access.reset();
      return DefWindowProcW(hwnd, msg, wparam, lparam);
    case WM_PAINT:
      on_paint(hwnd);
      return 0;
    case WM_MOVE:
      note_move(hwnd);
      return 0;
    case WM_EXITSIZEMOVE:
      note_move(hwnd);
      if (t_widget.dpi > 0) t_widget.new_scale = t_widget.paint.scale / t_widget.dpi;
      return 0;
    case WM_SIZE:
      InvalidateRect(hwnd, nullptr, FALSE);
      return 0;
    case WM_SIZING:
      on_sizing(hwnd, reinterpret_cast<RECT*>(lparam));
      return TRUE;
    case WM_DPICHANGED: {
      // Moved to a monitor of another DPI: the user's own scale is kept, the monitor's follows.
      WidgetState& w = t_widget;
      const uint32_t dpi = LOWORD(wparam);
      if (dpi == 0) return 0;
      const float own = w.dpi > 0 ? w.paint.scale / w.dpi : 1.0f;
      w.dpi = dpi_scale_for(dpi);
      w.paint.scale = w.dpi * own;
      renew_fonts(w);
      const auto* suggested = reinterpret_cast<const RECT*>(lparam);
      const RECT now = window_rect(hwnd);
      const Point at = suggested ? Point{suggested->left, suggested->top} : Point{now.left, now.top};
      SetWindowPos(hwnd, nullptr, at.x, at.y, widget_width(w.paint.mask, w.paint.scale), widget_height(w.paint.scale),
                   SWP_NOZORDER | SWP_NOACTIVATE);
      InvalidateRect(hwnd, nullptr, TRUE);
      return 0;
    }
    case WM_NCCALCSIZE:
      if (wparam) return 0;  // the whole window is client area: no frame is drawn
      break;
    case WM_NCHITTEST: {
      const RECT r = window_rect(hwnd);
      const bool grip = on_widget_grip(GET_X_LPARAM(lparam) - r.left, GET_Y_LPARAM(lparam) - r.top,
                                       r.right - r.left, r.bottom - r.top, t_widget.paint.scale);
      return grip ? HTBOTTOMRIGHT : HTCAPTION;
    }
    case WM_SETCURSOR:
      SetCursor(LoadCursorW(nullptr, LOWORD(lparam) == HTBOTTOMRIGHT ? IDC_SIZENWSE : IDC_ARROW));
      return TRUE;
    case WM_GETMINMAXINFO: {
      auto* info = reinterpret_cast<MINMAXINFO*>(lparam);
      if (info) {
        info->ptMinTrackSize.x = 1;
        info->ptMinTrackSize.y = 1;
      }
      return 0;
    }
    case WM_MOUSEMOVE:
      start_hover(hwnd, false);
      return 0;
    case WM_NCMOUSEMOVE:
      start_hover(hwnd, true);
      break;  // the frame's own handling of the pointer goes on
    case WM_MOUSELEAVE:
    case WM_NCMOUSELEAVE:
      end_hover(hwnd);
      return 0;
    default:
      break;
  }
  return DefWindowProcW(hwnd, msg, wparam, lparam);
}

bool register_widget_class() { return register_small_window_class(kWidgetClass, &widget_proc, IDC_ARROW); }

HWND create_widget_window(const Settings& settings, float dpi) {
  if (!register_widget_class()) return nullptr;
  t_widget = WidgetState{};
  t_widget.dpi = dpi;
  t_widget.paint.scale = settings.widget_scale * dpi;
  t_widget.paint.mask = settings.widget_mask;
  renew_fonts(t_widget);
  // A monitor unplugged since the last session must not take the widget with it.
  const std::optional<Point> stored =
      settings.widget_pos_set ? std::optional<Point>(Point{settings.widget_x, settings.widget_y}) : std::nullopt;
  const Rect r = keep_on_a_monitor(widget_start_rect(stored, t_widget.paint.scale), monitor_areas());
  HWND hwnd = CreateWindowExW(kWidgetExStyle, kWidgetClass, kWidgetTitle, kWidgetStyle, r.left, r.top, r.width(),
                              r.height(), nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
  if (hwnd) {
    SetLayeredWindowAttributes(hwnd, 0, kWidgetAlpha, LWA_ALPHA);
    t_widget.access = std::make_unique<AccessibleServer>(hwnd, t_widget_reading);
  }
  return hwnd;
}

std::optional<Point> clock_position(HWND widget, uint32_t mask, float scale) {
  HWND taskbar = FindWindowW(L"Shell_TrayWnd", nullptr);
  if (!taskbar) return std::nullopt;
  const RECT bar = window_rect(taskbar);
  std::optional<Rect> area;
  if (HWND notify = FindWindowExW(taskbar, nullptr, L"TrayNotifyWnd", nullptr)) {
    const RECT n = window_rect(notify);
    area = Rect{n.left, n.top, n.right, n.bottom};
  }
  int32_t height = widget_height(scale);
  if (widget) {
    const RECT w = window_rect(widget);
    height = w.bottom - w.top;
  }
  return widget_clock_position(Rect{bar.left, bar.top, bar.right, bar.bottom}, area, mask, scale, height);
}

}  // namespace

HFONT create_widget_label_font(float scale) { return create_font(px(9, scale), FW_BOLD); }
HFONT create_widget_value_font(float scale) { return create_font(px(12, scale), FW_BOLD); }

void paint_widget(HDC dc, int32_t width, int32_t height, const WidgetPaint& p) {
  const Theme& theme = theme_or_high_contrast(std::min<uint32_t>(p.theme, 2));
  const bool system_colours = high_contrast_on();  // no colours of our own beside the system's
  fill_rect(dc, Rect{0, 0, width, height}, theme.background);
  const WidgetRows rows = widget_rows(p.scale);
  for (const WidgetCell& cell : widget_cells(p.mask, p.scale, p.figures)) {
    draw_text(dc, cell.left, rows.label_top, p.label_font, system_colours ? theme.text : cell.item->colour,
              cell.item->label);
    int32_t x = cell.left;
    if (cell.right_aligned) x = cell.right - text_width(dc, p.value_font, cell.value);
    draw_text(dc, x, rows.value_top, p.value_font, theme.text, cell.value);
  }
  if (p.hovering) {
    const auto t = widget_grip_triangle(width, height, p.scale);
    const POINT pts[3] = {{t[0].x, t[0].y}, {t[1].x, t[1].y}, {t[2].x, t[2].y}};
    UniqueGdiObject brush(CreateSolidBrush(colorref(theme.text_dim)));
    SelectGuard keep_brush(dc, brush.get());
    SelectGuard keep_pen(dc, GetStockObject(NULL_PEN));
    Polygon(dc, pts, 3);
  }
}

void update_widget(UiState& ui, float mem_pct) {
  const Settings& s = ui.settings;
  if (!s.widget_on) {
    if (ui.widget) ShowWindow(ui.widget, SW_HIDE);
    return;
  }
  const bool created = !ui.widget;
  if (created) {
    ui.widget = create_widget_window(s, ui.dpi_scale);
    if (!ui.widget) return;
  }
  WidgetState& w = t_widget;
  uint32_t agents = 0;
  uint32_t messages = 0;
  if (s.mcp_enabled) {
    agents = static_cast<uint32_t>(running_agent_count(*ui.shared, unix_now_ms()));
    messages = static_cast<uint32_t>(ui.messages.size());
  }
  w.paint.figures = widget_figures(ui.snapshot_copy, mem_pct, agents, messages);
  // Figures often change below what the texts show; an unchanged strip is not drawn again.
  std::string shown = widget_shown_texts(s.widget_mask, w.paint.figures) + '\n' + std::to_string(s.widget_theme);
  const bool changed = created || shown != w.shown;
  w.shown = std::move(shown);
  w.paint.mask = s.widget_mask;
  w.paint.theme = s.widget_theme;

  WidgetReports reports;
  reports.moved_to = std::exchange(w.moved_to, std::nullopt);
  reports.new_scale = std::exchange(w.new_scale, std::nullopt);

  const int32_t want_w = widget_width(w.paint.mask, w.paint.scale);
  const int32_t want_h = widget_height(w.paint.scale);
  const RECT r = window_rect(ui.widget);
  if (r.right - r.left != want_w || r.bottom - r.top != want_h) {
    SetWindowPos(ui.widget, nullptr, 0, 0, want_w, want_h, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  }
  if (changed) InvalidateRect(ui.widget, nullptr, FALSE);
  // A reader that follows the strip hears new figures; nothing is sent while they stay the same.
  if (changed && !created) NotifyWinEvent(EVENT_OBJECT_NAMECHANGE, ui.widget, OBJID_CLIENT, CHILDID_SELF);

  if (apply_widget_reports(ui.settings, reports)) save_settings(ui.settings);
  // Showing a shown window again still costs a trip through the window manager.
  if (!IsWindowVisible(ui.widget)) ShowWindow(ui.widget, SW_SHOWNOACTIVATE);
}

std::optional<Point> place_widget_by_clock(HWND widget, uint32_t mask) {
  return clock_position(widget, mask, t_widget.paint.scale);
}

void move_widget_next_to_clock(UiState& ui) {
  // Without a window yet, the place is worked out for the size the window will be made with.
  const float scale = ui.widget ? t_widget.paint.scale : ui.settings.widget_scale * ui.dpi_scale;
  const std::optional<Point> at = clock_position(ui.widget, ui.settings.widget_mask, scale);
  if (!at) return;
  ui.settings.widget_x = at->x;
  ui.settings.widget_y = at->y;
  ui.settings.widget_pos_set = true;
  save_settings(ui.settings);
  if (ui.widget) SetWindowPos(ui.widget, nullptr, at->x, at->y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void set_widget_scale(HWND widget, float widget_scale) {
  // Without a window there is nothing to size: the one made later starts at the stored scale.
  if (!widget) return;
  WidgetState& w = t_widget;
  // The monitor's factor is the one the window has (from its creation or its last DPI change),
  // not the panel's: the two can sit on different monitors.
  w.paint.scale = w.dpi * widget_scale;
  // A grip resize that no sample has taken yet is replaced by this scale, not applied over it.
  w.new_scale.reset();
  renew_fonts(w);
  SetWindowPos(widget, nullptr, 0, 0, widget_width(w.paint.mask, w.paint.scale), widget_height(w.paint.scale),
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  InvalidateRect(widget, nullptr, TRUE);
}

}  // namespace qv
