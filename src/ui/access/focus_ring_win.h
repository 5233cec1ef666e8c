#pragma once
// The keyboard focus ring and when it shows. As in the system's own dialogs, the ring stays hidden
// while the window is used with the mouse and appears once a key moves the focus; the window's
// UI state (WM_CHANGEUISTATE / WM_QUERYUISTATE, UISF_HIDEFOCUS) carries that, so the system
// and child controls agree with it.
#include <windows.h>

#include <optional>

#include "ui/access/focus_model.h"
#include "ui/gdi/geometry.h"

namespace qv {

// The ring inside `region` in the current theme's focus colour.
void draw_focus_ring(HDC dc, const Rect& region, float ui_scale);

// True when the window's UI state lets focus rings show.
bool focus_cues_shown(HWND window);
// On showing the window: cues shown when it was opened with the keyboard or the user asked the
// system always to show them (SPI_GETKEYBOARDCUES), hidden otherwise.
void initialize_focus_cues(HWND window, bool by_keyboard);
// A key moved the focus: cues shown from now on (nothing is sent when they already are).
void show_focus_cues(HWND window);

// The focus move of a key: Tab (Shift+Tab), arrows, Home, End, Page Up, Page Down; nothing for
// any other key.
std::optional<FocusMove> focus_move_for_key(WPARAM virtual_key, bool shift);

}  // namespace qv
