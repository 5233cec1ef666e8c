// The panel window's message handler, and the guard that lends it UiState for one message.
#include <windows.h>

#include "config/settings_file_win.h"
#include "etw/trace_control_win.h"
#include "main/ui_state_win.h"

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

void hide_panel(UiState& ui, HWND hwnd) {
  if (!ui.visible) return;
  ui.visible = false;
  ui.shared->panel_open.store(false);
  save_settings(ui.settings);
  ShowWindow(hwnd, SW_HIDE);
}

}  // namespace

void set_ui_state(std::unique_ptr<UiState> state) { t_ui_state = std::move(state); }

bool handle_panel_message(UiState& ui, HWND hwnd, UINT msg, WPARAM, LPARAM, LRESULT* result) {
  switch (msg) {
    case WM_DESTROY: {
      save_settings(ui.settings);
      stop_trace_session();
      PostQuitMessage(0);
      *result = 0;
      return true;
    }
    case WM_CLOSE: {
      // Closing only hides the panel; the program lives on in the notification area.
      hide_panel(ui, hwnd);
      ui.settings.pinned = false;
      save_settings(ui.settings);
      *result = 0;
      return true;
    }
    default:
      return false;
  }
}

LRESULT CALLBACK panel_window_proc(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam) {
  if (!t_ui_state || t_borrowed) return default_treatment(hwnd, msg, wparam, lparam);
  t_borrowed = true;
  LRESULT result = 0;
  const bool handled = handle_panel_message(*t_ui_state, hwnd, msg, wparam, lparam, &result);
  t_borrowed = false;
  return handled ? result : default_treatment(hwnd, msg, wparam, lparam);
}

}  // namespace qv
