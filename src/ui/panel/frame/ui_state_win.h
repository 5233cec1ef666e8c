#pragma once
// Everything only the UI thread touches. Start-up builds it completely and parks it in the UI
// thread's slot; the panel's window procedure borrows it for one message at a time.
#include <windows.h>

#include <array>
#include <cstdint>
#include <deque>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "config/settings.h"
#include "core/shared_state.h"
#include "core/snapshot.h"
#include "procinfo/role_label_win.h"
#include "ui/gdi/back_buffer_win.h"
#include "ui/gdi/draw_win.h"
#include "ui/panel/app_detail/close_apps.h"
#include "ui/panel/frame/history_series.h"
#include "ui/panel/ai/message_list.h"
#include "ui/panel/frame/panel_geometry.h"
#include "ui/panel/frame/panel_state.h"
#include "ui/tray/tray_win.h"
#include "util/handles_win.h"

namespace qv {

// Work a handler asks for that must run after UiState is given back, because it pumps messages
// the panel has to handle itself (the move loop's end, the window's destruction).
enum class AfterMessage : uint8_t {
  kNothing,
  kMoveByBody,  // the pop-up is dragged by its body: the system's move loop
  kDestroy,     // "Exit": the panel window is destroyed, which ends the program
  // The tray menu runs its own message loop: samples, paints and notifications that arrive while
  // it is open must find UiState free, or they would get default treatment and be lost.
  kTrayMenu,
  // The close-app question and the app picker run their own loops too, for the same reason; what
  // they act on waits in `pending_close` and `pending_picker`.
  kCloseQuestion,
  kAppPicker,
};

struct UiState {
  Settings settings;  // the working copy; every save writes it
  std::shared_ptr<SharedState> shared;
  HWND window = nullptr;  // the panel
  UINT taskbar_created_msg = 0;

  Snapshot snapshot_copy;  // the last Snapshot taken on WM_SAMPLE
  OverviewHistory overview_series;
  AppHistory app_series;
  RoleLabelCache role_labels;  // of the processes app detail lists; pids that left are dropped

  TraySet tray;

  uint32_t dpi = 96;       // the panel window's: at start-up, then from WM_DPICHANGED
  float dpi_scale = 1.0f;  // dpi / 96
  float ui_scale = 1.0f;   // dpi_scale x the text-size factor
  FontSet fonts;
  BackBuffer back_buffer;  // the panel's off-screen bitmap while it is shown
  std::array<HWND, kTextFieldCount> fields{};  // children of the panel in control-id order, destroyed with it
  UniqueGdiObject field_brush;                 // the theme's input colour, for WM_CTLCOLOREDIT

  PanelState panel;  // page, scroll, hover, click regions, filter

  bool visible = false;         // mirrored into shared->panel_open
  bool tracking_leave = false;  // a mouse-leave notification is requested and not yet received
  bool dragging = false;        // a main-metric row is being dragged
  size_t drag_index = 0;
  // Written by the painter of the Main panel settings page's metric list, whose drag drops use
  // them; until that page paints, they stay 0 and a drop moves nothing.
  int32_t drag_list_top = 0;
  int32_t drag_row_height = 0;
  std::optional<SizeKey> size_key;  // what the pop-up was last sized for
  int32_t first_screen = 0;         // client height the shown page's first screen needs, 0: none
  std::optional<Page> pending_page;       // opened by the next balloon click
  std::deque<MessageEntry> messages;      // AI-tool messages, newest first, at most 12

  bool autostart_on = false;
  bool autostart_failed = false;

  AfterMessage after_message = AfterMessage::kNothing;
  std::optional<CloseRequest> pending_close;  // asked about once the click's message returned
  std::vector<std::string> pending_picker;    // the names the app picker offers

  HWND field(TextField f) const { return fields[field_slot(f)]; }

  // Written by the taskbar widget's and the frame-rate overlay's own code when it makes their
  // windows on demand; nothing has made them yet while they are null.
  HWND widget = nullptr;
  HWND overlay = nullptr;
};

}  // namespace qv
