#pragma once
// Layout arithmetic of the panel frame: what the child text fields are laid out for and where
// they go, the scrollbar, the AI banner rows and the size of the pop-up panel.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "ui/gdi/geometry.h"
#include "ui/panel/frame/panel_state.h"

namespace qv {

// The page's field layout number: 0 overview, 1 metric detail, 2 settings home, 100 + section,
// 3 alert editor, 4 app detail, 5 frame-rate list, 6 messages, 7 AI activity.
int32_t page_layout_number(Page page, uint8_t sub_page);
LayoutKey make_layout_key(const PanelState& panel, bool per_app_alert, bool fps_tile, int32_t width, int32_t height);

// Field 1 on the pages that place it here (overview, metric detail); nothing elsewhere.
std::optional<Rect> filter_field_rect(Page page, int32_t width, float ui_scale);
// Whether the current page shows field 1 (overview, metric detail, alert editor, and app detail
// while its processes are unfolded); only then may it have the keyboard focus.
bool filter_field_shown(const PanelState& panel);
// Field 1 on app detail, inside the process filter row whose top is `row_y`.
Rect process_filter_field_rect(int32_t row_y, int32_t width, float ui_scale);
// Field 4 when the custom-request row is fully inside the page below its title, else nothing.
// `row_right` is the right end of the row's frame.
std::optional<Rect> request_field_rect(const PanelState& panel, bool mcp_enabled, int32_t row_right, int32_t height,
                                       float ui_scale);

// The largest scroll offset of `content` pixels shown from `top` to `bottom` - px(12); 0 when it fits.
int32_t scroll_limit(int32_t content, int32_t top, int32_t bottom, float ui_scale);

// Scrollbar of a list from `top` to `bottom` - px(12) beside `right`, for content of `content`
// pixels. Writes scroll_max (never negative) and clamps scroll_offset; the rectangles are set
// only when the content does not fit.
struct ScrollbarShape {
  std::optional<Rect> track;
  std::optional<Rect> thumb;
};
ScrollbarShape layout_scrollbar(PanelState& panel, int32_t right, int32_t bottom, int32_t top, int32_t content,
                                float ui_scale);

// The i-th AI banner from the bottom of a client area `width` x `height`.
Rect banner_rect(size_t i, int32_t width, int32_t height, float ui_scale);

// Client size of the pop-up panel: a fixed part, one card row per shown metric, one drive row
// per drive and, while the AI link is on, one row per banner; each count at least 1.
Size overview_client_size(float ui_scale, size_t drives, size_t shown_metrics, bool mcp_enabled,
                          size_t banner_rows);

// What the overview is laid out for: the client area and how many of each row it shows.
struct OverviewLayoutInput {
  float ui_scale = 1.0f;
  int32_t width = 0;
  int32_t height = 0;
  size_t cards = 0;    // cards painted
  size_t drives = 0;   // drive rows painted; none shows one "No drives found" line instead
  size_t banners = 0;  // AI banners painted
  bool mcp_enabled = false;  // the banner band is kept, at least one row, while the AI link is on
};

// One drive row: the letter and space line at the top, the meter below it.
struct DriveRowRects {
  Rect row;
  Rect meter;
};

// Every place the overview paints, from one set of lengths. The painter draws from it and the
// pop-up's size formula is held to it by a test.
struct OverviewLayout {
  int32_t header_y = 0;       // the header links' line
  Point search_label;         // "Find app"
  Rect search_frame;          // the filter field sits inside it
  int32_t body_top = 0;       // first card, or first search result
  std::vector<Rect> cards;    // px(46) high, one px(52) step apart
  int32_t drives_heading_y = 0;
  std::vector<DriveRowRects> drive_rows;  // px(22) + px(20) each
  int32_t no_drives_y = 0;    // the "No drives found" line when there are no drives
  int32_t content_bottom = 0; // bottom of the last drive row (or of the one empty row)
  std::vector<Rect> banners;  // bottom one first
  // Cards and drives scroll between body_top and this line (above the banner band) when the
  // window is shorter than the content.
  int32_t list_bottom = 0;
  // The client height this content needs: the rows above, the free space the fixed part leaves
  // under the drives, the banner band and the bottom margin.
  int32_t content_height = 0;
};
OverviewLayout overview_layout(const OverviewLayoutInput& in);

}  // namespace qv
