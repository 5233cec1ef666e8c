// The panel window's message handler, and the guard that lends it UiState for one message.
// The panel is shown as a pop-up above the taskbar or as a pinned ordinary window; it has no
// timers: every change over time arrives with WM_SAMPLE from the sampler thread.
#include "main/panel_window_win.h"

#include <windowsx.h>

#include <algorithm>
#include <deque>
#include <mutex>
#include <utility>

#include "config/settings_file_win.h"
#include "etw/trace_control_win.h"
#include "main/messages.h"
#include "main/ui_state_win.h"
#include "ui/gdi/scale.h"
#include "ui/panel/hit_test.h"
#include "ui/panel/panel_actions_win.h"
#include "sampler/publish.h"
#include "ui/panel/messages_model.h"
#include "ui/panel/overview_model.h"
#include "ui/panel/panel_paint_win.h"
#include "ui/tray/tray_menu_win.h"
#include "util/wide_win.h"

namespace qv {
namespace {

constexpr DWORD kPopupStyle = WS_POPUP | WS_CLIPCHILDREN | WS_BORDER;
constexpr DWORD kPopupExStyle = WS_EX_TOPMOST | WS_EX_TOOLWINDOW;
constexpr DWORD kPinnedStyle = WS_CLIPCHILDREN | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | WS_MINIMIZEBOX;
constexpr DWORD kPinnedExStyle = WS_EX_APPWINDOW;
constexpr int kFilterFieldIndex = 0;  // control id 1

// One slot per UI thread; `borrowed` marks that an outer message of this thread holds it.
thread_local std::unique_ptr<UiState> t_ui_state;
thread_local bool t_borrowed = false;

LRESULT default_treatment(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam) {
  if (msg == WM_DESTROY) {
    PostQuitMessage(0);
    return 0;
  }
  return DefWindowProcW(hwnd, msg, wparam, lparam);
}

HWND mode_z_order(const UiState& ui) {
  if (!ui.settings.pinned) return HWND_TOPMOST;
  return ui.settings.on_top ? HWND_TOPMOST : HWND_NOTOPMOST;
}

Rect work_area() {
  RECT r{};
  if (!SystemParametersInfoW(SPI_GETWORKAREA, 0, &r, 0)) return Rect{0, 0, 800, 600};
  return Rect{r.left, r.top, r.right, r.bottom};
}

RECT window_rect(HWND hwnd) {
  RECT r{};
  GetWindowRect(hwnd, &r);
  return r;
}

SizeKey current_size_key(const UiState& ui) {
  return SizeKey{ui.snapshot_copy.drives.size(), ai_banner_rows(ui), shown_metric_count(ui.settings)};
}

void save(const UiState& ui) { save_settings(ui.settings); }

// Escape: the overview empties its search first and then hides the pop-up (never a pinned
// panel); every other page steps back.
void on_escape(UiState& ui, HWND hwnd) {
  PanelState& p = ui.panel;
  switch (static_cast<Page>(p.page)) {
    case Page::kOverview:
      if (!p.filter_text.empty()) {
        p.filter_text.clear();
        // The field's own change notice arrives while UiState is borrowed and is not seen here.
        set_field_text(ui.fields[kFilterFieldIndex], "");
        repaint_panel(hwnd);
      } else if (!ui.settings.pinned) {
        hide_panel(ui, hwnd);
      }
      return;
    case Page::kSettingsSection:
      navigate(ui, hwnd, static_cast<uint8_t>(Page::kSettingsHome), 0);
      return;
    case Page::kAlertEditor:
      navigate(ui, hwnd, static_cast<uint8_t>(Page::kSettingsSection), 4);
      return;
    case Page::kAppDetail:
      navigate(ui, hwnd, p.return_page, p.return_sub_page);
      return;
    default:
      navigate(ui, hwnd, static_cast<uint8_t>(Page::kOverview), 0);
      return;
  }
}

void on_mouse_move(UiState& ui, HWND hwnd, LPARAM lparam) {
  if (!ui.tracking_leave) {
    TRACKMOUSEEVENT track{};
    track.cbSize = sizeof track;
    track.dwFlags = TME_LEAVE;
    track.hwndTrack = hwnd;
    TrackMouseEvent(&track);
    ui.tracking_leave = true;
  }
  const int32_t x = GET_X_LPARAM(lparam);
  const int32_t y = GET_Y_LPARAM(lparam);
  PanelState& p = ui.panel;
  const std::optional<size_t> before = p.hover_valid ? hit_test(p.hit_regions, p.hover_x, p.hover_y) : std::nullopt;
  const std::optional<size_t> after = hit_test(p.hit_regions, x, y);
  p.hover_valid = true;
  p.hover_x = x;
  p.hover_y = y;
  // Repainting on every move would redraw the whole panel for nothing.
  if (before != after || ui.dragging) repaint_panel(hwnd);
}

void on_left_button_down(UiState& ui, HWND hwnd, LPARAM lparam) {
  const std::optional<size_t> hit = hit_test(ui.panel.hit_regions, GET_X_LPARAM(lparam), GET_Y_LPARAM(lparam));
  if (hit) {
    const Action action = ui.panel.hit_regions[*hit].action;
    perform_panel_action(ui, hwnd, action);
    return;
  }
  // The system's move loop must run once UiState is given back, or the panel would never see
  // the end of the move and could not keep the new position.
  if (!ui.settings.pinned) ui.after_message = AfterMessage::kMoveByBody;
}

bool on_left_button_up(UiState& ui, HWND hwnd, LPARAM lparam) {
  if (!ui.dragging) return false;
  ui.dragging = false;
  ReleaseCapture();
  const std::optional<size_t> target = drag_target_row(GET_Y_LPARAM(lparam), ui.drag_list_top, ui.drag_row_height,
                                                       ui.settings.main_metrics.size());
  if (target) {
    move_main_metric(ui.settings.main_metrics, ui.drag_index, *target);
    save(ui);
  }
  repaint_panel(hwnd);
  return true;
}

void on_sample(UiState& ui, HWND hwnd) {
  {
    std::lock_guard<std::mutex> lock(ui.shared->snapshot_mutex);
    ui.snapshot_copy = ui.shared->snapshot;
  }
  push_overview_sample(ui.overview_series, ui.snapshot_copy);
  if (ui.panel.selected_app) push_app_sample(ui.app_series, ui.snapshot_copy, *ui.panel.selected_app);
  refresh_tray_icons(ui.tray, ui.snapshot_copy);
  fit_panel(ui, hwnd);
  repaint_panel(hwnd);
}

std::string local_clock_text() {
  SYSTEMTIME now{};
  GetLocalTime(&now);
  return clock_text(now.wHour, now.wMinute);
}

void on_notifications(UiState& ui, HWND hwnd) {
  std::deque<NotificationEntry> queue;
  {
    std::lock_guard<std::mutex> lock(ui.shared->notifications_mutex);
    queue.swap(ui.shared->notifications);
  }
  for (NotificationEntry& entry : queue) {
    show_tray_balloon(ui.tray, entry.title, entry.body);
    if (entry.from_ai && ui.settings.mcp_enabled) {
      record_message(ui.messages, MessageEntry{local_clock_text(), std::move(entry.title), std::move(entry.body)});
      shift_expanded_for_new_message(ui.panel.expanded_messages);
      ui.pending_page = static_cast<uint8_t>(Page::kMessages);
    } else {
      ui.pending_page = kNoPendingPage;
    }
  }
  if (ui.visible) repaint_panel(hwnd);
}

void on_set_cursor(const UiState& ui, HWND hwnd, LPARAM lparam, bool* handled) {
  *handled = false;
  if (LOWORD(lparam) != HTCLIENT) return;
  POINT pt{};
  GetCursorPos(&pt);
  ScreenToClient(hwnd, &pt);
  if (hit_test(ui.panel.hit_regions, pt.x, pt.y)) {
    SetCursor(LoadCursorW(nullptr, IDC_HAND));
  } else if (!ui.settings.pinned) {
    SetCursor(LoadCursorW(nullptr, IDC_SIZEALL));  // the pop-up can be dragged by its body
  } else {
    return;
  }
  *handled = true;
}

// A shown panel asked for again comes to the front; a minimised pinned window is restored
// first, or the click would seem to do nothing.
void bring_forward(HWND hwnd) {
  if (IsIconic(hwnd)) ShowWindow(hwnd, SW_RESTORE);
  SetForegroundWindow(hwnd);
}

void run_after_message(HWND hwnd, AfterMessage what) {
  switch (what) {
    case AfterMessage::kMoveByBody:
      ReleaseCapture();
      SendMessageW(hwnd, WM_NCLBUTTONDOWN, HTCAPTION, 0);
      break;
    case AfterMessage::kDestroy:
      DestroyWindow(hwnd);
      break;
    case AfterMessage::kNothing:
      break;
  }
}

}  // namespace

void set_ui_state(std::unique_ptr<UiState> state) { t_ui_state = std::move(state); }

void with_ui_state(void (*body)(UiState& ui)) {
  if (!t_ui_state || t_borrowed) return;
  t_borrowed = true;
  body(*t_ui_state);
  t_borrowed = false;
  HWND hwnd = t_ui_state->window;
  run_after_message(hwnd, std::exchange(t_ui_state->after_message, AfterMessage::kNothing));
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
  AdjustWindowRectEx(&r, static_cast<DWORD>(GetWindowLongPtrW(hwnd, GWL_STYLE)), FALSE,
                     static_cast<DWORD>(GetWindowLongPtrW(hwnd, GWL_EXSTYLE)));
  return Size{r.right - r.left, r.bottom - r.top};
}

void show_panel(UiState& ui, HWND hwnd) {
  const Size size = panel_size(ui, hwnd);
  const Rect work = work_area();
  Point at;
  if (ui.settings.pinned) {
    at = place_pinned(work, size, ui.settings.win_x, ui.settings.win_y);
  } else {
    POINT pointer{};
    GetCursorPos(&pointer);
    at = place_popup(work, size, Point{pointer.x, pointer.y}, ui.settings.fly_x, ui.settings.fly_y);
  }
  ui.visible = true;
  ui.size_key = current_size_key(ui);
  ui.shared->panel_open.store(true);
  SetWindowPos(hwnd, mode_z_order(ui), at.x, at.y, size.width, size.height, 0);
  ShowWindow(hwnd, SW_SHOW);
  SetForegroundWindow(hwnd);
  SetFocus(ui.fields[kFilterFieldIndex]);
  repaint_panel(hwnd);
}

void hide_panel(UiState& ui, HWND hwnd) {
  if (!ui.visible) return;
  ui.visible = false;
  ui.shared->panel_open.store(false);
  save(ui);
  ShowWindow(hwnd, SW_HIDE);
}

void set_pinned(UiState& ui, HWND hwnd, bool show) {
  if (show) {
    ui.settings.pinned = true;
  } else {
    if (ui.settings.pinned) {
      // The pop-up comes back where the pinned window was.
      const RECT r = window_rect(hwnd);
      if (r.left < r.right) {
        ui.settings.fly_x = std::max<int32_t>(r.left, 0);
        ui.settings.fly_y = std::max<int32_t>(r.top, 0);
      }
    }
    ui.settings.pinned = false;
  }
  save(ui);
  const DWORD visible_bit = static_cast<DWORD>(GetWindowLongPtrW(hwnd, GWL_STYLE)) & WS_VISIBLE;
  SetWindowLongPtrW(hwnd, GWL_STYLE, (ui.settings.pinned ? kPinnedStyle : kPopupStyle) | visible_bit);
  SetWindowLongPtrW(hwnd, GWL_EXSTYLE, ui.settings.pinned ? kPinnedExStyle : kPopupExStyle);
  const Size size = panel_size(ui, hwnd);
  SetWindowPos(hwnd, mode_z_order(ui), 0, 0, size.width, size.height, SWP_FRAMECHANGED | SWP_NOMOVE);
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
  if (ui.pending_page == kNoPendingPage) return;
  const uint8_t page = std::exchange(ui.pending_page, kNoPendingPage);
  navigate(ui, hwnd, page, 0);
  if (page == static_cast<uint8_t>(Page::kMessages)) ui.panel.expanded_messages = {0};
}

void fit_panel(UiState& ui, HWND hwnd) {
  if (ui.settings.pinned) return;
  const SizeKey key = current_size_key(ui);
  if (ui.size_key == key) return;
  const Size size = panel_size(ui, hwnd);
  SetWindowPos(hwnd, nullptr, 0, 0, size.width, size.height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  ui.size_key = key;
}

void apply_on_top(UiState& ui, HWND hwnd) {
  SetWindowPos(hwnd, mode_z_order(ui), 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

void rebuild_fonts(UiState& ui) {
  ui.ui_scale = ui_scale_for(ui.dpi_scale, ui.settings.text_size);
  delete_font_set(ui.fonts);
  ui.fonts = create_font_set(ui.ui_scale);
  for (HWND field : ui.fields) {
    if (field) SendMessageW(field, WM_SETFONT, reinterpret_cast<WPARAM>(ui.fonts.body), TRUE);
  }
}

void apply_theme(UiState& ui) {
  set_current_theme(ui.settings.theme);
  ui.field_brush.reset(CreateSolidBrush(colorref(current_theme().input)));
}

void restart_app_series(UiState& ui) { ui.app_series = AppHistory{}; }

void rebuild_tray_icons(UiState& ui) { sync_tray_icons(ui.tray, ui.settings); }

bool handle_panel_message(UiState& ui, HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam, LRESULT* result) {
  *result = 0;
  if (ui.taskbar_created_msg != 0 && msg == ui.taskbar_created_msg) {
    re_add_tray_icons(ui.tray);
    return true;
  }
  switch (msg) {
    case WM_DESTROY: {
      save(ui);
      remove_tray_icons(ui.tray);
      stop_own_trace_session();
      PostQuitMessage(0);
      return true;
    }
    case WM_MOVE: {
      if (ui.settings.pinned && ui.visible) {
        const RECT r = window_rect(hwnd);
        ui.settings.win_x = r.left;
        ui.settings.win_y = r.top;
      }
      return true;
    }
    case WM_EXITSIZEMOVE: {
      if (ui.visible) {
        const RECT r = window_rect(hwnd);
        if (ui.settings.pinned) {
          ui.settings.win_x = r.left;
          ui.settings.win_y = r.top;
        } else {
          ui.settings.fly_x = r.left;
          ui.settings.fly_y = r.top;
        }
        save(ui);
      }
      return true;
    }
    case WM_SIZE: {
      if (ui.settings.pinned && ui.visible && wparam != SIZE_MINIMIZED) {
        const RECT r = window_rect(hwnd);
        ui.settings.win_w = r.right - r.left;
        ui.settings.win_h = r.bottom - r.top;
      }
      repaint_panel(hwnd);
      return true;
    }
    case WM_ACTIVATE:
      return true;
    case WM_PAINT:
      paint_panel(ui, hwnd);
      return true;
    case WM_CLOSE:
      // Closing only hides the panel (and leaves pinned mode); the program lives on in the tray.
      hide_panel(ui, hwnd);
      set_pinned(ui, hwnd, false);
      return true;
    case WM_SETCURSOR: {
      bool handled = false;
      on_set_cursor(ui, hwnd, lparam, &handled);
      *result = TRUE;
      return handled;
    }
    case WM_GETMINMAXINFO: {
      if (lparam) {
        auto* info = reinterpret_cast<MINMAXINFO*>(lparam);
        const Size min = minimum_track_size(ui.ui_scale);
        info->ptMinTrackSize.x = min.width;
        info->ptMinTrackSize.y = min.height;
      }
      return true;
    }
    case WM_KEYDOWN:
      if (wparam == VK_ESCAPE) on_escape(ui, hwnd);
      return true;
    case WM_COMMAND:
      if (LOWORD(wparam) == 1 && HIWORD(wparam) == EN_CHANGE) on_filter_field_changed(ui, hwnd);
      return true;
    case WM_CTLCOLOREDIT: {
      HDC dc = reinterpret_cast<HDC>(wparam);
      SetTextColor(dc, colorref(current_theme().text));
      SetBkColor(dc, colorref(current_theme().input));
      *result = reinterpret_cast<LRESULT>(ui.field_brush.get());
      return true;
    }
    case WM_MOUSEMOVE:
      on_mouse_move(ui, hwnd, lparam);
      return true;
    case WM_MOUSELEAVE:
      ui.tracking_leave = false;
      if (ui.panel.hover_valid) {
        ui.panel.hover_valid = false;
        repaint_panel(hwnd);
      }
      return true;
    case WM_LBUTTONDOWN:
      on_left_button_down(ui, hwnd, lparam);
      return true;
    case WM_LBUTTONUP:
      return on_left_button_up(ui, hwnd, lparam);
    case WM_MOUSEWHEEL:
      scroll_by_wheel(ui, hwnd, GET_WHEEL_DELTA_WPARAM(wparam));  // px(52) per notch; repaints
      return true;
    case kWmTray:
      switch (LOWORD(lparam)) {
        case WM_LBUTTONUP:
          toggle_panel(ui, hwnd);
          break;
        case WM_RBUTTONUP:
          show_tray_menu(ui, hwnd);
          break;
        case NIN_BALLOONUSERCLICK:
          open_from_balloon(ui, hwnd);
          break;
        default:
          break;
      }
      return true;
    case kWmSample:
      on_sample(ui, hwnd);
      return true;
    case kWmNotifyQueued:
      on_notifications(ui, hwnd);
      return true;
    default:
      return false;
  }
}

LRESULT CALLBACK panel_window_proc(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam) {
  // Signing out or shutting down ends the process soon after this returns, without WM_DESTROY:
  // the settings are saved and the trace session is stopped here. This also holds while a
  // modal loop (the tray menu, a message box) has UiState borrowed; saving only reads it.
  if (msg == WM_ENDSESSION && wparam && t_ui_state) {
    save(*t_ui_state);
    stop_own_trace_session();
    return 0;
  }
  if (!t_ui_state || t_borrowed) return default_treatment(hwnd, msg, wparam, lparam);
  t_borrowed = true;
  LRESULT result = 0;
  const bool handled = handle_panel_message(*t_ui_state, hwnd, msg, wparam, lparam, &result);
  t_borrowed = false;
  // The slot may be read again from here on: the deferred work sends messages of its own.
  const AfterMessage after = std::exchange(t_ui_state->after_message, AfterMessage::kNothing);
  const LRESULT out = handled ? result : default_treatment(hwnd, msg, wparam, lparam);
  run_after_message(hwnd, after);
  return out;
}

}  // namespace qv
