#include "ui/tray/tray_menu_win.h"

#include "main/panel_window_win.h"
#include "main/ui_state_win.h"
#include "util/startup_task_win.h"

namespace qv {

void show_tray_menu(UiState& ui, HWND hwnd) {
  const bool task_exists = query_startup_task();
  HMENU menu = CreatePopupMenu();
  if (!menu) return;
  AppendMenuW(menu, MF_STRING, kMenuSettings, L"Settings");
  AppendMenuW(menu, MF_STRING | (task_exists ? MF_CHECKED : MF_UNCHECKED), kMenuStartWithWindows,
              L"Start with Windows");
  AppendMenuW(menu, MF_STRING, kMenuExit, L"Exit");
  // Without the foreground the menu would not close when the user clicks elsewhere.
  SetForegroundWindow(hwnd);
  POINT at{};
  GetCursorPos(&at);
  const UINT choice = static_cast<UINT>(
      TrackPopupMenu(menu, TPM_RETURNCMD | TPM_NONOTIFY | TPM_RIGHTBUTTON, at.x, at.y, 0, hwnd, nullptr));
  DestroyMenu(menu);
  switch (choice) {
    case kMenuExit:
      // Destroyed once UiState is given back, so that WM_DESTROY saves and removes the icons.
      ui.after_message = AfterMessage::kDestroy;
      break;
    case kMenuStartWithWindows:
      if (task_exists) {
        delete_startup_tasks();
      } else {
        create_startup_task();
      }
      break;
    case kMenuSettings:
      ui.autostart_on = query_startup_task();
      ui.autostart_failed = false;
      ui.panel.page = 2;  // settings home, without the other effects of navigating
      if (ui.visible) {
        repaint_panel(hwnd);
      } else {
        show_panel(ui, hwnd);
      }
      break;
    default:
      break;
  }
}

}  // namespace qv
