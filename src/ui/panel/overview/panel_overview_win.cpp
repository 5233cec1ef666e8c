#include "ui/panel/overview/panel_overview_win.h"

#include <algorithm>
#include <string>

#include "ui/panel/frame/panel_layout.h"
#include "util/untrusted_text.h"
#include "util/format.h"

namespace qv {
namespace {


// The header line: close glyph (pop-up only), "settings", "top" (pinned only), "pin"/"unpin".
void header_links(const PanelCanvas& c, const OverviewLayout& l, const Settings& s) {
  const Theme& t = c.theme();
  const int32_t y = l.header_y;
  int32_t right = c.width - c.px(12);
  if (!s.pinned) {
    const int32_t glyph_left = right - text_width(c.dc, c.fonts->body, "×");
    const Rect box{glyph_left - c.px(7), y - c.px(6), right + c.px(6), y + c.px(17)};
    const bool hot = c.hovered(box);
    if (hot) fill_rect(c.dc, box, t.hover);
    // Same baseline as the links beside it, although the glyph uses the larger font.
    const int32_t glyph_y = y + font_ascent(c.dc, c.fonts->small) - font_ascent(c.dc, c.fonts->body);
    draw_text(c.dc, glyph_left, glyph_y, c.fonts->body, hot ? colours::danger_hover : t.text_dim, "×");
    c.add_region(box, make_action(ActionKind::kHidePanel));
    right = glyph_left - c.px(14);
  }
  right = header_link(c, right, y, "settings", true, make_action(ActionKind::kOpenSettings));
  if (s.pinned) right = header_link(c, right, y, "top", s.on_top, make_action(ActionKind::kToggleOnTop));
  header_link(c, right, y, s.pinned ? "unpin" : "pin", s.pinned, make_action(ActionKind::kTogglePinned));
}

void search_line(const PanelCanvas& c, const OverviewLayout& l) {
  const Theme& t = c.theme();
  draw_text(c.dc, l.search_label.x, l.search_label.y, c.fonts->small, t.text_dim, "Find app");
  const std::optional<Action> clear =
      c.panel->filter_text.empty() ? std::nullopt : std::optional<Action>(make_action(ActionKind::kClearFilter));
  text_field_frame(c, l.search_frame, clear);
}

// The scrolled part of the overview: cards and drives are drawn `dy` higher and only between
// `top` and `bottom`. A card's region is marked with that band: it is hit only where it shows,
// and a card scrolled out is still a piece the keyboard reaches.
struct ListView {
  int32_t dy = 0;
  int32_t top = 0;
  int32_t bottom = 0;
  Rect shift(Rect r) const { return Rect{r.left, r.top - dy, r.right, r.bottom - dy}; }
  bool shows(const Rect& r) const { return r.bottom > top && r.top < bottom; }
  void add_region(const PanelCanvas& c, const Rect& r, const Action& action) const {
    c.add_region(r, action);
    c.panel->hit_regions.back().band = ScrollBand{top, bottom, dy};
  }
};

void metric_cards(const PanelCanvas& c, const OverviewInput& in, const std::vector<CardKind>& cards,
                  const OverviewLayout& l, const ListView& v) {
  const Theme& t = c.theme();
  for (size_t i = 0; i < cards.size(); ++i) {
    const CardKind& card = cards[i];
    const Rect r = v.shift(l.cards[i]);
    if (!v.shows(r)) {
      v.add_region(c, r, card.action);
      continue;
    }
    const int32_t x0 = r.left;
    const int32_t x1 = r.right;
    const int32_t y = r.top;
    hover_fill(c, r, t.surface);
    const MetricStyle style = metric_style(card.key);
    draw_text(c.dc, x0 + c.px(10), y + c.px(6), c.fonts->small, style.colour, style.label);
    const Rect graph{x1 - c.px(118), y + c.px(7), x1 - c.px(8), y + c.px(39)};
    const auto series = static_cast<size_t>(card.series);
    draw_sparkline(c.dc, graph, in.series[series], card_full_scale(card.key, in.series_max[series]), style.colour);
    draw_text_fit(c.dc, x0 + c.px(10), y + c.px(21), graph.left - c.px(6),
                  {c.fonts->bold, c.fonts->heading, c.fonts->small}, t.text, card_value_text(card.key, *in.snapshot));
    v.add_region(c, r, card.action);
  }
}

void drives(const PanelCanvas& c, const Snapshot& snap, const OverviewLayout& l, const ListView& v) {
  const Theme& t = c.theme();
  const int32_t x0 = c.px(12);
  const int32_t x1 = c.width - c.px(12);
  draw_text(c.dc, x0, l.drives_heading_y - v.dy, c.fonts->small, t.text_dim, "DRIVES");
  if (snap.drives.empty()) {
    draw_text(c.dc, x0, l.no_drives_y - v.dy, c.fonts->body, t.text_dim, "No drives found");
    return;
  }
  const int32_t baseline_shift = font_ascent(c.dc, c.fonts->bold) - font_ascent(c.dc, c.fonts->small);
  for (size_t i = 0; i < snap.drives.size(); ++i) {
    const DriveInfo& d = snap.drives[i];
    const Rect row = v.shift(l.drive_rows[i].row);
    if (!v.shows(row)) continue;
    const int32_t y = row.top;
    draw_text(c.dc, x0, y, c.fonts->bold, t.text, std::string(1, d.letter) + ":");
    const std::string space = format_bytes(d.free_bytes) + " free of " + format_bytes(d.total_bytes);
    const int32_t left = std::max(x1 - text_width(c.dc, c.fonts->small, space), x0 + c.px(30));
    draw_text_fit(c.dc, left, y + baseline_shift, x1, {c.fonts->small}, t.text_dim, space);
    const uint64_t used = d.total_bytes > d.free_bytes ? d.total_bytes - d.free_bytes : 0;
    const float fraction = d.total_bytes == 0 ? 0.0f : static_cast<float>(static_cast<double>(used) / d.total_bytes);
    draw_meter(c.dc, v.shift(l.drive_rows[i].meter), fraction, colours::disk);
  }
}

void banners(const PanelCanvas& c, const std::vector<Banner>& list, const OverviewLayout& l) {
  const int32_t x0 = c.px(12);
  const int32_t x1 = c.width - c.px(12);
  for (size_t i = 0; i < list.size(); ++i) {
    const Banner& b = list[i];
    const Rgb colour = rgb(b.colour);
    const Rect r = l.banners[i];
    const bool hot = c.hovered(r);
    if (hot) {
      fill_rect(c.dc, r, colour);
    } else {
      fill_rect(c.dc, r, scale_colour(colour, 0.39f));
      // The dimmed fill is a tint on a dark surface; on the light theme the colour is laid over
      // the surface instead, or the banner would come out nearly black.
      const Rgb inside = current_theme_index() == kLightTheme ? mix_colour(colour, c.theme().surface, 0.12f)
                                                              : scale_colour(colour, 0.12f);
      fill_rect(c.dc, Rect{r.left + 1, r.top + 1, r.right - 1, r.bottom - 1}, inside);
    }
    draw_text_fit(c.dc, x0 + c.px(11), r.top + c.px(6), x1 - c.px(8), {c.fonts->heading, c.fonts->small},
                  hot ? colours::on_accent : colour, b.text);
    c.add_region(r, b.action);
  }
}

void search_results(const PanelCanvas& c, const Snapshot& snap, int32_t y) {
  const Theme& t = c.theme();
  const int32_t x0 = c.px(12);
  const int32_t x1 = c.width - c.px(12);
  std::vector<SearchRow> rows = search_rows(snap.processes, c.panel->filter_text);
  c.panel->app_rows.clear();
  for (const SearchRow& row : rows) c.panel->app_rows.push_back(row.app);
  if (rows.empty()) {
    draw_text(c.dc, x0, y + c.px(4), c.fonts->body, t.text_dim, search_empty_text(snap));
    return;
  }
  for (size_t i = 0; i < rows.size() && y <= c.height - c.px(24); ++i) {
    const Rect r{x0, y - c.px(2), x1, y + c.px(22)};
    if (c.hovered(r)) fill_rect(c.dc, r, t.hover);
    const std::string stats = search_stats_text(rows[i]);
    const int32_t stats_left = x1 - c.px(4) - text_width(c.dc, c.fonts->small, stats);
    draw_text(c.dc, stats_left, y + c.px(2), c.fonts->small, t.text_dim, stats);
    draw_text_fit(c.dc, x0 + c.px(4), y, stats_left - c.px(14), {c.fonts->body, c.fonts->small}, t.text,
                  display_line(rows[i].app.name));
    c.add_region(r, make_action(ActionKind::kOpenAppRow, i));
    y += c.px(26);
  }
}

}  // namespace

void paint_overview(const PanelCanvas& c, const OverviewInput& in) {
  const std::vector<CardKind> cards = shown_cards(in.settings->main_metrics);
  const OverviewLayout l = overview_layout(OverviewLayoutInput{c.scale, c.width, c.height, cards.size(),
                                                               in.snapshot->drives.size(), in.banners.size(),
                                                               in.settings->mcp_enabled});
  header_links(c, l, *in.settings);
  search_line(c, l);
  if (!c.panel->filter_text.empty()) {
    // The results stop at the bottom of the window; nothing of the cards' scroll applies.
    c.panel->scroll_max = 0;
    c.panel->scroll_offset = 0;
    search_results(c, *in.snapshot, l.body_top);
    return;
  }
  // A pop-up held to the work area's height is shorter than its content: the cards and drives
  // scroll between the search line and the banners, as the lists of the other pages do.
  const ScrollbarShape bar = layout_scrollbar(*c.panel, c.width, l.list_bottom + c.px(12), l.body_top,
                                              l.content_bottom - l.body_top, c.scale);
  const ListView view{c.panel->scroll_offset, l.body_top, l.list_bottom};
  {
    const int saved = SaveDC(c.dc);
    IntersectClipRect(c.dc, 0, view.top, c.width, view.bottom);
    metric_cards(c, in, cards, l, view);
    drives(c, *in.snapshot, l, view);
    RestoreDC(c.dc, saved);
  }
  if (bar.track) fill_rect(c.dc, *bar.track, c.theme().surface);
  if (bar.thumb) fill_rect(c.dc, *bar.thumb, c.theme().text_dim);
  banners(c, in.banners, l);
}

}  // namespace qv
