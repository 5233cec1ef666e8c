#include "ui/panel/panel_page_win.h"

#include <array>
#include <string>

#include "ui/panel/settings_paint_win.h"

namespace qv {
namespace {

// The metric keys of metric detail's sub-pages, in selector order.
constexpr std::array<const char*, 6> kMetricKeys = {"cpu", "ram", "gpu", "disk", "net", "audio"};
constexpr std::array<const char*, 5> kSectionNames = {"General", "AI tools", "Main panel", "Desktop extras", "Alerts"};

// The frame of the pages whose own painters come with their pages: their title band, so that
// every page can be left with Back.
void page_frame(const PanelCanvas& c) {
  const PanelState& p = *c.panel;
  const int32_t y = c.px(12);
  switch (p.page) {
    case Page::kOverview:
      break;
    case Page::kMetricDetail: {
      const MetricStyle style = metric_style(p.sub_page < kMetricKeys.size() ? kMetricKeys[p.sub_page] : "");
      title_band(c, y, style.label, style.colour);
      break;
    }
    case Page::kSettingsHome:
      settings_title_band(c, "Settings");
      break;
    case Page::kSettingsSection:
      title_band(c, y, p.sub_page < kSectionNames.size() ? kSectionNames[p.sub_page] : "Settings", colours::accent);
      break;
    case Page::kAlertEditor:
      title_band(c, y, "New alert", rgb(0xF59E0B));
      break;
    case Page::kAppDetail:
      title_band(c, y, p.selected_app.value_or(""), colours::accent);
      break;
    case Page::kFpsList:
      title_band(c, y, "FPS", rgb(0xFF6B6B));
      break;
    case Page::kMessages:
      title_band(c, y, "Messages", colours::accent);
      break;
    case Page::kActivity:
      title_band(c, y, "AI activity", rgb(0x2DD4BF));
      break;
  }
}

}  // namespace

PageView paint_page(const PanelCanvas& c, const OverviewInput& in, const PageInput* settings) {
  fill_rect(c.dc, Rect{0, 0, c.width, c.height}, c.theme().background);
  c.panel->hit_regions.clear();
  c.panel->app_rows.clear();
  const Page page = c.panel->page;
  if (page == Page::kOverview) {
    paint_overview(c, in);
  } else if (settings && (page == Page::kSettingsHome || page == Page::kSettingsSection || page == Page::kAlertEditor)) {
    return paint_settings_page(c, *settings);
  } else {
    page_frame(c);
  }
  return {};
}

}  // namespace qv
