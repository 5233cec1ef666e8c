#include "ui/panel/frame/panel_navigation.h"

#include <algorithm>

#include "ui/panel/alert_editor/alert_editor.h"
#include "ui/panel/ai/ai_actions.h"
#include "ui/panel/app_detail/app_detail_actions.h"
#include "ui/panel/detail/detail_actions.h"
#include "ui/panel/settings/settings_actions.h"
#include "ui/panel/settings/settings_layout.h"
#include "util/lower.h"

namespace qv {
namespace {

bool is_settings_page(Page page) {
  return page == Page::kSettingsHome || page == Page::kSettingsSection;
}

constexpr uint8_t kMetricCount = 6;

// The alert screens act through the panel's host; their page changes are navigations.
class AlertHostAdapter : public AlertHost {
 public:
  AlertHostAdapter(PanelState& panel, PanelHost& host) : panel_(panel), host_(host) {}
  void save_settings() override { host_.save_settings(); }
  void rebuild_rules() override { host_.rebuild_rules(); }
  std::string field_text(TextField field) override { return host_.field_text(field); }
  void set_field_text(TextField field, const std::string& text) override { host_.set_field_text(field, text); }
  std::string default_alert_log_path() override { return host_.default_alert_log_path(); }
  void offer_apps(const std::vector<std::string>& names) override { host_.offer_apps(names); }
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
  if (perform_settings_action(panel, settings, host, action) || perform_app_detail_action(panel, host, action) ||
      perform_detail_action(panel, host, action) || perform_ai_action(panel, host, action)) {
    return;
  }
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
    case ActionKind::kToggleOnTop:
      settings.on_top = !settings.on_top;
      host.save_settings();
      host.apply_on_top();
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
    case ActionKind::kOpenFpsList:
      navigate(panel, host, Page::kFpsList, 0);
      break;
    case ActionKind::kClearFilter:
      panel.filter_text.clear();
      panel.scroll_offset = 0;
      host.set_field_text(TextField::kFilter, "");
      host.focus_field(TextField::kFilter);
      break;
    case ActionKind::kOpenMessages:
      navigate(panel, host, Page::kMessages, 0);
      break;
    case ActionKind::kOpenActivity:
      navigate(panel, host, Page::kActivity, 0);
      break;
    case ActionKind::kOpenSettingsSection:
      if (action.flag < kSectionTitles.size()) navigate(panel, host, Page::kSettingsSection, action.flag);
      break;
    default: {
      // The alert list and the editor; any other action names nothing here.
      AlertHostAdapter alert_host(panel, host);
      perform_alert_action(panel.alert_editor, settings, alert_host, action);
      break;
    }
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
