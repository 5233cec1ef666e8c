#pragma once
// The notification-area icons: the plain application icon and five live figures, one shared
// tooltip, and the balloons of queued notifications. All calls run on the UI thread.
#include <windows.h>
#include <shellapi.h>

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "config/settings.h"
#include "core/snapshot.h"
#include "ui/gdi/theme.h"
#include "ui/tray/recent_pictures.h"
#include "ui/tray/tray_text.h"
#include "util/handles_win.h"

namespace qv {

// The one door to the shell. Tests put a recorder here; the program uses Shell_NotifyIconW.
using TrayShell = std::function<BOOL(DWORD message, NOTIFYICONDATAW& data)>;

struct TraySet {
  HWND window = nullptr;   // the panel: owner of every icon, receives WM_TRAY
  UniqueIcon large_icon;   // balloons
  UniqueIcon small_icon;   // slot 0
  std::array<bool, kTraySlots> added{};
  std::array<std::string, kTraySlots> shown_text;    // empty: send the picture again at the next sample
  std::array<RecentPictures<UniqueIcon>, kTraySlots> pictures;  // each live slot's last pictures
  std::array<std::u16string, kTraySlots> shown_tip;  // the tooltip the slot has; empty: send again
  std::optional<TrayTipFigures> tip_figures;         // what `tip` was built from; none before the first
  std::u16string tip;                                // the tooltip of the last sample, cut to its room
  uint64_t icons_drawn = 0;  // live pictures drawn for NIM_MODIFY (placeholders and kept ones not counted)
  uint64_t tips_built = 0;   // tooltip texts built
  TrayShell shell;           // empty: Shell_NotifyIconW
  // A press seen on an icon, so that the shell's own follow-up of a click (NIN_SELECT after a left
  // click, WM_CONTEXTMENU after a right click) is not taken for a second request.
  bool left_pressed = false;
  bool right_pressed = false;
};

// What a notification from an icon (the low word of WM_TRAY's lParam) asks of the panel.
enum class TrayRequest : uint8_t {
  kNone,
  kToggle,           // a left click
  kOpenByKeyboard,   // Enter or Space on a selected icon: open (never close) and take the keys
  kMenu,             // a right click, Shift+F10 or the menu key
  kBalloonClicked,
};
// Icons are added with the shell's version 3 behaviour, so the keyboard reaches them:
// NIN_KEYSELECT (sometimes twice for one key), and NIN_SELECT or WM_CONTEXTMENU both after
// the mouse's own messages and on their own from the keyboard.
TrayRequest tray_request(TraySet& tray, UINT event);

// The message filter call; tests put a recorder here, the program ChangeWindowMessageFilterEx.
using MessageFilterCall = BOOL(WINAPI*)(HWND, UINT, DWORD, PCHANGEFILTERSTRUCT);

// Registers "TaskbarCreated" and lets it through to `window` even when the program runs with
// higher rights than the shell that broadcasts it (the start-up task runs it elevated), so the
// icons come back after the taskbar restarts. Returns the message id (0 when it has none).
UINT register_taskbar_created(HWND window, MessageFilterCall allow = &ChangeWindowMessageFilterEx);

// Square size of a tray icon: the small-icon metric, at least 16.
int tray_icon_size();

// A picture for a live slot: dark square, optional level bar in the colour at half brightness,
// the text centred in bold. The caller destroys it.
UniqueIcon make_tray_icon(std::string_view text, bool with_bar, uint32_t level, Rgb colour);

// Adds and deletes icons until the notification area matches the six tray settings.
void sync_tray_icons(TraySet& tray, const Settings& settings);
// At a sample: a modify only for the icons whose tooltip or picture the user would see change,
// a new picture only where the displayed text changed, drawn only when none of the slot's last
// pictures shows it. A modify the shell refused is sent again at the next sample.
void refresh_tray_icons(TraySet& tray, const Snapshot& snapshot);
// After the taskbar was re-created: every added slot again, with placeholders until the next sample.
void re_add_tray_icons(TraySet& tray);
// At exit: every added icon deleted.
void remove_tray_icons(TraySet& tray);
// A balloon on the first added icon; false when there is none.
bool show_tray_balloon(TraySet& tray, std::string_view title, std::string_view body);

}  // namespace qv
