#include "ui/panel/frame/panel_layout.h"

#include <algorithm>

#include "ui/gdi/scale.h"
#include "ui/panel/app_detail/app_detail_model.h"
#include "ui/panel/detail/detail_model.h"
#include "ui/panel/kit/pieces.h"

namespace qv {

int32_t page_layout_number(Page page, uint8_t sub_page) {
  switch (page) {
    case Page::kOverview: return 0;
    case Page::kMetricDetail: return 1;
    case Page::kSettingsHome: return 2;
    case Page::kSettingsSection: return 100 + sub_page;
    case Page::kAlertEditor: return 3;
    case Page::kAppDetail: return 4;
    case Page::kFpsList: return 5;
    case Page::kMessages: return 6;
    case Page::kActivity: return 7;
  }
  return 1000 + static_cast<int32_t>(page);  // no such page is ever set; keep it distinct from the others
}

LayoutKey make_layout_key(const PanelState& panel, bool per_app_alert, bool fps_tile, int32_t width, int32_t height) {
  LayoutKey k;
  k.key = page_layout_number(panel.page, panel.sub_page);
  k.per_app_alert = per_app_alert;
  k.processes_expanded = panel.processes_expanded;
  k.fps_tile = fps_tile;
  k.width = width;
  k.height = height;
  return k;
}

std::optional<Rect> filter_field_rect(Page page, int32_t width, float s) {
  if (page == Page::kOverview) {
    OverviewLayoutInput in;
    in.ui_scale = s;
    in.width = width;
    return field_in_frame(overview_layout(in).search_frame, true, s);
  }
  if (page == Page::kMetricDetail) return field_in_frame(filter_line_place(width, s).frame, true, s);
  return std::nullopt;
}

bool filter_field_shown(const PanelState& panel) {
  switch (panel.page) {
    case Page::kOverview:
    case Page::kMetricDetail:
    case Page::kAlertEditor:
      return true;
    case Page::kAppDetail:
      return panel.processes_expanded;
    default:
      return false;
  }
}

Rect process_filter_field_rect(int32_t row_y, int32_t width, float s) {
  return field_in_frame(process_filter_frame(row_y, width, s), true, s);
}

std::optional<Rect> request_field_rect(const PanelState& panel, bool mcp_enabled, int32_t row_right, int32_t height,
                                       float s) {
  const bool ai_section = panel.page == Page::kSettingsSection && panel.sub_page == 1;
  const int32_t y = panel.request_field_y;
  if (!ai_section || !mcp_enabled || y < px(12, s) + px(50, s) || y + px(24, s) > height) return std::nullopt;
  return field_in_frame(Rect{px(12, s), y, row_right, y + px(24, s)}, false, s);
}

int32_t scroll_limit(int32_t content, int32_t top, int32_t bottom, float s) {
  const int64_t visible = static_cast<int64_t>(bottom) - px(12, s) - top;
  return static_cast<int32_t>(std::clamp<int64_t>(content - visible, 0, INT32_MAX));
}

ScrollbarShape layout_scrollbar(PanelState& panel, int32_t right, int32_t bottom, int32_t top, int32_t content,
                                float s) {
  const int64_t visible = static_cast<int64_t>(bottom) - px(12, s) - top;
  panel.scroll_max = scroll_limit(content, top, bottom, s);
  panel.scroll_offset = std::clamp(panel.scroll_offset, 0, panel.scroll_max);
  ScrollbarShape shape;
  if (content <= visible || visible <= 0) return shape;
  const int32_t track_bottom = bottom - px(12, s);
  const int32_t l = right - px(6, s);
  const int32_t r = right - px(3, s);
  shape.track = Rect{l, top, r, track_bottom};
  const int64_t thumb = visible * visible / content;
  const int64_t thumb_top = top + (visible - thumb) * panel.scroll_offset / panel.scroll_max;
  const int64_t thumb_bottom = thumb_top + std::max<int64_t>(px(16, s), thumb);
  shape.thumb = Rect{l, static_cast<int32_t>(thumb_top), r, static_cast<int32_t>(thumb_bottom)};
  return shape;
}

Rect banner_rect(size_t i, int32_t width, int32_t height, float s) {
  const int32_t step = px(26, s) + px(4, s);
  const int32_t bottom = height - px(12, s) - static_cast<int32_t>(i) * step;
  return Rect{px(12, s), bottom - px(26, s), width - px(12, s), bottom};
}

Size overview_client_size(float s, size_t drives, size_t shown_metrics, bool mcp_enabled, size_t banner_rows) {
  const auto at_least_one = [](size_t n) { return static_cast<int32_t>(std::clamp<size_t>(n, 1, 1000)); };
  int32_t height = px(12, s) + px(144, s) + px(42, s) * at_least_one(drives) + px(52, s) * at_least_one(shown_metrics);
  if (mcp_enabled) height += px(30, s) * at_least_one(banner_rows);
  return Size{px(336, s), height};
}

OverviewLayout overview_layout(const OverviewLayoutInput& in) {
  const float s = in.ui_scale;
  const int32_t x0 = px(12, s);
  const int32_t x1 = in.width - px(12, s);
  OverviewLayout l;
  l.header_y = px(12, s);
  l.search_label = Point{x0, px(12, s) + px(26, s) + px(4, s)};
  l.search_frame = Rect{x0 + px(60, s), px(12, s) + px(25, s), x1, px(12, s) + px(25, s) + px(24, s)};
  l.body_top = px(12, s) + px(26, s) + px(32, s);
  int32_t y = l.body_top;
  for (size_t i = 0; i < in.cards; ++i) {
    l.cards.push_back(Rect{x0, y, x1, y + px(46, s)});
    y += px(52, s);
  }
  l.drives_heading_y = y + px(4, s);
  y += px(26, s);
  l.no_drives_y = y + px(4, s);
  for (size_t i = 0; i < in.drives; ++i) {
    const int32_t top = y;
    y += px(22, s);
    const Rect meter{x0, y, x1, y + px(8, s)};
    y += px(20, s);
    l.drive_rows.push_back(DriveRowRects{Rect{x0, top, x1, y}, meter});
  }
  // With no drives the "No drives found" line takes the place of one row.
  l.content_bottom = in.drives == 0 ? y + px(22, s) + px(20, s) : y;
  for (size_t i = 0; i < in.banners; ++i) l.banners.push_back(banner_rect(i, in.width, in.height, s));
  const int32_t banner_band = in.mcp_enabled
                                  ? static_cast<int32_t>(std::max<size_t>(in.banners, 1)) * (px(26, s) + px(4, s))
                                  : 0;
  l.content_height = l.content_bottom + px(48, s) + banner_band + px(12, s);
  l.list_bottom = in.height - px(12, s) - banner_band;
  return l;
}

}  // namespace qv
