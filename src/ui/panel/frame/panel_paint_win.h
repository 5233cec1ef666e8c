#pragma once
// The panel's paint: the current page drawn off screen, copied to the window in one transfer,
// and the click regions of that paint recorded in ui.panel.hit_regions.
#include <windows.h>

namespace qv {

struct UiState;

// WM_PAINT of the panel window (calls BeginPaint/EndPaint itself).
void paint_panel(UiState& ui, HWND hwnd);

}  // namespace qv
