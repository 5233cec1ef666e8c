#include "ui/panel/detail/panel_detail_win.h"

#include <algorithm>
#include <string>
#include <vector>

#include "ui/panel/detail/detail_model.h"
#include "util/untrusted_text.h"

namespace qv {
namespace {


// A line too long for a narrow panel wraps, and the lines below it move down by what it grew.
void notice(const PanelCanvas& c, int32_t top, const std::vector<NoticeLine>& lines) {
  const int32_t x0 = c.px(12);
  const int32_t width = c.width - 2 * x0;
  int32_t grown = 0;
  for (const NoticeLine& line : lines) {
    const HFONT font = line.small ? c.fonts->small : c.fonts->body;
    const int32_t line_height = font_height(c.dc, font);
    const std::vector<std::string> rows = wrap_text(c.dc, font, width, line.text);
    const int32_t y = top + c.px(line.dy) + grown;
    for (size_t i = 0; i < rows.size(); ++i) {
      draw_text(c.dc, x0, y + line_height * static_cast<int32_t>(i), font, c.theme().text_dim, rows[i]);
    }
    if (rows.size() > 1) grown += line_height * static_cast<int32_t>(rows.size() - 1);
  }
}

// "Filter", the text-field frame with its clear glyph, and the pause button right of the frame.
// Returns the content top below them.
int32_t filter_line(const PanelCanvas& c, int32_t a) {
  const PanelState& p = *c.panel;
  const Theme& t = c.theme();
  const FilterLinePlace place = filter_line_place(c.width, c.scale);
  draw_text(c.dc, place.label.x, place.label.y, c.fonts->small, t.text_dim, "Filter");
  text_field_frame(c, place.frame,
                   p.filter_text.empty() ? std::nullopt : std::optional<Action>(make_action(ActionKind::kClearFilter)));
  const char* label = p.paused ? "resume" : "pause";
  const Rect& button = place.pause;
  const bool lit = p.paused || c.hovered(button);
  fill_rect(c.dc, button, lit ? colours::paused : t.surface);
  const int32_t label_x = button.left + (button.width() - text_width(c.dc, c.fonts->small, label)) / 2;
  draw_text(c.dc, label_x, button.top + c.px(4), c.fonts->small, lit ? colours::on_accent : t.text, label);
  c.add_region_first(button, make_action(ActionKind::kTogglePause), PieceRole::kButton, label);
  a += c.px(32);
  if (p.paused) {
    draw_text(c.dc, place.label.x, a - c.px(2), c.fonts->small, colours::paused, "Paused");
    a += c.px(16);
  }
  return a;
}

int32_t core_meters(const PanelCanvas& c, const Snapshot& snap, int32_t a) {
  const size_t cores = snap.per_core_pct.size();
  draw_text(c.dc, c.px(12), a, c.fonts->small, c.theme().text_dim, "CPU CORES (" + std::to_string(cores) + ")");
  a += c.px(16);
  const CoreGrid grid = core_grid(cores, a, c.width, c.scale);
  for (size_t i = 0; i < cores; ++i) draw_meter(c.dc, grid.bars[i], snap.per_core_pct[i] / 100.0f, colours::cpu);
  return grid.next_top;
}

void app_list(const PanelCanvas& c, const std::vector<DetailRow>& rows, int32_t a) {
  const Theme& t = c.theme();
  const int32_t x0 = c.px(12);
  const int32_t x1 = c.width - c.px(12);
  const int32_t glyph_x = x1 - c.px(18);
  // The value's baseline on the name's, although it uses the smaller bold font.
  const int32_t value_shift = font_ascent(c.dc, c.fonts->body) - font_ascent(c.dc, c.fonts->heading);
  size_t drawn_end = 0;  // rows from here down are not drawn
  {
    ListClip clip(c, a, c.px(26) * static_cast<int32_t>(rows.size()));
    for (const DetailRowPlace& place :
         detail_row_places(rows.size(), a, c.panel->scroll_offset, c.width, c.height, c.scale)) {
      drawn_end = place.index + 1;
      const DetailRow& row = rows[place.index];
      const int32_t y = place.y;
      if (c.hovered(place.row)) fill_rect(c.dc, place.row, t.hover);
      draw_text(c.dc, glyph_x, y, c.fonts->body, colours::danger, "×");
      int32_t name_right = glyph_x - c.px(10);
      if (!row.value.empty()) {
        const int32_t left = glyph_x - c.px(10) - text_width(c.dc, c.fonts->heading, row.value);
        draw_text(c.dc, left, y + value_shift, c.fonts->heading, t.text, row.value);
        name_right = left;
      }
      draw_text_fit(c.dc, x0 + c.px(4), y, name_right - c.px(8), {c.fonts->body, c.fonts->small}, t.text,
                    display_line(row.app.name));
    }
  }
  // Every row is a piece, drawn or scrolled out; its band keeps clicks to what shows. A row below
  // the last drawn one (drawn rows stop px(20) above the bottom) has no part in the band, so that
  // the bottom margin, where it is not drawn, does not open it.
  const ScrollBand band{a, c.height - c.px(12), c.panel->scroll_offset};
  for (size_t i = 0; i < rows.size(); ++i) {
    const DetailRowPlace place = detail_row_place(i, a, c.panel->scroll_offset, c.width, c.scale);
    ScrollBand row_band = band;
    if (i >= drawn_end && place.close.top > a) row_band.bottom = std::min(band.bottom, place.close.top);
    c.add_region(place.open, make_action(ActionKind::kOpenAppRow, i));
    c.panel->hit_regions.back().band = row_band;
    c.add_region(place.close, make_action(ActionKind::kCloseAppRow, i));
    c.panel->hit_regions.back().band = row_band;
  }
}

}  // namespace

void paint_metric_detail(const PanelCanvas& c, const Snapshot& live) {
  PanelState& p = *c.panel;
  const uint8_t measure = p.sub_page < kMeasureCount ? p.sub_page : 0;
  const MeasureStyle style = measure_style(measure);
  int32_t a = title_band(c, c.px(12), style.title, rgb(style.colour));
  // A paused page keeps showing the copy taken when it was paused: cores and list alike.
  const Snapshot& snap = p.paused && p.frozen_snapshot ? *p.frozen_snapshot : live;
  a = filter_line(c, a);
  if (measure == 0) a = core_meters(c, snap, a);

  if (const auto lines = measure_notice(measure, snap); !lines.empty()) {
    notice(c, a, lines);
    return;
  }
  std::vector<DetailRow> rows = detail_rows(snap.processes, measure, p.filter_text);
  p.app_rows.reserve(rows.size());
  for (const DetailRow& row : rows) p.app_rows.push_back(row.app);
  if (rows.empty()) {
    notice(c, a, empty_list_notice(measure, snap));
    return;
  }
  app_list(c, rows, a);
}

void paint_frame_rate_list(const PanelCanvas& c, const Snapshot& snap) {
  PanelState& p = *c.panel;
  const Theme& t = c.theme();
  const int32_t x0 = c.px(12);
  const int32_t x1 = c.width - c.px(12);
  const int32_t a = title_band(c, c.px(12), "FPS", colours::paused);
  if (const auto text = fps_notice(snap)) {
    notice(c, a, {NoticeLine{*text, false, 0}});
    return;
  }
  p.app_rows = fps_rows(snap);
  const int32_t value_shift = font_ascent(c.dc, c.fonts->body) - font_ascent(c.dc, c.fonts->heading);
  const size_t shown = fps_rows_shown(p.app_rows.size(), a, c.height, c.scale);
  for (size_t i = 0; i < shown; ++i) {
    const int32_t y = a + c.px(26) * static_cast<int32_t>(i);
    const Rect row{x0, y - c.px(2), x1, y + c.px(22)};
    if (c.hovered(row)) fill_rect(c.dc, row, t.hover);
    const std::string rate = fps_rate_text(snap.presenting_apps[i].fps);
    const int32_t rate_left = x1 - c.px(4) - text_width(c.dc, c.fonts->heading, rate);
    draw_text(c.dc, rate_left, y + value_shift, c.fonts->heading, t.text, rate);
    draw_text_fit(c.dc, x0 + c.px(4), y, rate_left - c.px(16), {c.fonts->body, c.fonts->small}, t.text,
                  display_line(p.app_rows[i].name));
    c.add_region(row, make_action(ActionKind::kOpenAppRow, i));
  }
}

}  // namespace qv
