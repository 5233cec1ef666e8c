#pragma once
// The alert editor and the alert list of the settings: the editor's choices and their tables,
// turning the form into a rule line, the actions of both screens, and the app picker's names.
// Window work goes through AlertHost, so the decisions are tested without a window.
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "config/settings.h"
#include "rules/rule_text.h"
#include "core/snapshot.h"
#include "ui/panel/alert_editor/alert_editor_state.h"
#include "ui/panel/frame/hit_test.h"
#include "ui/panel/frame/panel_state.h"

namespace qv {

struct AlertTile {
  const char* label;
  MachineMetric machine;  // unused by the app tile
  const char* unit;       // shown after the threshold field; empty for the app tile
};
inline constexpr uint8_t kAppTile = 7;
// Shown above "save alert" while the log file's path is refused.
inline constexpr const char* kLogPathWarning = "That log file path cannot be used — change it to save";
inline constexpr std::array<AlertTile, 8> kAlertTiles = {{
    {"CPU", MachineMetric::Cpu, "%"},
    {"RAM", MachineMetric::Ram, "%"},
    {"GPU", MachineMetric::Gpu, "%"},
    {"Disk", MachineMetric::Disk, "MB/s"},
    {"Net", MachineMetric::Net, "MB/s"},
    {"FPS", MachineMetric::Fps, "fps"},
    {"Sound", MachineMetric::Sound, "%"},
    {"One app…", MachineMetric::Cpu, ""},
}};

struct MeasureChip {
  const char* label;
  AppMeasure measure;
};
inline constexpr std::array<MeasureChip, 5> kAppMeasureChips = {{
    {"CPU", AppMeasure::Cpu}, {"RAM", AppMeasure::Ram}, {"disk", AppMeasure::Disk},
    {"net", AppMeasure::Net}, {"sound", AppMeasure::Sound},
}};

struct CooldownChoice {
  const char* label;
  uint64_t seconds;
};
inline constexpr std::array<CooldownChoice, 3> kCooldownChoices = {{
    {"30 seconds", 30}, {"60 seconds", 60}, {"5 minutes", 300},
}};

inline constexpr std::array<const char*, 3> kDeliveryChips = {"desktop", "file", "both"};

// LOCALAPPDATA and "\zelmor-alerts.log", or "C:\zelmor-alerts.log" when the variable is missing
// or not valid Unicode (nothing).
std::string alert_log_path_for(const std::optional<std::string>& local_app_data);
// UTF-16 as the system hands it over, in UTF-8; nothing when it holds a lone surrogate.
std::optional<std::string> utf8_if_valid(std::u16string_view text);

// Why a log file path cannot be handed to the file system: a NUL or another control character,
// one of < > " | ? *, or a colon anywhere but after a leading drive letter. Nothing when usable.
std::optional<std::string> log_path_problem(std::string_view path);

// The form as the rule composer's choices, with the fields as typed.
RuleChoices editor_choices(const AlertEditorState& editor, std::string_view app_name, std::string_view threshold,
                           std::string_view log_file);

// The names the app picker lists: every process name of the snapshot once, sorted (ASCII case
// folded first, so chrome.exe and Chrome.exe sit together).
std::vector<std::string> picker_names(const std::vector<ProcessSample>& processes);

// What the alert screens need from the window side.
class AlertHost {
 public:
  virtual ~AlertHost() = default;
  virtual void save_settings() = 0;
  virtual void rebuild_rules() = 0;  // SharedState rules from the settings' rule lines
  virtual std::string field_text(TextField field) = 0;
  virtual void set_field_text(TextField field, const std::string& text) = 0;
  virtual std::string default_alert_log_path() = 0;
  // Offers these names in the picker menu at the pointer. The menu runs its own message loop, so
  // it opens once the click has been handled; the chosen name then goes into the app field.
  virtual void offer_apps(const std::vector<std::string>& names) = 0;
  virtual Snapshot current_snapshot() = 0;
  virtual void open_page(Page page, uint8_t sub_page) = 0;
};

// Actions 21 to 23 and 29 to 37. Returns false for any other kind. Indexes outside their lists
// do nothing.
bool perform_alert_action(AlertEditorState& editor, Settings& settings, AlertHost& host, const Action& action);

}  // namespace qv
