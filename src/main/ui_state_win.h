#pragma once
// Everything only the UI thread touches. Start-up builds it completely and parks it in the UI
// thread's slot; the panel's window procedure borrows it for one message at a time.
#include <windows.h>

#include <array>
#include <cstdint>
#include <deque>
#include <memory>
#include <optional>

#include "config/settings.h"
#include "main/history_series.h"
#include "main/message_list.h"
#include "main/panel_geometry.h"
#include "main/shared_state.h"
#include "procinfo/role_label_win.h"
#include "sampler/snapshot.h"
#include "ui/gdi/draw_win.h"
#include "ui/panel/panel_state.h"
#include "ui/tray/tray_win.h"
#include "util/handles_win.h"

namespace qv {

inline constexpr size_t kTextFieldCount = 4;  // control ids 1..4; field 1 is the filter
inline constexpr uint8_t kNoPendingPage = 9;

// Work a handler asks for that must run after UiState is given back, because it pumps messages
// the panel has to handle itself (the move loop's end, the window's destruction).
enum class AfterMessage : uint8_t {
  kNothing,
  kMoveByBody,  // the pop-up is dragged by its body: the system's move loop
  kDestroy,     // "Exit": the panel window is destroyed, which ends the program
};

struct UiState {
  Settings settings;  // the working copy; every save writes it
  std::shared_ptr<SharedState> shared;
  HWND window = nullptr;  // the panel
  UINT taskbar_created_msg = 0;

  Snapshot snapshot_copy;  // the last Snapshot taken on WM_SAMPLE
  OverviewHistory overview_series;
  AppHistory app_series;
  RoleLabelCache role_labels;  // of the processes app detail lists; emptied past 4000 entries

  TraySet tray;

  float dpi_scale = 1.0f;  // read once at start-up
  float ui_scale = 1.0f;   // dpi_scale x the text-size factor
  FontSet fonts;
  std::array<HWND, kTextFieldCount> fields{};  // children of the panel, destroyed with it
  UniqueGdiObject field_brush;                 // the theme's input colour, for WM_CTLCOLOREDIT

  PanelState panel;  // page, scroll, hover, click regions, filter

  bool visible = false;         // mirrored into shared->panel_open
  bool tracking_leave = false;  // a mouse-leave notification is requested and not yet received
  bool dragging = false;        // a main-metric row is being dragged
  size_t drag_index = 0;
  int32_t drag_list_top = 0;    // written by the painter of the main-metric list
  int32_t drag_row_height = 0;
  std::optional<SizeKey> size_key;  // what the pop-up was last sized for
  uint8_t pending_page = kNoPendingPage;  // opened by the next balloon click
  std::deque<MessageEntry> messages;      // AI-tool messages, newest first, at most 12

  bool autostart_on = false;
  bool autostart_failed = false;

  AfterMessage after_message = AfterMessage::kNothing;

  HWND widget = nullptr;   // taskbar widget, made on demand by its own code
  HWND overlay = nullptr;  // frame-rate overlay, likewise
};

// The UI thread's slot. set_ui_state hands ownership to the slot.
void set_ui_state(std::unique_ptr<UiState> state);

// Runs `body` with UiState borrowed as a message would, for start-up steps that act like one
// (messages they cause get default treatment). Does nothing when the slot is empty or borrowed.
void with_ui_state(void (*body)(UiState& ui));

// The panel's handler: true when it handled the message (with *result set).
bool handle_panel_message(UiState& ui, HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam, LRESULT* result);

// The window procedure registered for the panel: the entry guard around handle_panel_message.
LRESULT CALLBACK panel_window_proc(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam);

}  // namespace qv
