#include "ui/panel/app_detail/panel_app_detail_win.h"

#include <algorithm>
#include <string>
#include <vector>

#include "ui/panel/detail/detail_model.h"

namespace qv {
namespace {


// Drawn like the overview's cards, but plain: no hover and no click.
void tiles(const PanelCanvas& c, const std::vector<AppTile>& list, const AppDetailInput& in, int32_t y) {
  const Theme& t = c.theme();
  const int32_t x0 = c.px(12);
  const int32_t x1 = c.width - c.px(12);
  for (const AppTile& tile : list) {
    fill_rect(c.dc, Rect{x0, y, x1, y + c.px(46)}, t.surface);
    const Rgb colour = rgb(tile.colour);
    draw_text(c.dc, x0 + c.px(10), y + c.px(6), c.fonts->small, colour, tile.label);
    const Rect graph{x1 - c.px(118), y + c.px(7), x1 - c.px(8), y + c.px(39)};
    draw_sparkline(c.dc, graph, in.series[static_cast<size_t>(tile.series)], tile.full_scale, colour);
    draw_text_fit(c.dc, x0 + c.px(10), y + c.px(21), graph.left - c.px(6), {c.fonts->bold, c.fonts->heading, c.fonts->small},
                  t.text, tile.value);
    y += c.px(52);
  }
}

void process_list(const PanelCanvas& c, const std::vector<ProcessRow>& rows, int32_t top) {
  const PanelState& p = *c.panel;
  const Theme& t = c.theme();
  const int32_t x0 = c.px(12);
  const int32_t x1 = c.width - c.px(12);
  const int32_t glyph_x = x1 - c.px(16);
  if (rows.empty()) {
    draw_text(c.dc, x0, top, c.fonts->small, t.text_dim, "No processes match your filter");
    scrollbar(c, c.width, c.height, top, 0);
    return;
  }
  const Rgb value_colour = rgb(measure_style(p.process_sort).colour);
  const int32_t step = c.px(30);
  // The glyph's baseline on the row's, although it uses the larger font.
  const int32_t glyph_shift = font_ascent(c.dc, c.fonts->small) - font_ascent(c.dc, c.fonts->body);
  {
    ListClip clip(c, top, step * static_cast<int32_t>(rows.size()));
    for (size_t i = 0; i < rows.size(); ++i) {
      const int32_t y = clip.row_y(step * static_cast<int32_t>(i));
      if (!clip.shows(y - c.px(2), y + c.px(20))) {
        if (y > top) break;  // below the list: so are the rest
        continue;
      }
      const Rect row{x0, y - c.px(2), x1, y + c.px(20)};
      if (c.hovered(row)) fill_rect(c.dc, row, t.hover);
      draw_text(c.dc, glyph_x, y + glyph_shift, c.fonts->body, colours::danger, "×");
      const int32_t value_left = glyph_x - c.px(10) - text_width(c.dc, c.fonts->small, rows[i].value);
      draw_text(c.dc, value_left, y, c.fonts->small, value_colour, rows[i].value);
      draw_text_fit(c.dc, x0 + c.px(6), y, value_left - c.px(6), {c.fonts->small}, t.text, rows[i].label);
      c.add_region(Rect{glyph_x - c.px(6), std::max(top, y - c.px(2)), x1 + c.px(4), y + c.px(20)},
                   make_action(ActionKind::kCloseProcess, 0, 0, rows[i].pid));
    }
  }
}

void process_section(const PanelCanvas& c, const Snapshot& snap, const std::string& app, size_t count,
                     size_t tile_count, const AppDetailInput& in) {
  const PanelState& p = *c.panel;
  const Theme& t = c.theme();
  const int32_t x0 = c.px(12);
  const int32_t x1 = c.width - c.px(12);
  const ProcessSectionPlace place = process_section_place(tile_count, c.scale);
  const int32_t yh = place.header_top;
  const Rect header{x0, yh, x1, yh + c.px(28)};
  hover_fill(c, header, t.surface);
  draw_fold_chevron(c.dc, x0 + c.px(11), yh + c.px(11), c.px(8), c.px(2), t.text_dim, p.processes_expanded);
  draw_text(c.dc, x0 + c.px(24), yh + c.px(4), c.fonts->small, t.text, "Processes (" + std::to_string(count) + ")");
  c.add_region(header, make_action(ActionKind::kToggleProcesses));
  if (!p.processes_expanded) return;

  const int32_t m = place.filter_row;
  const std::optional<Action> clear =
      p.filter_text.empty() ? std::nullopt : std::optional<Action>(make_action(ActionKind::kClearFilter));
  text_field_frame(c, process_filter_frame(m, c.width, c.scale), clear);
  int32_t x = x0;
  for (uint8_t column = 0; column < kProcessSortCount; ++column) {
    x = chip(c, x, place.chips_top, kProcessSortChips[column], p.process_sort == column,
             make_action(ActionKind::kSetProcessSort, 0, column));
  }
  static const std::unordered_map<uint32_t, std::string> kNoRoles;
  process_list(c, process_rows(snap, app, in.roles ? *in.roles : kNoRoles, p.filter_text, p.process_sort),
               place.list_top);
}

}  // namespace

void paint_app_detail(const PanelCanvas& c, const Snapshot& snap, const AppDetailInput& in) {
  const PanelState& p = *c.panel;
  const std::string app = p.selected_app.value_or("");
  const int32_t a = title_band(c, c.px(12), app, colours::accent,
                               BandLabel{"close app", colours::danger_hover, make_action(ActionKind::kCloseSelectedApp)});
  const size_t count = app_process_count(snap, app);
  draw_text(c.dc, c.px(12), a, c.fonts->small, c.theme().text_dim, app_status_text(count));
  const std::vector<AppTile> list = app_tiles(snap, app, in.series_max);
  tiles(c, list, in, a + c.px(24));
  if (count >= 2) process_section(c, snap, app, count, list.size(), in);
}

}  // namespace qv
