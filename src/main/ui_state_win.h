#pragma once
// Everything only the UI thread touches. Start-up builds it completely and parks it in the UI
// thread's slot; the panel's window procedure borrows it for one message at a time.
#include <windows.h>

#include <memory>

#include "config/settings.h"
#include "main/shared_state.h"
#include "sampler/snapshot.h"

namespace qv {

struct UiState {
  Settings settings;  // the working copy; every save writes it
  std::shared_ptr<SharedState> shared;
  HWND panel = nullptr;
  Snapshot snapshot_copy;
  UINT taskbar_created_msg = 0;
  float dpi_scale = 1.0f;
  float ui_scale = 1.0f;
  bool visible = false;  // mirrored into shared->panel_open
  bool autostart_on = false;
  bool autostart_failed = false;
};

// The UI thread's slot. set_ui_state hands ownership to the slot.
void set_ui_state(std::unique_ptr<UiState> state);

// The panel's handler: true when it handled the message (with *result set).
bool handle_panel_message(UiState& ui, HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam, LRESULT* result);

// The window procedure registered for the panel: the entry guard around handle_panel_message.
LRESULT CALLBACK panel_window_proc(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam);

}  // namespace qv
