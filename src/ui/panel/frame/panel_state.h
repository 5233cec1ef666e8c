#pragma once
// The panel's page and interaction state. Owned by the UI thread; the window procedure keeps one
// of these in UiState and the painters read and write it.
#include <cstdint>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "core/snapshot.h"
#include "ui/panel/alert_editor/alert_editor_state.h"
#include "ui/panel/frame/hit_test.h"
#include "ui/panel/frame/text_width_cache.h"

namespace qv {

// Pages of the panel (`page`); the sub-page is the metric (1) or the settings section (3).
enum class Page : uint8_t {
  kOverview = 0,
  kMetricDetail = 1,
  kSettingsHome = 2,
  kSettingsSection = 3,
  kAlertEditor = 4,
  kAppDetail = 5,
  kFpsList = 6,
  kMessages = 7,
  kActivity = 8,
};

// The panel's four child text fields; the value is the control id.
enum class TextField : uint8_t {
  kFilter = 1,          // overview search, metric-detail filter, alert app name, process filter
  kAlertThreshold = 2,  // alert editor
  kAlertLogFile = 3,    // alert editor
  kRequest = 4,         // custom request of the AI tools section
};
inline constexpr size_t kTextFieldCount = static_cast<size_t>(TextField::kRequest);
constexpr int control_id(TextField field) { return static_cast<int>(field); }
// Position in an array of the fields kept in control-id order.
constexpr size_t field_slot(TextField field) { return static_cast<size_t>(field) - 1; }

// One app of the last painted list, so that a click can name its app by row index.
struct AppRow {
  std::string name;
  std::vector<uint32_t> pids;
  bool operator==(const AppRow&) const = default;
};

// What the child text fields were last laid out for; a paint that computes a different key
// moves, shows and hides them.
struct LayoutKey {
  int32_t key = 0;
  bool per_app_alert = false;     // alert editor: the measure is the per-app one
  bool processes_expanded = false;
  bool fps_tile = false;          // app detail shows its frame-rate tile
  int32_t width = 0;
  int32_t height = 0;
  bool operator==(const LayoutKey&) const = default;
};

struct PanelState {
  Page page = Page::kOverview;
  uint8_t sub_page = 0;
  Page return_page = Page::kOverview;  // where Back goes from app detail
  uint8_t return_sub_page = 0;

  int32_t scroll_offset = 0;  // pixels, 0..scroll_max
  int32_t scroll_max = 0;     // written by the scrollbar on every paint that draws one; never negative

  bool hover_valid = false;  // pointer position in client coordinates, while it is over the panel
  int32_t hover_x = 0;
  int32_t hover_y = 0;

  std::vector<HitRegion> hit_regions;  // rebuilt by every paint, in drawing order
  std::vector<AppRow> app_rows;        // rows of the last painted app list

  std::string filter_text;          // lower-case copy of text field 1
  std::string stashed_filter_text;  // the overview/detail filter, parked while app detail uses the field
  std::optional<std::string> selected_app;

  bool paused = false;  // metric detail
  std::optional<Snapshot> frozen_snapshot;

  bool processes_expanded = false;  // app detail
  uint8_t process_sort = 0;

  std::optional<LayoutKey> layout_key;  // empty until the first paint lays the fields out
  int32_t request_field_y = -1;         // top of the custom-request row, -1 when not painted
  int32_t request_field_right = 0;      // right end of that row's frame
  bool copied = false;                  // the connect command was copied

  AlertEditorState alert_editor;  // choices of the alert editor, reset by "+ new alert"

  std::set<size_t> expanded_messages;  // messages page
  bool finished_expanded = false;      // AI activity page: the finished section is unfolded
  std::set<uint64_t> expanded_ai_items;  // AI activity page: keys of the items shown unfolded
  TextWidthCache small_widths;           // widths in the small font, for the AI pages' wrapping
};

}  // namespace qv
