#include "ui/panel/app_detail/panel_app_detail_win.h"

#include <algorithm>
#include <string>
#include <vector>

#include "ui/panel/app_detail/app_detail_pieces.h"
#include "util/untrusted_text.h"

namespace qv {
namespace {


// Drawn like the overview's cards, but plain: no hover and no click. Each is a region that does
// nothing, so that the keyboard and readers can reach its figure.
void tiles(const PanelCanvas& c, const std::vector<AppTile>& list, const AppDetailInput& in, int32_t y) {
  const Theme& t = c.theme();
  const int32_t x0 = c.px(12);
  const int32_t x1 = c.width - c.px(12);
  for (size_t i = 0; i < list.size(); ++i) {
    const AppTile& tile = list[i];
    const Rect card{x0, y, x1, y + c.px(46)};
    fill_rect(c.dc, card, t.surface);
    c.add_region(card, make_action(ActionKind::kNone, i, kAppTileRegion));
    const Rgb colour = rgb(tile.colour);
    draw_text(c.dc, x0 + c.px(10), y + c.px(6), c.fonts->small, colour, tile.label);
    const Rect graph{x1 - c.px(118), y + c.px(7), x1 - c.px(8), y + c.px(39)};
    draw_sparkline(c.dc, graph, in.series[static_cast<size_t>(tile.series)], tile.full_scale, colour);
    draw_text_fit(c.dc, x0 + c.px(10), y + c.px(21), graph.left - c.px(6), {c.fonts->bold, c.fonts->heading, c.fonts->small},
                  t.text, tile.value);
    y += c.px(52);
  }
}

// The visible band of the scrolled page: from below the title band to the bottom margin.
struct Area {
  int32_t top = 0;
  int32_t bottom = 0;
};

// Rows are placed from `top` (already scrolled); those outside the area are not drawn, but their
// ✕ stays a piece the keyboard reaches.
void process_list(const PanelCanvas& c, const std::vector<ProcessRow>& rows, int32_t top, const Area& area) {
  const PanelState& p = *c.panel;
  const Theme& t = c.theme();
  const int32_t x0 = c.px(12);
  const int32_t x1 = c.width - c.px(12);
  const int32_t glyph_x = x1 - c.px(16);
  if (rows.empty()) {
    draw_text(c.dc, x0, top, c.fonts->small, t.text_dim, "No processes match your filter");
    return;
  }
  const Rgb value_colour = process_sort_colour(p.process_sort);
  const int32_t step = c.px(kProcessRowStep);
  // The glyph's baseline on the row's, although it uses the larger font.
  const int32_t glyph_shift = font_ascent(c.dc, c.fonts->small) - font_ascent(c.dc, c.fonts->body);
  for (size_t i = 0; i < rows.size(); ++i) {
    const int32_t y = top + step * static_cast<int32_t>(i);
    const Action close = make_action(ActionKind::kCloseProcess, 0, 0, rows[i].pid);
    if (y - c.px(2) >= area.bottom || y + c.px(20) <= area.top) {
      c.add_region(Rect{glyph_x - c.px(6), y - c.px(2), x1 + c.px(4), y + c.px(20)}, close);
      continue;
    }
    const Rect row{x0, y - c.px(2), x1, y + c.px(20)};
    if (c.hovered(row)) fill_rect(c.dc, row, t.hover);
    draw_text(c.dc, glyph_x, y + glyph_shift, c.fonts->body, colours::danger, "×");
    const int32_t value_left = glyph_x - c.px(10) - text_width(c.dc, c.fonts->small, rows[i].value);
    draw_text(c.dc, value_left, y, c.fonts->small, value_colour, rows[i].value);
    draw_text_fit(c.dc, x0 + c.px(6), y, value_left - c.px(6), {c.fonts->small}, t.text, rows[i].label);
    c.add_region(Rect{glyph_x - c.px(6), y - c.px(2), x1 + c.px(4), y + c.px(20)}, close);
    // The row itself does nothing on a click, but has a region of its own so that the pointer
    // moving onto it repaints its highlight at once, and the keyboard and readers reach it.
    c.add_region(row, make_action(ActionKind::kNone, 0, kAppProcessRowRegion, rows[i].pid));
  }
}

// The section's parts are placed `dy` higher than laid out, as the page is scrolled.
void process_section(const PanelCanvas& c, const std::vector<ProcessRow>& rows, size_t count, size_t tile_count,
                     int32_t dy, const Area& area) {
  const PanelState& p = *c.panel;
  const Theme& t = c.theme();
  const int32_t x0 = c.px(12);
  const int32_t x1 = c.width - c.px(12);
  const ProcessSectionPlace place = process_section_place(tile_count, c.scale);
  const int32_t yh = place.header_top - dy;
  const Rect header{x0, yh, x1, yh + c.px(28)};
  hover_fill(c, header, t.surface);
  draw_fold_chevron(c.dc, x0 + c.px(11), yh + c.px(11), c.px(8), c.px(2), t.text_dim, p.processes_expanded);
  draw_text(c.dc, x0 + c.px(24), yh + c.px(4), c.fonts->small, t.text, "Processes (" + std::to_string(count) + ")");
  c.add_region(header, make_action(ActionKind::kToggleProcesses));
  if (!p.processes_expanded) return;

  const std::optional<Action> clear =
      p.filter_text.empty() ? std::nullopt : std::optional<Action>(make_action(ActionKind::kClearFilter));
  text_field_frame(c, process_filter_frame(place.filter_row - dy, c.width, c.scale), clear);
  int32_t x = x0;
  for (uint8_t column = 0; column < kProcessSortCount; ++column) {
    x = chip(c, x, place.chips_top - dy, kProcessSortChips[column], p.process_sort == column,
             make_action(ActionKind::kSetProcessSort, 0, column));
  }
  process_list(c, rows, place.list_top - dy, area);
}

}  // namespace

// Everything below the title band scrolls as one page (wheel and scroll bar), so that a short
// pop-up still reaches the process list; the band stays.
void paint_app_detail(const PanelCanvas& c, const Snapshot& snap, const AppDetailInput& in) {
  PanelState& p = *c.panel;
  const std::string app = p.selected_app.value_or("");
  const int32_t a = title_band(c, c.px(12), display_line(app), current_theme().accent,
                               BandLabel{"close app", colours::danger_hover, make_action(ActionKind::kCloseSelectedApp)});
  const size_t count = app_process_count(snap, app);
  const std::vector<AppTile> list = app_tiles(snap, app, in.series_max);
  static const std::unordered_map<uint32_t, std::string> kNoRoles;
  std::vector<ProcessRow> rows;
  if (count >= 2 && p.processes_expanded) {
    rows = process_rows(snap, app, in.roles ? *in.roles : kNoRoles, p.filter_text, p.process_sort);
  }
  const int32_t content = app_detail_content_bottom(list.size(), count, p.processes_expanded, rows.size(), c.scale) - a;
  const Area area{a, c.height - c.px(12)};
  // What scrolled out of the area is not hit there (the clip marks the regions with its band).
  ListClip clip(c, a, content);
  const int32_t dy = p.scroll_offset;
  draw_text(c.dc, c.px(12), a - dy, c.fonts->small, c.theme().text_dim, app_status_text(count));
  c.add_region(Rect{c.px(12), a - dy, c.width - c.px(12), a - dy + c.px(18)},
               make_action(ActionKind::kNone, 0, kAppStatusRegion));
  tiles(c, list, in, a + c.px(24) - dy);
  if (count >= 2) process_section(c, rows, count, list.size(), dy, area);
}

}  // namespace qv
