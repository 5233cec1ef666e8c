#pragma once
// The tray icons' right-click menu: "Settings", "Start with Windows", "Exit". It only asks; the
// panel carries out the choice.
#include <windows.h>

namespace qv {

enum class TrayMenuChoice { kNone, kSettings, kStartWithWindows, kExit };

inline constexpr UINT kMenuExit = 100;
inline constexpr UINT kMenuStartWithWindows = 101;
inline constexpr UINT kMenuSettings = 102;

// Shows the menu at the pointer, owned by `hwnd`, with "Start with Windows" ticked when
// `start_with_windows` is set, and returns what the user picked (kNone when dismissed).
TrayMenuChoice show_tray_menu(HWND hwnd, bool start_with_windows);

}  // namespace qv
