// The panel window's message handler, and the guard that lends it UiState for one message.
// The panel has no timers: every change over time arrives with WM_SAMPLE from the sampler thread.
#include "ui/panel/frame/panel_window_win.h"

#include <windowsx.h>

#include <algorithm>
#include <array>
#include <deque>
#include <mutex>
#include <utility>

#include "config/settings_file_win.h"
#include "core/clock.h"
#include "core/messages.h"
#include "etw/trace_control_win.h"
#include "sampler/drive_types.h"
#include "ui/access/focus_ring_win.h"
#include "ui/gdi/scale.h"
#include "ui/panel/alert_editor/app_picker_win.h"
#include "ui/panel/app_detail/close_apps_win.h"
#include "ui/panel/frame/field_keys.h"
#include "ui/panel/frame/hit_test.h"
#include "ui/panel/ai/messages_model.h"
#include "ui/panel/overview/overview_model.h"
#include "ui/panel/frame/panel_access_win.h"
#include "ui/panel/frame/panel_actions_win.h"
#include "ui/panel/frame/panel_paint_win.h"
#include "ui/overlay/overlay_win.h"
#include "ui/panel/frame/panel_show_win.h"
#include "ui/panel/frame/ui_state_win.h"
#include "ui/panel/kit/panel_widgets_win.h"
#include "ui/tray/tray_menu_win.h"
#include "ui/widget/widget_win.h"
#include "util/startup_task_win.h"
#include "util/wide_win.h"

