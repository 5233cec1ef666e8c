#pragma once
// The tray icons' right-click menu: "Settings", "Start with Windows", "Exit".
#include <windows.h>

namespace qv {

struct UiState;

inline constexpr UINT kMenuExit = 100;
inline constexpr UINT kMenuStartWithWindows = 101;
inline constexpr UINT kMenuSettings = 102;

// Shows the menu at the pointer and carries out the choice.
void show_tray_menu(UiState& ui, HWND hwnd);

}  // namespace qv
