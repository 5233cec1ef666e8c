#pragma once
// Clickable regions of the panel and the actions they carry. Every paint rebuilds the list in
// drawing order; a click or hover is resolved against the list of the last paint.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "ui/access/piece.h"

namespace qv {

// What a click does. The numbers are fixed: pages and tests refer to them.
enum class ActionKind : uint8_t {
  kOpenMetric = 0,           // flag = metric 0..5
  kBack = 1,
  kOpenSettings = 2,
  kTogglePinned = 3,
  kHidePanel = 4,
  kToggleNotifyPreset = 5,   // number = bit
  kAddCustomRequest = 6,
  kToggleCustomRequest = 7,  // index
  kRemoveCustomRequest = 8,  // index
  kToggleOnTop = 9,
  kToggleTrayIcon = 10,      // index 0..5
  kSetInterval = 11,         // number = ms
  kCloseAppRow = 12,         // index into app_rows
  kOpenAppRow = 13,          // index into app_rows
  kCloseSelectedApp = 14,
  kToggleProcesses = 15,
  kSetProcessSort = 16,      // flag = column 0..5
  kCloseProcess = 17,        // number = process id
  kToggleMessage = 18,       // index
  kToggleActivityItem = 19,  // index
  kSetTextSize = 20,         // index 0..3
  kToggleAlertRule = 21,     // index
  kRemoveAlertRule = 22,     // index
  kNewAlert = 23,
  kToggleMainMetric = 24,    // index
  kDragMainMetric = 25,      // index
  kToggleFpsOverlay = 26,
  kSetFpsColor = 27,         // index
  kSetFpsOpacity = 28,       // index
  kAlertMetric = 29,         // alert editor choices, 29..34
  kAlertAbove = 30,
  kAlertMeasure = 31,
  kAlertIncludeTop = 32,
  kAlertDelivery = 33,
  kAlertCooldown = 34,
  kAlertSave = 35,
  kAlertCancel = 36,
  kAlertAppPicker = 37,
  kOpenFpsList = 38,
  kClearFilter = 39,
  kToggleAutostart = 40,
  kToggleMcp = 41,
  kOpenMessages = 42,
  kOpenActivity = 43,
  kToggleActivityView = 44,
  kToggleAgentLogFile = 45,
  kOpenSettingsSection = 46,  // flag = section
  kClearFinishedAgents = 47,
  kClearAgents = 48,
  kClearMessages = 49,
  kCopyConnectCommand = 50,
  kTogglePause = 51,
  kSetTheme = 52,             // index 0..2
  kToggleWidget = 53,
  kSetWidgetTheme = 54,       // index
  kToggleWidgetBit = 55,      // number = bit
  kDockWidget = 56,
  kResetWidgetScale = 57,
  kNone = 58,
};

inline constexpr int kActionKindCount = static_cast<int>(ActionKind::kNone) + 1;

struct Action {
  ActionKind kind = ActionKind::kNone;
  uint8_t flag = 0;
  uint32_t number = 0;
  uint64_t index = 0;
  bool operator==(const Action&) const = default;
};

// What kind of control a piece is to a user who cannot see it (the keyboard's focus order and
// an accessibility tree read the same list as the hit test).
enum class PieceRole : uint8_t {
  kNone,      // not named: a band, a row's highlight, a card
  kButton,    // chips, links, "×" glyphs, Back
  kCheckBox,  // check rows and the toggles of list rows; `checked` says their state
};

// One piece of a painted page: its region, its action, and its name and role.
struct HitRegion {
  int32_t left = 0, top = 0, right = 0, bottom = 0;  // client pixels; right and bottom exclusive
  Action action;
  PieceRole role = PieceRole::kNone;
  std::string name;      // what it says ("dark", "Show a strip of live stats on screen", "Remove …")
  bool checked = false;  // a ticked check box, a selected chip
  // In a scrolling list: the band the list shows. The region is where the piece is drawn, which
  // may lie partly or wholly outside it; only the part inside is hit, but the piece is still
  // listed, so that the keyboard and readers reach what is scrolled out.
  std::optional<ScrollBand> band;
  bool contains(int32_t x, int32_t y) const {
    return left <= x && x < right && top <= y && y < bottom && (!band || (band->top <= y && y < band->bottom));
  }
  bool operator==(const HitRegion&) const = default;
};

Action make_action(ActionKind kind, uint64_t index = 0, uint8_t flag = 0, uint32_t number = 0);

// The first region in list order that contains the point.
std::optional<size_t> hit_test(const std::vector<HitRegion>& regions, int32_t x, int32_t y);

// Whether a pointer move from the old hover point (if any) to the new one entered, left or
// changed region: only then does the hover highlight need a repaint.
bool hover_region_changed(const std::vector<HitRegion>& regions, std::optional<std::pair<int32_t, int32_t>> from,
                          int32_t to_x, int32_t to_y);

}  // namespace qv
