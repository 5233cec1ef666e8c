#include "ui/panel/frame/panel_navigation.h"

#include <algorithm>
#include <array>

#include "ui/panel/alert_editor/alert_editor.h"
#include "ui/panel/app_detail/close_apps.h"
#include "util/lower.h"
#include "util/text.h"

namespace qv {
namespace {

bool is_settings_page(Page page) {
  return page == Page::kSettingsHome || page == Page::kSettingsSection;
}

constexpr uint8_t kMetricCount = 6;
constexpr uint8_t kSectionCount = 5;
constexpr uint64_t kTextSizeCount = 4;
constexpr uint64_t kThemeChoices = 3;
constexpr uint64_t kFpsColorCount = 5;
constexpr uint64_t kFpsOpacityCount = 3;
constexpr uint64_t kWidgetThemeCount = 3;
constexpr uint32_t kMinIntervalMs = 250;
constexpr uint32_t kMaxIntervalMs = 10000;

bool* tray_flag(Settings& s, uint64_t index) {
  const std::array<bool*, 6> flags = {&s.tray_static, &s.tray_cpu, &s.tray_ram,
                                      &s.tray_disk,   &s.tray_net, &s.tray_fps};
  return index < flags.size() ? flags[index] : nullptr;
}

void toggle_main_metric(Settings& s, uint64_t index) {
  if (index >= s.main_metrics.size()) return;
  MainMetric& metric = s.main_metrics[index];
  if (metric.shown) {
    if (shown_metric_count(s.main_metrics) <= 1) return;  // the overview always keeps one card
  }
  metric.shown = !metric.shown;
}

// The alert screens act through the panel's host; their page changes are navigations.
class AlertHostAdapter : public AlertHost {
 public:
  AlertHostAdapter(PanelState& panel, PanelHost& host) : panel_(panel), host_(host) {}
  void save_settings() override { host_.save_settings(); }
  void rebuild_rules() override { host_.rebuild_rules(); }
  std::string field_text(TextField field) override { return host_.field_text(field); }
  void set_field_text(TextField field, const std::string& text) override { host_.set_field_text(field, text); }
  std::string default_alert_log_path() override { return host_.default_alert_log_path(); }
  std::optional<std::string> pick_app(const std::vector<std::string>& names) override { return host_.pick_app(names); }
  Snapshot current_snapshot() override { return host_.current_snapshot(); }
  void open_page(Page page, uint8_t sub_page) override { navigate(panel_, host_, page, sub_page); }

