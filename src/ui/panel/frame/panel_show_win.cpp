// Showing, hiding, pinning and sizing the panel window. The pop-up sits above the taskbar and
// fits its content; the pinned panel is an ordinary window with a stored size and place.
#include "ui/panel/frame/panel_show_win.h"

#include <algorithm>
#include <mutex>
#include <utility>

#include "config/settings_file_win.h"
#include "core/clock.h"
#include "ui/panel/frame/panel_access_win.h"
#include "ui/access/focus_ring_win.h"
#include "ui/gdi/high_contrast_win.h"
#include "ui/gdi/monitors_win.h"
#include "ui/gdi/scale.h"
#include "ui/panel/overview/overview_model.h"
#include "ui/panel/frame/panel_actions_win.h"
#include "ui/panel/frame/panel_layout.h"
#include "ui/panel/frame/ui_state_win.h"

namespace qv {
namespace {

constexpr DWORD kPopupStyle = WS_POPUP | WS_CLIPCHILDREN | WS_BORDER;
constexpr DWORD kPopupExStyle = WS_EX_TOPMOST | WS_EX_TOOLWINDOW;
constexpr DWORD kPinnedStyle = WS_CLIPCHILDREN | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | WS_MINIMIZEBOX;
constexpr DWORD kPinnedExStyle = WS_EX_APPWINDOW;

HWND mode_z_order(const UiState& ui) {
  if (!ui.settings.pinned) return HWND_TOPMOST;
  return ui.settings.on_top ? HWND_TOPMOST : HWND_NOTOPMOST;
}

Rect work_area() {
  RECT r{};
  if (!SystemParametersInfoW(SPI_GETWORKAREA, 0, &r, 0)) return Rect{0, 0, 800, 600};
  return Rect{r.left, r.top, r.right, r.bottom};
}

SizeKey current_size_key(const UiState& ui) {
  return SizeKey{ui.snapshot_copy.drives.size(), ai_banner_rows(ui), shown_metric_count(ui.settings.main_metrics),
                 ui.settings.mcp_enabled, ui.first_screen};
}

void save(const UiState& ui) { save_settings(ui.settings); }

// A shown panel asked for again comes to the front; a minimised pinned window is restored
// first, or the click would seem to do nothing.
void bring_forward(HWND hwnd) {
  if (IsIconic(hwnd)) ShowWindow(hwnd, SW_RESTORE);
  SetForegroundWindow(hwnd);
}

}  // namespace

RECT window_rect(HWND hwnd) {
  RECT r{};
  GetWindowRect(hwnd, &r);
  return r;
}

void repaint_panel(HWND hwnd) { InvalidateRect(hwnd, nullptr, FALSE); }

int ai_banner_rows(const UiState& ui) {
  if (!ui.settings.mcp_enabled) return 0;
  AgentCounts agents;
  {
    std::lock_guard<std::mutex> lock(ui.shared->agent_sessions_mutex);
    agents = count_agents(ui.shared->agent_sessions, 0, unix_now_ms());
  }
  {
    std::lock_guard<std::mutex> lock(ui.shared->agent_history_mutex);
    agents.finished = ui.shared->agent_history.size();
  }
  return static_cast<int>(ai_banner_rows(true, ui.messages.size(), agents));
}

Size panel_size(const UiState& ui, HWND hwnd) {
  if (uses_stored_size(ui.settings)) return Size{ui.settings.win_w, ui.settings.win_h};
  const Size client = panel_client_size(ui.ui_scale, current_size_key(ui), ui.settings.mcp_enabled);
  RECT r{0, 0, client.width, client.height};
  // The frame at the window's own DPI: caption and borders differ between monitors.
  AdjustWindowRectExForDpi(&r, static_cast<DWORD>(GetWindowLongPtrW(hwnd, GWL_STYLE)), FALSE,
                           static_cast<DWORD>(GetWindowLongPtrW(hwnd, GWL_EXSTYLE)), ui.dpi);
  // Content taller than the screen scrolls inside a panel that the user can reach whole.
  return fit_to_work_area(work_area(), Size{r.right - r.left, r.bottom - r.top});
}

void ensure_text_fields(UiState& ui) {
  if (ui.fields[0]) return;
  for (TextField f : {TextField::kFilter, TextField::kAlertThreshold, TextField::kAlertLogFile, TextField::kRequest}) {
    ui.fields[field_slot(f)] = create_text_field(ui.window, control_id(f), ui.fonts.body);
  }
}

void show_panel(UiState& ui, HWND hwnd) {
  ensure_text_fields(ui);
  const Size size = panel_size(ui, hwnd);
  const Rect work = work_area();
  const Settings& s = ui.settings;
  Point at;
  if (s.pinned) {
    at = place_pinned(work, size, s.win_pos_set ? std::optional(Point{s.win_x, s.win_y}) : std::nullopt);
    // A monitor unplugged since the window was placed must not take the panel with it.
    const Rect kept = keep_on_a_monitor(Rect{at.x, at.y, at.x + size.width, at.y + size.height}, monitor_areas());
    at = Point{kept.left, kept.top};
  } else {
    POINT pointer{};
    GetCursorPos(&pointer);
    std::optional<Point> dragged;
    Rect fit_in = work;
    if (s.fly_pos_set) {
      // Kept inside the work area of the monitor it was dragged to, which may be left of or
      // above the main one.
      dragged = Point{s.fly_x, s.fly_y};
      fit_in = work_area_near(Rect{s.fly_x, s.fly_y, s.fly_x + size.width, s.fly_y + size.height}, monitor_areas(),
                              work);
    }
    at = place_popup(fit_in, size, Point{pointer.x, pointer.y}, dragged);
  }
  ui.visible = true;
  ui.size_key = current_size_key(ui);
  ui.shared->panel_open.store(true);
  SetWindowPos(hwnd, mode_z_order(ui), at.x, at.y, size.width, size.height, 0);
  ShowWindow(hwnd, SW_SHOW);
  SetForegroundWindow(hwnd);
  // The panel takes the keys, so that Tab starts at the page's first piece; a letter typed on a
  // page with a search or filter field goes on into that field.
  SetFocus(hwnd);
  initialize_focus_cues(hwnd, false);  // no focus ring until a key is used
  repaint_panel(hwnd);
}

void open_panel_by_keyboard(UiState& ui, HWND hwnd) {
  if (ui.visible) {
    bring_forward(hwnd);
  } else {
    show_panel(ui, hwnd);
  }
  initialize_focus_cues(hwnd, true);
  focus_first_piece_on_paint(hwnd);
  repaint_panel(hwnd);
}

void hide_panel(UiState& ui, HWND hwnd) {
  if (!ui.visible) return;
  ui.visible = false;
  ui.shared->panel_open.store(false);
  save(ui);
  ShowWindow(hwnd, SW_HIDE);
  ui.back_buffer.release();  // nothing is painted while hidden
}

void set_pinned(UiState& ui, HWND hwnd, bool show) {
  if (show) {
    ui.settings.pinned = true;
  } else {
    if (ui.settings.pinned) {
      // The pop-up comes back where the pinned window was.
      const RECT r = window_rect(hwnd);
      if (r.left < r.right) {
        ui.settings.fly_x = r.left;
        ui.settings.fly_y = r.top;
        ui.settings.fly_pos_set = true;
      }
    }
    ui.settings.pinned = false;
  }
  const DWORD visible_bit = static_cast<DWORD>(GetWindowLongPtrW(hwnd, GWL_STYLE)) & WS_VISIBLE;
  SetWindowLongPtrW(hwnd, GWL_STYLE, (ui.settings.pinned ? kPinnedStyle : kPopupStyle) | visible_bit);
  SetWindowLongPtrW(hwnd, GWL_EXSTYLE, ui.settings.pinned ? kPinnedExStyle : kPopupExStyle);
  const Size size = panel_size(ui, hwnd);
  SetWindowPos(hwnd, mode_z_order(ui), 0, 0, size.width, size.height, SWP_FRAMECHANGED | SWP_NOMOVE);
  // Saved once the window has its new style and size, so the file never runs ahead of the mode.
  save(ui);
  if (show || ui.visible) show_panel(ui, hwnd);
}

void toggle_panel(UiState& ui, HWND hwnd) {
  if (ui.settings.pinned) {
    if (ui.visible) {
      bring_forward(hwnd);
    } else {
      show_panel(ui, hwnd);
    }
  } else if (ui.visible) {
    hide_panel(ui, hwnd);
  } else {
    show_panel(ui, hwnd);
  }
}

void open_from_balloon(UiState& ui, HWND hwnd) {
  if (ui.visible) {
    bring_forward(hwnd);
  } else {
    show_panel(ui, hwnd);
  }
  if (!ui.pending_page) return;
  const Page page = *std::exchange(ui.pending_page, std::nullopt);
  navigate(ui, hwnd, page, 0);
  if (page == Page::kMessages) ui.panel.expanded_messages = {0};
}

void fit_panel(UiState& ui, HWND hwnd) {
  if (ui.settings.pinned) return;
  const SizeKey key = current_size_key(ui);
  if (ui.size_key == key) return;
  const Size size = panel_size(ui, hwnd);
  UINT flags = SWP_NOZORDER | SWP_NOACTIVATE;
  const RECT r = window_rect(hwnd);
  int32_t top = r.top;
  if (ui.visible) {
    // A shown pop-up that grows moves up so that its bottom stays inside the work area; one in its
    // own place above the taskbar stays there as it grows or shrinks.
    top = refit_popup_top(work_area(), r.top, size.height, !ui.settings.fly_pos_set);
  } else {
    flags |= SWP_NOMOVE;  // showing places it
  }
  SetWindowPos(hwnd, nullptr, r.left, top, size.width, size.height, flags);
  ui.size_key = key;
}

void apply_on_top(UiState& ui, HWND hwnd) {
  SetWindowPos(hwnd, mode_z_order(ui), 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

void rebuild_fonts(UiState& ui) {
  ui.ui_scale = ui_scale_for(ui.dpi_scale, ui.settings.text_size);
  // The fields take the new font before the old one is deleted: a field redraws with the font it
  // holds, and a deleted font draws nothing or the system's default.
  FontSet old = std::exchange(ui.fonts, create_font_set(ui.ui_scale));
  for (HWND field : ui.fields) {
    if (field) SendMessageW(field, WM_SETFONT, reinterpret_cast<WPARAM>(ui.fonts.body), TRUE);
  }
  delete_font_set(old);
}

void follow_dpi(UiState& ui, HWND hwnd, uint32_t dpi, const RECT* suggested) {
  if (dpi == 0) return;
  ui.dpi = dpi;
  ui.dpi_scale = dpi_scale_for(dpi);
  rebuild_fonts(ui);
  ui.panel.layout_key.reset();  // every length changed: the fields are laid out again
  ui.size_key.reset();
  if (ui.settings.pinned) {
    if (suggested && suggested->left < suggested->right && suggested->top < suggested->bottom) {
      SetWindowPos(hwnd, nullptr, suggested->left, suggested->top, suggested->right - suggested->left,
                   suggested->bottom - suggested->top, SWP_NOZORDER | SWP_NOACTIVATE);
      if (ui.visible) {
        // The size messages of this move arrive while UiState is lent out; keep the new place.
        ui.settings.win_x = suggested->left;
        ui.settings.win_y = suggested->top;
        ui.settings.win_pos_set = true;
        if (uses_stored_size(ui.settings)) {
          ui.settings.win_w = suggested->right - suggested->left;
          ui.settings.win_h = suggested->bottom - suggested->top;
        }
      }
    }
  } else {
    fit_panel(ui, hwnd);  // the content's size at the new scale, kept inside the work area
  }
  repaint_panel(hwnd);
}

void apply_theme(UiState& ui) {
  refresh_high_contrast();
  set_current_theme(ui.settings.theme);
  ui.field_brush.reset(CreateSolidBrush(colorref(current_theme().input)));
}

void restart_app_series(UiState& ui) { ui.app_series = AppHistory{}; }

void rebuild_tray_icons(UiState& ui) { sync_tray_icons(ui.tray, ui.settings); }

}  // namespace qv
