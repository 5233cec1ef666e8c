#include "ui/tray/tray_menu_win.h"

namespace qv {

TrayMenuChoice show_tray_menu(HWND hwnd, bool start_with_windows) {
  HMENU menu = CreatePopupMenu();
  if (!menu) return TrayMenuChoice::kNone;
  AppendMenuW(menu, MF_STRING, kMenuSettings, L"Settings");
  AppendMenuW(menu, MF_STRING | (start_with_windows ? MF_CHECKED : MF_UNCHECKED), kMenuStartWithWindows,
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
      return TrayMenuChoice::kExit;
    case kMenuStartWithWindows:
      return TrayMenuChoice::kStartWithWindows;
    case kMenuSettings:
      return TrayMenuChoice::kSettings;
    default:
      return TrayMenuChoice::kNone;
  }
}

}  // namespace qv