 private:
  PanelState& panel_;
  PanelHost& host_;
};

}  // namespace

void navigate(PanelState& panel, PanelHost& host, Page page, uint8_t sub_page) {
  const Page from = panel.page;
  if (is_settings_page(from) && !is_settings_page(page)) host.save_settings();

  panel.page = page;
  panel.sub_page = sub_page;
  panel.scroll_offset = 0;
  // The regions and rows belong to the page that was painted; a click that arrives before the
  // new page is painted must not act on them.
  panel.hit_regions.clear();
  panel.app_rows.clear();
  panel.paused = false;
  panel.frozen_snapshot.reset();
  panel.copied = false;
  panel.processes_expanded = false;

  // Field 1 held the editor's app name; left there it would become the overview's search.
  if (from == Page::kAlertEditor && page != from) {
    panel.filter_text.clear();
    host.set_field_text(TextField::kFilter, "");
  }

  if (is_settings_page(page)) {
    host.query_autostart();
    if (from != Page::kAppDetail) return;
  } else if (page == Page::kAppDetail && from != Page::kAppDetail) {
    // App detail filters its processes with the same field; park the search meanwhile.
    panel.stashed_filter_text = host.field_text(TextField::kFilter);
    panel.filter_text.clear();
    host.set_field_text(TextField::kFilter, "");
    return;
  }

  if (from == Page::kAppDetail && page != Page::kAppDetail) {
    panel.filter_text = to_lower_utf8(panel.stashed_filter_text);
    host.set_field_text(TextField::kFilter, panel.stashed_filter_text);
    panel.stashed_filter_text.clear();
  }

  if (page == Page::kOverview || page == Page::kMetricDetail) {
    host.focus_field(TextField::kFilter);
  }
}

void go_back(PanelState& panel, PanelHost& host) {
  switch (panel.page) {
    case Page::kSettingsSection:
      navigate(panel, host, Page::kSettingsHome, 0);
      break;
    case Page::kAlertEditor:
      navigate(panel, host, Page::kSettingsSection, 4);
      break;
    case Page::kAppDetail:
      navigate(panel, host, panel.return_page, panel.return_sub_page);
      break;
    default:
      navigate(panel, host, Page::kOverview, 0);
      break;
  }
}

void perform_action(PanelState& panel, Settings& settings, PanelHost& host, const Action& action) {
  const uint64_t index = action.index;
  switch (action.kind) {
    case ActionKind::kOpenMetric:
      if (action.flag < kMetricCount) navigate(panel, host, Page::kMetricDetail, action.flag);
      break;
    case ActionKind::kBack:
      go_back(panel, host);
      break;
    case ActionKind::kOpenSettings:
      navigate(panel, host, Page::kSettingsHome, 0);
      break;
    case ActionKind::kTogglePinned:
      host.set_pinned(!settings.pinned);
      break;
    case ActionKind::kHidePanel:
      host.hide_panel();
      break;
    case ActionKind::kToggleNotifyPreset:
      settings.notify_presets ^= action.number;
      host.save_settings();
      host.hand_over_ai_settings();
      break;
    case ActionKind::kAddCustomRequest: {
      const std::string text(trim(host.field_text(TextField::kRequest)));
      if (text.empty()) break;
      settings.notify_rules.push_back(NotifyRule{true, text});
      host.set_field_text(TextField::kRequest, "");
      host.save_settings();
      host.hand_over_ai_settings();
      break;
    }
    case ActionKind::kToggleCustomRequest:
      if (index >= settings.notify_rules.size()) break;
      settings.notify_rules[index].enabled = !settings.notify_rules[index].enabled;
      host.save_settings();
      host.hand_over_ai_settings();
      break;
    case ActionKind::kRemoveCustomRequest:
      if (index >= settings.notify_rules.size()) break;
      settings.notify_rules.erase(settings.notify_rules.begin() + static_cast<std::ptrdiff_t>(index));
      host.save_settings();
      host.hand_over_ai_settings();
      break;
    case ActionKind::kToggleOnTop:
      settings.on_top = !settings.on_top;
      host.save_settings();
      host.apply_on_top();
      break;
    case ActionKind::kToggleTrayIcon: {
      bool* flag = tray_flag(settings, index);
      if (!flag) break;
      *flag = !*flag;
      if (!settings.tray_static && !settings.tray_cpu && !settings.tray_ram && !settings.tray_disk &&
          !settings.tray_net && !settings.tray_fps) {
        settings.tray_static = true;  // the program must keep one way back into the panel
      }
      host.save_settings();
      host.rebuild_tray_icons();
      break;
    }
    case ActionKind::kSetInterval:
      settings.interval_ms = std::clamp(action.number, kMinIntervalMs, kMaxIntervalMs);
      host.save_settings();
      host.set_sampler_interval(settings.interval_ms);
      break;
    case ActionKind::kOpenAppRow: {
      if (index >= panel.app_rows.size()) break;
      const Page from_page = panel.page;
      const uint8_t from_sub_page = panel.sub_page;
      panel.selected_app = panel.app_rows[index].name;
      // App detail is never its own way back: Back and Escape would lead nowhere.
      if (from_page != Page::kAppDetail) {
        panel.return_page = from_page;
        panel.return_sub_page = from_sub_page;
      }
      host.restart_app_series();
      navigate(panel, host, Page::kAppDetail, 0);
      break;
    }
    case ActionKind::kToggleProcesses:
      panel.processes_expanded = !panel.processes_expanded;
      panel.scroll_offset = 0;
      break;
    case ActionKind::kSetProcessSort:
      if (action.flag >= 6) break;
      panel.process_sort = action.flag;
      panel.scroll_offset = 0;
      break;
    case ActionKind::kToggleMessage:
      if (!panel.expanded_messages.erase(index)) panel.expanded_messages.insert(index);
      break;
    case ActionKind::kToggleActivityItem:
      if (!panel.expanded_ai_items.erase(index)) panel.expanded_ai_items.insert(index);
      break;
    case ActionKind::kClearAgents:
      host.clear_agents();
      break;
    case ActionKind::kClearFinishedAgents:
      host.clear_finished_agents();
      break;
    case ActionKind::kSetTextSize:
      if (index >= kTextSizeCount) break;
      settings.text_size = static_cast<uint32_t>(index);
      host.save_settings();
      host.rebuild_fonts();
      break;
    case ActionKind::kToggleMainMetric:
      if (index >= settings.main_metrics.size()) break;
      toggle_main_metric(settings, index);
      host.save_settings();
      host.fit_panel();
      break;
    case ActionKind::kDragMainMetric:
      if (index < settings.main_metrics.size()) host.start_metric_drag(index);
      break;
    case ActionKind::kToggleFpsOverlay:
      settings.fps_overlay = !settings.fps_overlay;
      host.save_settings();
      host.update_overlay();
      break;
    case ActionKind::kSetFpsColor:
      if (index >= kFpsColorCount) break;
      settings.fps_color = static_cast<uint32_t>(index);
      host.save_settings();
      host.update_overlay();
      break;
    case ActionKind::kSetFpsOpacity:
      if (index >= kFpsOpacityCount) break;
      settings.fps_opacity = static_cast<uint32_t>(index);
      host.save_settings();
      host.update_overlay();
      break;
    case ActionKind::kOpenFpsList:
      navigate(panel, host, Page::kFpsList, 0);
      break;
    case ActionKind::kClearFilter:
      panel.filter_text.clear();
      panel.scroll_offset = 0;
      host.set_field_text(TextField::kFilter, "");
      host.focus_field(TextField::kFilter);
      break;
    case ActionKind::kToggleAutostart:
      host.toggle_autostart();
      break;
    case ActionKind::kToggleMcp:
      settings.mcp_enabled = !settings.mcp_enabled;
      host.save_settings();
      host.set_mcp_enabled(settings.mcp_enabled);
      host.fit_panel();  // the banner band comes or goes with the link
      break;
    case ActionKind::kOpenMessages:
      navigate(panel, host, Page::kMessages, 0);
      break;
    case ActionKind::kOpenActivity:
      navigate(panel, host, Page::kActivity, 0);
      break;
    case ActionKind::kOpenSettingsSection:
      if (action.flag < kSectionCount) navigate(panel, host, Page::kSettingsSection, action.flag);
      break;
    case ActionKind::kToggleActivityView:
      panel.finished_expanded = !panel.finished_expanded;
      panel.scroll_offset = 0;
      break;
    case ActionKind::kToggleAgentLogFile:
      settings.agent_log_file = trim(settings.agent_log_file).empty() ? host.default_agent_log_path() : std::string();
      host.save_settings();
      host.hand_over_ai_settings();
      break;
    case ActionKind::kClearMessages:
      host.clear_messages();
      panel.expanded_messages.clear();
      navigate(panel, host, Page::kOverview, 0);
      break;
    case ActionKind::kTogglePause:
      // A paused page shows the frozen copy; resuming goes back to the live one.
      if (panel.paused) {
        panel.paused = false;
        panel.frozen_snapshot.reset();
      } else {
        panel.frozen_snapshot = host.current_snapshot();
        panel.paused = true;
      }
      break;
    case ActionKind::kCopyConnectCommand:
      host.copy_connect_command();
      panel.copied = true;
      break;
    case ActionKind::kSetTheme:
      if (index >= kThemeChoices) break;
      settings.theme = static_cast<uint32_t>(index);
      host.save_settings();
      host.apply_theme();
      break;
    case ActionKind::kToggleWidget:
      settings.widget_on = !settings.widget_on;
      host.save_settings();
      host.update_widget();
      break;
    case ActionKind::kSetWidgetTheme:
      if (index >= kWidgetThemeCount) break;
      settings.widget_theme = static_cast<uint32_t>(index);
      host.save_settings();
      host.update_widget();
      break;
    case ActionKind::kToggleWidgetBit:
      if (settings.widget_mask == action.number) break;  // the widget keeps one figure
      settings.widget_mask ^= action.number;
      host.save_settings();
      host.update_widget();
      break;
    case ActionKind::kDockWidget:
      host.dock_widget();
      break;
    case ActionKind::kResetWidgetScale:
      settings.widget_scale = 1.0f;
      host.save_settings();
      host.reset_widget_size();
      break;
    case ActionKind::kCloseAppRow:
    case ActionKind::kCloseSelectedApp:
    case ActionKind::kCloseProcess:
      // The ids come from the list the user saw (or the snapshot copy of the click), not from
      // whatever sample arrives while the question is open.
      if (auto request = close_request(panel, host.current_snapshot(), action)) {
        host.close_processes(request->name, request->pids);
      }
      break;
    case ActionKind::kToggleAlertRule:
    case ActionKind::kRemoveAlertRule:
    case ActionKind::kNewAlert:
    case ActionKind::kAlertMetric:
    case ActionKind::kAlertAbove:
    case ActionKind::kAlertMeasure:
    case ActionKind::kAlertIncludeTop:
    case ActionKind::kAlertDelivery:
    case ActionKind::kAlertCooldown:
    case ActionKind::kAlertSave:
    case ActionKind::kAlertCancel:
    case ActionKind::kAlertAppPicker: {
      AlertHostAdapter alert_host(panel, host);
      perform_alert_action(panel.alert_editor, settings, alert_host, action);
      break;
    }
    case ActionKind::kNone:
      break;
  }
}

void filter_text_changed(PanelState& panel, const std::string& field_text) {
  panel.filter_text = to_lower_utf8(field_text);
  const auto page = panel.page;
  if (page == Page::kOverview || page == Page::kMetricDetail || page == Page::kAppDetail) panel.scroll_offset = 0;
}

void scroll_by_wheel(PanelState& panel, int wheel_delta, int32_t step) {
  const int64_t notches = -static_cast<int64_t>(wheel_delta) / 120;
  const int64_t wanted = static_cast<int64_t>(panel.scroll_offset) + notches * step;
  const int32_t max = std::max(panel.scroll_max, 0);
  panel.scroll_offset = static_cast<int32_t>(std::clamp<int64_t>(wanted, 0, max));
}

}  // namespace qv