namespace qv {
namespace {

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

void save(const UiState& ui) { save_settings(ui.settings); }

// Escape: the overview empties its search first and then hides the pop-up (never a pinned
// panel); every other page steps back as Back does.
void on_escape(UiState& ui, HWND hwnd) {
  PanelState& p = ui.panel;
  if (p.page != Page::kOverview) {
    go_back(ui, hwnd);
    return;
  }
  if (!p.filter_text.empty()) {
    p.filter_text.clear();
    // The field's own change notice arrives while UiState is borrowed and is not seen here.
    set_field_text(ui.field(TextField::kFilter), "");
    repaint_panel(hwnd);
  } else if (!ui.settings.pinned) {
    hide_panel(ui, hwnd);
  }
}

// The field that has the keyboard focus, if it is one of the panel's.
std::optional<TextField> focused_field(const UiState& ui) {
  const HWND focus = GetFocus();
  for (size_t i = 0; i < ui.fields.size(); ++i) {
    if (focus && ui.fields[i] == focus) return static_cast<TextField>(i + 1);
  }
  return std::nullopt;
}

// Enter in a field does what the button beside it does (add the request, save the alert).
void on_enter(UiState& ui, HWND hwnd) {
  const std::optional<TextField> field = focused_field(ui);
  if (!field) return;
  if (const std::optional<ActionKind> kind = enter_action(ui.panel, *field)) perform_panel_action(ui, hwnd, make_action(*kind));
}

// Tab and Shift+Tab move between the fields the page shows, with the text selected as the
// system's dialogs do.
void on_tab(UiState& ui) {
  const std::optional<TextField> field = focused_field(ui);
  if (!field) return;
  std::array<bool, kTextFieldCount> shown{};
  for (size_t i = 0; i < shown.size(); ++i) shown[i] = ui.fields[i] && IsWindowVisible(ui.fields[i]);
  const bool backwards = (GetKeyState(VK_SHIFT) & 0x8000) != 0;
  if (const std::optional<TextField> next = next_field(shown, *field, backwards)) {
    SetFocus(ui.field(*next));
    SendMessageW(ui.field(*next), EM_SETSEL, 0, -1);
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
  const bool changed = hover_region_changed(
      p.hit_regions, p.hover_valid ? std::optional(std::pair(p.hover_x, p.hover_y)) : std::nullopt, x, y);
  p.hover_valid = true;
  p.hover_x = x;
  p.hover_y = y;
  // Repainting on every move would redraw the whole panel for nothing.
  if (changed || ui.dragging) repaint_panel(hwnd);
}

void on_left_button_down(UiState& ui, HWND hwnd, LPARAM lparam) {
  // Every painted page has regions; none means the page changed and is not painted yet, so
  // the click cannot be resolved against what the user saw.
  if (ui.panel.hit_regions.empty()) return;
  const std::optional<size_t> hit = hit_test(ui.panel.hit_regions, GET_X_LPARAM(lparam), GET_Y_LPARAM(lparam));
  if (hit && ui.panel.hit_regions[*hit].action.kind != ActionKind::kNone) {
    const Action action = ui.panel.hit_regions[*hit].action;
    perform_panel_action(ui, hwnd, action);
    return;
  }
  // The system's move loop must run once UiState is given back, or the panel would never see
  // the end of the move and could not keep the new position. A press that is not down any more
  // (a click sent by another program, or one already released) would leave that loop waiting
  // for a release that never comes, and the panel frozen until the next real click.
  if (!ui.settings.pinned && (GetKeyState(VK_LBUTTON) & 0x8000) != 0) ui.after_message = AfterMessage::kMoveByBody;
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
  update_overlay(ui);
  update_widget(ui, mem_pct(ui.snapshot_copy));
  fit_panel(ui, hwnd);
  // A hidden panel is painted afresh when it is shown; invalidating it now costs the system's
  // bookkeeping on every sample for a picture nobody sees.
  if (ui.visible) repaint_panel(hwnd);
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
      ui.pending_page = Page::kMessages;
    } else {
      ui.pending_page.reset();
    }
  }
  if (ui.visible) repaint_panel(hwnd);
}

void on_set_cursor(const UiState& ui, HWND hwnd, WPARAM wparam, LPARAM lparam, bool* handled) {
  *handled = false;
  // A child text field asks its parent first; it keeps its own text cursor.
  if (reinterpret_cast<HWND>(wparam) != hwnd || LOWORD(lparam) != HTCLIENT) return;
  POINT pt{};
  GetCursorPos(&pt);
  ScreenToClient(hwnd, &pt);
  const std::optional<size_t> hit = hit_test(ui.panel.hit_regions, pt.x, pt.y);
  if (hit && ui.panel.hit_regions[*hit].action.kind != ActionKind::kNone) {
    SetCursor(LoadCursorW(nullptr, IDC_HAND));
  } else if (!ui.settings.pinned) {
    SetCursor(LoadCursorW(nullptr, IDC_SIZEALL));  // the pop-up can be dragged by its body
  } else {
    return;
  }
  *handled = true;
}

void run_tray_menu(HWND hwnd);
void run_close_question(HWND hwnd);
void run_app_picker(HWND hwnd);

void run_after_message(HWND hwnd, AfterMessage what) {
  switch (what) {
    case AfterMessage::kTrayMenu:
      run_tray_menu(hwnd);
      break;
    case AfterMessage::kCloseQuestion:
      run_close_question(hwnd);
      break;
    case AfterMessage::kAppPicker:
      run_app_picker(hwnd);
      break;
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

// Lends UiState to `body` as a message would and then runs the work it left for afterwards.
// Nothing happens when the slot is empty or already lent.
template <typename Body>
void borrow(HWND hwnd, Body body) {
  if (!t_ui_state || t_borrowed) return;
  t_borrowed = true;
  body(*t_ui_state);
  t_borrowed = false;
  run_after_message(hwnd, std::exchange(t_ui_state->after_message, AfterMessage::kNothing));
}

// Runs with UiState free: the menu's own message loop hands the panel its samples, paints and
// notifications, which are handled as usual. The choice is carried out afterwards.
void run_tray_menu(HWND hwnd) {
  const bool task_exists = query_startup_task();
  const TrayMenuChoice choice = show_tray_menu(hwnd, task_exists);
  borrow(hwnd, [&](UiState& ui) { carry_out_tray_choice(ui, hwnd, choice, task_exists); });
}

// The request was taken from the list the user clicked; the box's loop hands the panel its
// samples and notifications meanwhile, and the next sample shows what was ended.
void run_close_question(HWND hwnd) {
  if (!t_ui_state || t_borrowed) return;
  const std::optional<CloseRequest> request = std::exchange(t_ui_state->pending_close, std::nullopt);
  if (request) close_processes(hwnd, request->name, request->pids);
}

// The chosen name fills the app field only if the editor is still open: the menu's loop may have
// let the page change.
void run_app_picker(HWND hwnd) {
  if (!t_ui_state || t_borrowed) return;
  const std::vector<std::string> names = std::exchange(t_ui_state->pending_picker, {});
  const std::optional<std::string> chosen = pick_app_from_menu(hwnd, names);
  if (!chosen) return;
  borrow(hwnd, [&](UiState& ui) {
    if (ui.panel.page == Page::kAlertEditor) set_field_text(ui.field(TextField::kFilter), *chosen);
  });
}

}  // namespace

// The tray menu only reports the choice; the panel carries it out.
void carry_out_tray_choice(UiState& ui, HWND hwnd, TrayMenuChoice choice, bool task_existed) {
  switch (choice) {
    case TrayMenuChoice::kExit:
      // Destroyed once UiState is given back, so that WM_DESTROY saves and removes the icons.
      ui.after_message = AfterMessage::kDestroy;
      break;
    case TrayMenuChoice::kStartWithWindows:
      if (task_existed) {
        delete_startup_tasks();
      } else {
        create_startup_task();
      }
      break;
    case TrayMenuChoice::kSettings:
      // Through every step of navigating (it also reads the start-up task): from app detail the
      // parked search text comes back instead of being lost. Shown afterwards, so that the
      // focus follows the settings page.
      navigate(ui, hwnd, Page::kSettingsHome, 0);
      if (!ui.visible) show_panel(ui, hwnd);
      break;
    case TrayMenuChoice::kNone:
      break;
  }
}

void set_ui_state(std::unique_ptr<UiState> state) { t_ui_state = std::move(state); }

void with_ui_state(void (*body)(UiState& ui)) {
  if (!t_ui_state) return;
  borrow(t_ui_state->window, body);
}

bool handle_panel_message(UiState& ui, HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam, LRESULT* result) {
  *result = 0;
  if (ui.taskbar_created_msg != 0 && msg == ui.taskbar_created_msg) {
    re_add_tray_icons(ui.tray);
    return true;
  }
  switch (msg) {
    case WM_DESTROY: {
      drop_panel_access();
      save(ui);
      remove_tray_icons(ui.tray);
      stop_own_trace_session();
      PostQuitMessage(0);
      return true;
    }
    case WM_MOVE: {
      // A minimised window sits at -32000, -32000; that is no place to reopen at.
      if (ui.settings.pinned && ui.visible && !IsIconic(hwnd)) {
        const RECT r = window_rect(hwnd);
        ui.settings.win_x = r.left;
        ui.settings.win_y = r.top;
        ui.settings.win_pos_set = true;
      }
      return true;
    }
    case WM_EXITSIZEMOVE: {
      if (ui.visible) {
        const RECT r = window_rect(hwnd);
        if (ui.settings.pinned) {
          ui.settings.win_x = r.left;
          ui.settings.win_y = r.top;
          ui.settings.win_pos_set = true;
        } else {
          ui.settings.fly_x = r.left;
          ui.settings.fly_y = r.top;
          ui.settings.fly_pos_set = true;
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
    case WM_DPICHANGED:
      follow_dpi(ui, hwnd, LOWORD(wparam), reinterpret_cast<const RECT*>(lparam));
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
      on_set_cursor(ui, hwnd, wparam, lparam, &handled);
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
      if (panel_access_key(ui, hwnd, wparam)) return true;
      if (wparam == VK_ESCAPE) on_escape(ui, hwnd);
      if (wparam == VK_RETURN) on_enter(ui, hwnd);
      if (wparam == VK_TAB) on_tab(ui);
      // A key that moves the focus shows focus rings from now on, as in the system's dialogs. The
      // state's own notice comes back while UiState is lent out, so the repaint is asked here.
      if (focus_move_for_key(wparam, GetKeyState(VK_SHIFT) < 0)) {
        show_focus_cues(hwnd);
        repaint_panel(hwnd);
      }
      return true;
    case WM_CHAR:
      return panel_access_char(ui, hwnd, wparam);
    case WM_UPDATEUISTATE:
      repaint_panel(hwnd);  // rings shown or hidden; the system keeps the state itself
      return false;
    case WM_COMMAND:
      if (LOWORD(wparam) == control_id(TextField::kFilter) && HIWORD(wparam) == EN_CHANGE) on_filter_field_changed(ui, hwnd);
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
    case WM_CAPTURECHANGED:
      // The mouse went elsewhere mid-drag (another window took it, a menu opened): the drag ends
      // where it is, without a drop, or the next release anywhere would move a metric.
      if (!ui.dragging || reinterpret_cast<HWND>(lparam) == hwnd) return false;
      ui.dragging = false;
      repaint_panel(hwnd);
      return true;
    case WM_MOUSEWHEEL:
      scroll_by_wheel(ui, hwnd, GET_WHEEL_DELTA_WPARAM(wparam));  // px(52) per notch; repaints
      return true;
    case kWmTray:
      switch (tray_request(ui.tray, LOWORD(lparam))) {
        case TrayRequest::kToggle:
          toggle_panel(ui, hwnd);
          break;
        case TrayRequest::kOpenByKeyboard:
          open_panel_by_keyboard(ui, hwnd);
          break;
        case TrayRequest::kMenu:
          ui.after_message = AfterMessage::kTrayMenu;
          break;
        case TrayRequest::kBalloonClicked:
          open_from_balloon(ui, hwnd);
          break;
        case TrayRequest::kNone:
          break;
      }
      return true;
    case WM_SYSCOLORCHANGE:
    case WM_SETTINGCHANGE:
      // High contrast may have been switched or recoloured; the system's own handling follows.
      apply_theme(ui);
      repaint_panel(hwnd);
      return false;
    case kWmSample:
      on_sample(ui, hwnd);
      return true;
    case kWmAccessRequest:
      carry_out_access_requests(ui, hwnd);
      return true;
    case kWmNotifyQueued:
      on_notifications(ui, hwnd);
      return true;
    default:
      return false;
  }
}

namespace {

// A message that another thread sent while this thread waited inside a call of its own finds
// UiState lent out: Shell_NotifyIconW, for one, waits for the taskbar's process, and the system
// hands this thread the messages sent to it meanwhile. Input of that kind (a tray callback, a
// click another program sends) is kept and handled in order once UiState is given back, instead
// of being dropped. Messages whose answer the sender reads cannot wait and are not kept.
struct HeldMessage {
  HWND hwnd;
  UINT msg;
  WPARAM wparam;
  LPARAM lparam;
};
thread_local std::deque<HeldMessage> t_held;
// More than any burst of input; past it, the oldest behaviour (dropped) comes back.
constexpr size_t kMaxHeldMessages = 256;

bool can_wait_for_ui_state(UINT msg) {
  switch (msg) {
    case WM_MOUSEMOVE:
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP:
    case WM_MOUSEWHEEL:
    case WM_KEYDOWN:
    case kWmTray:
    case kWmSample:
    case kWmNotifyQueued:
      return true;
    default:
      return false;
  }
}

LRESULT handle_with_ui_state(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam) {
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

}  // namespace

LRESULT CALLBACK panel_window_proc(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam) {
  // Signing out or shutting down ends the process soon after this returns, without WM_DESTROY:
  // the settings are saved and the trace session is stopped here. This also holds while a
  // modal loop (a message box) has UiState borrowed; saving only reads it.
  if (msg == WM_ENDSESSION && wparam && t_ui_state) {
    save(*t_ui_state);
    stop_own_trace_session();
    return 0;
  }
  // A volume came or went: the sampler reads the drive letters again at its next tick, whatever
  // message holds UiState (only the shared state is touched). The answer is the usual one.
  if (msg == WM_DEVICECHANGE && t_ui_state && t_ui_state->shared && device_event_moves_drives(wparam)) {
    t_ui_state->shared->drives_changed.store(true);
  }
  // Readers read the published page, so they are answered whatever message holds UiState.
  if (msg == WM_GETOBJECT) {
    if (const std::optional<LRESULT> answer = panel_get_object(hwnd, wparam, lparam)) return *answer;
    return DefWindowProcW(hwnd, msg, wparam, lparam);
  }
  if (!t_ui_state) return default_treatment(hwnd, msg, wparam, lparam);
  if (t_borrowed) {
    // Only messages from another thread: this thread's own nested messages (a text field's
    // change notice while the panel sets its text) are meant to pass by.
    if (InSendMessage() && can_wait_for_ui_state(msg) && t_held.size() < kMaxHeldMessages) {
      t_held.push_back(HeldMessage{hwnd, msg, wparam, lparam});
      return 0;
    }
    return default_treatment(hwnd, msg, wparam, lparam);
  }
  const LRESULT out = handle_with_ui_state(hwnd, msg, wparam, lparam);
  while (!t_held.empty() && !t_borrowed && t_ui_state) {
    const HeldMessage held = t_held.front();
    t_held.pop_front();
    if (IsWindow(held.hwnd)) handle_with_ui_state(held.hwnd, held.msg, held.wparam, held.lparam);
  }
  return out;
}

}  // namespace qv
