#pragma once
// The panel's window procedure and the UI thread's UiState slot it borrows from: each message is
// handled with UiState lent to it, and messages that arrive while it is lent get default treatment.
#include <windows.h>

#include <memory>

#include "ui/panel/frame/ui_state_win.h"
#include "ui/tray/tray_menu_win.h"

namespace qv {

// The UI thread's slot. set_ui_state hands ownership to the slot.
void set_ui_state(std::unique_ptr<UiState> state);

// Runs `body` with UiState borrowed as a message would, for start-up steps that act like one
// (messages they cause get default treatment). Does nothing when the slot is empty or borrowed.
void with_ui_state(void (*body)(UiState& ui));

// The panel's handler: true when it handled the message (with *result set).
bool handle_panel_message(UiState& ui, HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam, LRESULT* result);

// Carries out what the user picked in the tray menu (`task_existed`: whether the start-up task
// existed when the menu was built).
void carry_out_tray_choice(UiState& ui, HWND hwnd, TrayMenuChoice choice, bool task_existed);

// The window procedure registered for the panel: the entry guard around handle_panel_message.
LRESULT CALLBACK panel_window_proc(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam);

}  // namespace qv
