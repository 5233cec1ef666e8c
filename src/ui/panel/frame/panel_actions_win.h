#pragma once
// What the panel window does with clicks, wheel turns and edits of its filter field.
#include <windows.h>

#include <cstdint>

#include "ui/panel/frame/hit_test.h"
#include "ui/panel/frame/panel_state.h"

namespace qv {

struct UiState;

// Reads whether the start-up task exists into the settings page's state.
void query_autostart(UiState& ui);

// Performs a clicked region's action, then repaints the panel.
void perform_panel_action(UiState& ui, HWND hwnd, const Action& action);

// Switches the page with every side effect of leaving and entering pages, then repaints.
void navigate(UiState& ui, HWND hwnd, Page page, uint8_t sub_page);
// Steps back from the current page as Back does, then repaints.
void go_back(UiState& ui, HWND hwnd);

// EN_CHANGE of text field 1: filter_text follows the field (lower case), lists go back to the top.
void on_filter_field_changed(UiState& ui, HWND hwnd);

// WM_MOUSEWHEEL: scrolls the current page's list by whole notches, kept within 0..scroll_max.
void scroll_by_wheel(UiState& ui, HWND hwnd, int wheel_delta);

}  // namespace qv
