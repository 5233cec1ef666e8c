#include "ui/panel/alert_editor/alert_editor.h"

#include <algorithm>

#include "util/text.h"
#include "util/utf.h"

namespace qv {
namespace {

constexpr uint8_t kAlertsSection = 4;
constexpr TextField kAppNameField = TextField::kFilter;  // the editor borrows the filter field
constexpr TextField kThresholdField = TextField::kAlertThreshold;
constexpr TextField kLogFileField = TextField::kAlertLogFile;

void open_new_alert(AlertEditorState& editor, AlertHost& host) {
  editor = AlertEditorState{};
  host.set_field_text(kAppNameField, "");
  host.set_field_text(kThresholdField, "90");
  host.set_field_text(kLogFileField, host.default_alert_log_path());
  host.open_page(Page::kAlertEditor, 0);
}

// Save: a form that does not make a rule changes nothing and the editor stays open.
void save_alert(AlertEditorState& editor, Settings& settings, AlertHost& host) {
  const RuleChoices choices = editor_choices(editor, host.field_text(kAppNameField), host.field_text(kThresholdField),
                                             host.field_text(kLogFileField));
  if (choices.delivery != RuleDelivery::Desktop && log_path_problem(trim(choices.file))) {
    editor.path_rejected = true;
    return;
  }
  editor.path_rejected = false;
  const std::optional<std::string> line = compose_rule(choices);
  if (!line) return;
  settings.log.push_back(*line);
  host.save_settings();
  host.rebuild_rules();
  host.set_field_text(kAppNameField, "");
  host.open_page(Page::kSettingsSection, kAlertsSection);
}

}  // namespace

std::string alert_log_path_for(const std::optional<std::string>& local_app_data) {
  if (!local_app_data) return "C:\\zelmor-alerts.log";
  return *local_app_data + "\\zelmor-alerts.log";
}

std::optional<std::string> utf8_if_valid(std::u16string_view text) {
  for (size_t i = 0; i < text.size(); ++i) {
    const char16_t u = text[i];
    if (u >= 0xD800 && u <= 0xDBFF) {
      if (i + 1 >= text.size() || text[i + 1] < 0xDC00 || text[i + 1] > 0xDFFF) return std::nullopt;
      ++i;
    } else if (u >= 0xDC00 && u <= 0xDFFF) {
      return std::nullopt;
    }
  }
  return utf16_to_utf8(text);
}

std::optional<std::string> log_path_problem(std::string_view path) {
  for (size_t i = 0; i < path.size(); ++i) {
    const auto c = static_cast<unsigned char>(path[i]);
    if (c < 0x20 || c == 0x7F) return std::string("The log file path holds a control character");
    if (c == '<' || c == '>' || c == '"' || c == '|' || c == '?' || c == '*') {
      return std::string("The log file path holds a character Windows cannot use: ") + static_cast<char>(c);
    }
    // "C:\x" is a drive; any other colon would name an alternate data stream or a device.
    if (c == ':' && i != 1) return std::string("The log file path holds a colon outside its drive letter");
  }
  return std::nullopt;
}

RuleChoices editor_choices(const AlertEditorState& editor, std::string_view app_name, std::string_view threshold,
                           std::string_view log_file) {
  RuleChoices c;
  const uint8_t metric = std::min<uint8_t>(editor.metric, kAppTile);
  c.is_app = metric == kAppTile;
  c.machine = kAlertTiles[metric].machine;
  c.app_name = std::string(app_name);
  c.app_measure = kAppMeasureChips[std::min<size_t>(editor.measure, kAppMeasureChips.size() - 1)].measure;
  c.above = editor.above;
  c.threshold = std::string(threshold);
  c.delivery = editor.delivery == 1 ? RuleDelivery::File : editor.delivery == 2 ? RuleDelivery::Both : RuleDelivery::Desktop;
  c.file = std::string(log_file);
  c.include_top = editor.include_top;
  c.cooldown = kCooldownChoices[std::min<size_t>(editor.cooldown, kCooldownChoices.size() - 1)].seconds;
  return c;
}

std::vector<std::string> picker_names(const std::vector<ProcessSample>& processes) {
  std::vector<std::string> names;
  names.reserve(processes.size());
  for (const ProcessSample& p : processes) names.push_back(p.name);
  std::sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
    const std::string la = to_lower_ascii(a);
    const std::string lb = to_lower_ascii(b);
    return la != lb ? la < lb : a < b;
  });
  names.erase(std::unique(names.begin(), names.end()), names.end());
  return names;
}

bool perform_alert_action(AlertEditorState& editor, Settings& settings, AlertHost& host, const Action& action) {
  const uint64_t index = action.index;
  switch (action.kind) {
    case ActionKind::kToggleAlertRule:
      if (index >= settings.log.size()) break;
      settings.log[index] = toggle_rule(settings.log[index]);
      host.save_settings();
      host.rebuild_rules();
      break;
    case ActionKind::kRemoveAlertRule:
      if (index >= settings.log.size()) break;
      settings.log.erase(settings.log.begin() + static_cast<std::ptrdiff_t>(index));
      host.save_settings();
      host.rebuild_rules();
      break;
    case ActionKind::kNewAlert:
      open_new_alert(editor, host);
      break;
    case ActionKind::kAlertMetric:
      if (index < kAlertTiles.size()) editor.metric = static_cast<uint8_t>(index);
      break;
    case ActionKind::kAlertAbove:
      editor.above = action.flag != 0;
      break;
    case ActionKind::kAlertMeasure:
      if (index < kAppMeasureChips.size()) editor.measure = static_cast<uint8_t>(index);
      break;
    case ActionKind::kAlertIncludeTop:
      editor.include_top = !editor.include_top;
      break;
    case ActionKind::kAlertDelivery:
      if (index < kDeliveryChips.size()) editor.delivery = static_cast<uint8_t>(index);
      break;
    case ActionKind::kAlertCooldown:
      editor.cooldown = static_cast<uint8_t>((editor.cooldown + 1) % kCooldownChoices.size());
      break;
    case ActionKind::kAlertSave:
      save_alert(editor, settings, host);
      break;
    case ActionKind::kAlertCancel:
      editor.path_rejected = false;
      host.open_page(Page::kSettingsSection, kAlertsSection);
      break;
    case ActionKind::kAlertAppPicker:
      host.offer_apps(picker_names(host.current_snapshot().processes));
      break;
    default:
      return false;
  }
  return true;
}

}  // namespace qv
