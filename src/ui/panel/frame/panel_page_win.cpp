#include "ui/panel/frame/panel_page_win.h"

#include <array>
#include <deque>
#include <string>

#include "ui/panel/alert_editor/alert_editor_layout.h"
#include "ui/panel/detail/panel_detail_win.h"
#include "ui/panel/settings/settings_paint_win.h"

namespace qv {
namespace {


// The frame of the pages whose own painters come with their pages: their title band, so that
// every page can be left with Back.
void page_frame(const PanelCanvas& c) {
  const PanelState& p = *c.panel;
  const int32_t y = c.px(12);
  switch (p.page) {
    case Page::kOverview:
    case Page::kMetricDetail:
    case Page::kAppDetail:
    case Page::kFpsList:
    case Page::kMessages:
    case Page::kActivity:
      break;  // drawn by their own painters
    case Page::kSettingsHome:
      settings_title_band(c, "Settings", current_theme().accent);
      break;
    case Page::kSettingsSection:
      title_band(c, y, p.sub_page < kSectionTitles.size() ? kSectionTitles[p.sub_page] : "Settings", current_theme().accent);
      break;
    case Page::kAlertEditor:
      title_band(c, y, "New alert", colours::alerts);
      break;
  }
}

}  // namespace

PageView paint_page(const PanelCanvas& c, const OverviewInput& in, const AppDetailInput& app, const AiPagesInput* ai,
                    const PageInput* settings) {
  fill_rect(c.dc, Rect{0, 0, c.width, c.height}, c.theme().background);
  c.panel->hit_regions.clear();
  c.panel->app_rows.clear();
  static const Snapshot kNoSnapshot;  // before the first sample
  const Snapshot& snapshot = in.snapshot ? *in.snapshot : kNoSnapshot;
  static const AiPagesInput kNothingReported{};
  const AiPagesInput& ai_in = ai ? *ai : kNothingReported;
  static const std::deque<MessageEntry> kNoMessages;
  switch (c.panel->page) {
    case Page::kOverview: paint_overview(c, in); break;
    case Page::kMetricDetail: paint_metric_detail(c, snapshot); break;
    case Page::kAppDetail: paint_app_detail(c, snapshot, app); break;
    case Page::kFpsList: paint_frame_rate_list(c, snapshot); break;
    case Page::kActivity: paint_activity(c, ai_in); break;
    case Page::kMessages: paint_messages(c, ai_in.messages ? *ai_in.messages : kNoMessages); break;
    case Page::kSettingsHome:
    case Page::kSettingsSection:
      if (settings) return paint_settings_page(c, *settings);
      page_frame(c);
      break;
    case Page::kAlertEditor:
      if (settings) return paint_page_view(c, *settings, layout_alert_editor);
      page_frame(c);
      break;
    default: page_frame(c); break;
  }
  return {};
}

}  // namespace qv
