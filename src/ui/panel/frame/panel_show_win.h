#pragma once
// What the rest of the UI may ask of the panel window: show, hide, pin, resize, repaint, and
// rebuild what depends on the scale or the theme. All take the borrowed UiState.
#include <windows.h>

#include <cstdint>

#include "ui/panel/frame/panel_geometry.h"

namespace qv {

struct UiState;

// Outer size of the panel for its mode: the stored pinned size when both sides are at least
// 101, otherwise the overview's content size turned into a window size.
Size panel_size(const UiState& ui, HWND hwnd);
// The four text fields, made the first time the panel shows or paints: a monitor whose panel is
// never opened has no edit windows (nor the controls library they load).
void ensure_text_fields(UiState& ui);
// Places, shows and focuses the panel (see panel_geometry.h for where it goes).
void show_panel(UiState& ui, HWND hwnd);
// Hides a shown panel and saves the settings.
void hide_panel(UiState& ui, HWND hwnd);
// Switches to pinned (show = true) or pop-up mode, saving the settings; shows the panel when
// asked or when it is already shown.
void set_pinned(UiState& ui, HWND hwnd, bool show);
// Tray left click.
void toggle_panel(UiState& ui, HWND hwnd);
// Enter on the tray icon: shown (never hidden), in the foreground so that keys reach it, with
// focus rings shown from the start.
void open_panel_by_keyboard(UiState& ui, HWND hwnd);
// Balloon click: shows the panel and opens the page the notification asked for.
void open_from_balloon(UiState& ui, HWND hwnd);
// Pop-up only: a new size when the drives, banner rows or shown metrics changed.
void fit_panel(UiState& ui, HWND hwnd);
// Applies on_top to a pinned window at once.
void apply_on_top(UiState& ui, HWND hwnd);
// Number of AI banner rows the overview shows (0..2): messages, and agents or finished ones.
int ai_banner_rows(const UiState& ui);

void repaint_panel(HWND hwnd);
// The window's outer rectangle on the screen (empty when it cannot be read).
RECT window_rect(HWND hwnd);

// text_size changed: new ui_scale, new fonts, and the body font handed to every text field.
void rebuild_fonts(UiState& ui);
// The window moved to a monitor of another DPI: new scale and fonts, then the pinned window
// takes the suggested rectangle and the pop-up its content's size. Nothing for a DPI of 0.
void follow_dpi(UiState& ui, HWND hwnd, uint32_t dpi, const RECT* suggested);
// theme changed: the current theme and the text fields' brush follow the settings.
void apply_theme(UiState& ui);
// The app series restart empty (app detail opened for an app).
void restart_app_series(UiState& ui);
// The tray icons follow the tray settings again.
void rebuild_tray_icons(UiState& ui);

}  // namespace qv
