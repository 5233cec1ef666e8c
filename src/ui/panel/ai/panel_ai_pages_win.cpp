#include "ui/panel/ai/panel_ai_pages_win.h"

#include <algorithm>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "ui/gdi/text_layout.h"
#include "ui/panel/ai/ai_pieces.h"
#include "ui/panel/ai/messages_model.h"
#include "util/handles_win.h"

namespace qv {
namespace {

// A region of a scrolled row, cut to the visible list so that a row half under the title band
// cannot take the band's clicks; nothing when no part shows.
std::optional<Rect> visible_part(const Rect& r, int32_t list_top, int32_t list_bottom) {
  Rect v{r.left, std::max(r.top, list_top), r.right, std::min(r.bottom, list_bottom)};
  if (v.top >= v.bottom) return std::nullopt;
  return v;
}

void draw_dot(HDC dc, int32_t cx, int32_t cy, int32_t diameter, Rgb colour) {
  UniqueGdiObject brush(CreateSolidBrush(colorref(colour)));
  SelectGuard keep_brush(dc, brush.get());
  SelectGuard keep_pen(dc, GetStockObject(NULL_PEN));
  const int32_t r = std::max(diameter / 2, 1);
  // The null pen leaves the right and bottom edge out; one more pixel keeps the dot round.
  Ellipse(dc, cx - r, cy - r, cx + r + 1, cy + r + 1);
}

// Widths in the small font, remembered across paints (the lists wrap the same words each time).
TextMeasure small_measure(const PanelCanvas& c) {
  HDC dc = c.dc;
  HFONT font = c.fonts->small;
  return cached_measure(
      c.panel->small_widths, reinterpret_cast<uintptr_t>(font), c.scale,
      [dc, font](std::string_view s) { return static_cast<int32_t>(text_width(dc, font, s)); },
      [dc, font](char32_t first, size_t count, int32_t* out) { return char_advances(dc, font, first, count, out); });
}

// Heights and ascents the rows line their texts up by, asked of the system once per paint rather
// than once per row.
struct RowFonts {
  int32_t body_height = 0;
  int32_t heading_height = 0;
  int32_t small_height = 0;
  int32_t body_ascent = 0;
  int32_t heading_ascent = 0;
  int32_t small_ascent = 0;
};

RowFonts row_fonts(const PanelCanvas& c) {
  auto metrics = [&c](HFONT font) {
    SelectObject(c.dc, font);
    TEXTMETRICW tm{};
    GetTextMetricsW(c.dc, &tm);
    return tm;
  };
  const TEXTMETRICW body = metrics(c.fonts->body);
  const TEXTMETRICW heading = metrics(c.fonts->heading);
  const TEXTMETRICW small = metrics(c.fonts->small);
  return RowFonts{body.tmHeight, heading.tmHeight, small.tmHeight, body.tmAscent, heading.tmAscent, small.tmAscent};
}

void empty_state(const PanelCanvas& c, int32_t top, const char* line, const char* hint1, const char* hint2) {
  const Theme& t = c.theme();
  const int32_t x = c.px(12) + c.px(4);
  const int32_t y = top + c.px(8);
  draw_text(c.dc, x, y, c.fonts->body, t.text_dim, line);
  draw_text(c.dc, x, y + c.px(20), c.fonts->small, t.text_dim, hint1);
  if (hint2) draw_text(c.dc, x, y + c.px(20) + c.px(16), c.fonts->small, t.text_dim, hint2);
}

struct ListArea {
  int32_t top = 0;
  int32_t bottom = 0;
};

// One agent or finished agent: dot, title, status or time on the right, the detail beneath.
void activity_item(const PanelCanvas& c, const RowFonts& fonts, const ListArea& area, const ActivityRow& row,
                   int32_t y, int32_t h, int32_t detail_width) {
  const Theme& t = c.theme();
  const int32_t x0 = c.px(12);
  const int32_t x1 = c.width - c.px(12);
  const Rect r{x0, y, x1, y + h};
  const TextMeasure small = small_measure(c);
  std::vector<std::string> lines;
  bool folds = false;
  if (!row.detail.empty()) {
    lines = wrap_lines(row.detail, detail_width, small, row.expanded ? SIZE_MAX : 2);
    folds = lines.size() > 1;
    if (!row.expanded) lines.resize(std::min<size_t>(lines.size(), 1));
  }
  const std::optional<Rect> visible = visible_part(r, area.top, area.bottom);
  const bool clickable = folds && visible;
  fill_rect(c.dc, r, clickable && c.hovered(*visible) ? t.hover : t.surface);

  const int32_t title_y = y + c.px(kItemPadding);
  const int32_t title_h = fonts.body_height;
  draw_dot(c.dc, x0 + c.px(12), title_y + title_h / 2, c.px(8), row.dot_colour);

  // The status is free text from the tool: it may take at most half the row.
  const int32_t side_right = x1 - c.px(10);
  const int32_t side_w = std::min(text_width(c.dc, c.fonts->small, row.side), (x1 - x0) / 2);
  const int32_t side_left = side_right - side_w;
  const int32_t baseline_shift = fonts.body_ascent - fonts.small_ascent;
  draw_text_fit(c.dc, side_left, title_y + baseline_shift, side_right, {c.fonts->small}, row.side_colour, row.side);
  const int32_t text_x = x0 + c.px(24);
  draw_text_fit(c.dc, text_x, title_y, side_left - c.px(10), {c.fonts->body, c.fonts->small}, row.title_colour,
                row.title);

  const int32_t line_h = c.px(kItemLineHeight);
  const int32_t detail_y = title_y + c.px(kItemTitleHeight);
  for (size_t i = 0; i < lines.size(); ++i) {
    const int32_t ly = detail_y + static_cast<int32_t>(i) * line_h;
    if (ly > area.bottom) break;
    if (ly + line_h < area.top) continue;
    draw_text(c.dc, text_x, ly, c.fonts->small, t.text_dim, lines[i]);
  }
  if (folds) {
    draw_fold_chevron(c.dc, x1 - c.px(12), detail_y + line_h / 2, c.px(8), std::max(c.px(1), 1), t.text_dim,
                      row.expanded);
  }
  // An item that does not fold is still a region, so that the keyboard and readers reach it.
  if (visible) {
    c.add_region(*visible,
                 clickable ? make_action(ActionKind::kToggleActivityItem, row.key)
                           : make_action(ActionKind::kNone, row.key, kActivityItemRegion),
                 PieceRole::kNone, activity_row_name(row, lines));
  }
}

// A row scrolled out of the activity list is not drawn, but what a click on it would do stays a
// piece the keyboard reaches (the list's clip marks the regions scrolled out): an item whose
// detail folds, the finished section's header and its "clear". An unfolded item's lines were
// counted when the rows were placed; a folded item's detail alone is made, to know whether it folds.
void scrolled_out_activity_row(const PanelCanvas& c, const ActivityEntry& entry, size_t unfolded_lines, int32_t y,
                               int32_t h, int32_t detail_width) {
  const Rect r{c.px(12), y, c.width - c.px(12), y + h};
  switch (entry.kind) {
    case ActivityRowKind::kSessionHeader:
      break;
    case ActivityRowKind::kFinishedHeader:
      if (entry.expanded) {
        const int32_t left = r.right - c.px(10) - text_width(c.dc, c.fonts->small, "clear");
        c.add_region(Rect{left - c.px(8), y, r.right, y + h}, make_action(ActionKind::kClearFinishedAgents));
      }
      c.add_region(r, make_action(ActionKind::kToggleActivityView));
      break;
    case ActivityRowKind::kAgent:
    case ActivityRowKind::kFinished:
      if (!entry.has_detail) break;
      if (entry.expanded ? unfolded_lines > 1
                         : wrap_lines(activity_detail(entry), detail_width, small_measure(c), 2).size() > 1) {
        c.add_region(r, make_action(ActionKind::kToggleActivityItem, entry.key));
      }
      break;
  }
}

void session_header(const PanelCanvas& c, const RowFonts& fonts, const ListArea& area, const ActivityRow& row,
                    int32_t y, int32_t h) {
  const int32_t x0 = c.px(12);
  const int32_t text_y = y + h - c.px(4) - fonts.heading_height;
  draw_text_fit(c.dc, x0 + c.px(4), text_y, c.width - x0, {c.fonts->heading, c.fonts->small}, row.title_colour,
                row.title);
  if (auto visible = visible_part(Rect{x0, y, c.width - x0, y + h}, area.top, area.bottom)) {
    c.add_region(*visible, make_action(ActionKind::kNone, session_header_key(row.title), kSessionHeaderRegion),
                 PieceRole::kNone, activity_row_name(row, {}));
  }
}

void finished_header(const PanelCanvas& c, const RowFonts& fonts, const ListArea& area, const ActivityRow& row,
                     int32_t y, int32_t h) {
  const Theme& t = c.theme();
  const int32_t x0 = c.px(12);
  const int32_t x1 = c.width - c.px(12);
  const Rect r{x0, y, x1, y + h};
  const std::optional<Rect> visible = visible_part(r, area.top, area.bottom);
  fill_rect(c.dc, r, visible && c.hovered(*visible) ? t.hover : t.surface);
  const int32_t text_y = y + (h - fonts.heading_height) / 2;
  int32_t right = x1 - c.px(10);
  if (row.expanded) {
    const int32_t w = text_width(c.dc, c.fonts->small, "clear");
    const int32_t left = right - w;
    const int32_t shift = fonts.heading_ascent - fonts.small_ascent;
    draw_text(c.dc, left, text_y + shift, c.fonts->small, t.text_dim, "clear");
    if (auto label = visible_part(Rect{left - c.px(8), y, x1, y + h}, area.top, area.bottom)) {
      c.add_region(*label, make_action(ActionKind::kClearFinishedAgents));
    }
    right = left - c.px(10);
  }
  draw_text_fit(c.dc, x0 + c.px(10), text_y, right, {c.fonts->heading}, row.title_colour, row.title);
  if (visible) {
    c.add_region(*visible, make_action(ActionKind::kToggleActivityView), PieceRole::kNone, activity_row_name(row, {}));
  }
}

}  // namespace

namespace {

// Milliseconds since 1970 to 100-ns ticks since 1601, then through the time zone of that date;
// nothing when the moment is outside what the system converts.
std::optional<SYSTEMTIME> to_local(uint64_t unix_ms, const TIME_ZONE_INFORMATION* zone) {
  constexpr uint64_t kEpochDifference = 116444736000000000ull;
  if (unix_ms > (UINT64_MAX - kEpochDifference) / 10'000ull) return std::nullopt;
  const uint64_t ticks = kEpochDifference + unix_ms * 10'000ull;
  FILETIME ft{static_cast<DWORD>(ticks & 0xFFFFFFFFu), static_cast<DWORD>(ticks >> 32)};
  SYSTEMTIME utc{};
  SYSTEMTIME local{};
  if (!FileTimeToSystemTime(&ft, &utc) || !SystemTimeToTzSpecificLocalTime(zone, &utc, &local)) return std::nullopt;
  return local;
}

}  // namespace

LocalClockTime local_clock_time(uint64_t unix_ms) {
  const std::optional<SYSTEMTIME> local = to_local(unix_ms, nullptr);
  return local ? LocalClockTime{local->wHour, local->wMinute} : LocalClockTime{};
}

LocalClock make_local_clock() {
  auto zone = std::make_shared<TIME_ZONE_INFORMATION>();
  const bool have_zone = GetTimeZoneInformation(zone.get()) != TIME_ZONE_ID_INVALID;
  // Quarter hour since 1970 -> minutes the zone adds to UTC then.
  auto offsets = std::make_shared<std::unordered_map<uint64_t, int32_t>>();
  return [zone, have_zone, offsets](uint64_t unix_ms) {
    constexpr uint64_t kQuarterMs = 15 * 60'000;
    const uint64_t quarter = unix_ms / kQuarterMs;
    auto found = offsets->find(quarter);
    if (found == offsets->end()) {
      const uint64_t start = quarter * kQuarterMs;
      const std::optional<SYSTEMTIME> local = to_local(start, have_zone ? zone.get() : nullptr);
      if (!local) return LocalClockTime{};
      found = offsets->emplace(quarter, utc_offset_minutes(start, LocalClockTime{local->wHour, local->wMinute})).first;
    }
    return with_utc_offset(unix_ms, found->second);
  };
}

void paint_activity(const PanelCanvas& c, const AiPagesInput& in) {
  PanelState& p = *c.panel;
  const ActivityOutline outline = activity_outline(in.sessions, in.history, p.finished_expanded, p.expanded_ai_items);
  std::optional<BandLabel> clear;
  if (outline.any_listed) clear = BandLabel{"clear", c.theme().text_dim, make_action(ActionKind::kClearAgents)};
  const int32_t top = title_band(c, c.px(12), "AI activity", kAiColour, clear);
  if (outline.empty) {
    p.scroll_max = 0;
    p.scroll_offset = 0;
    empty_state(c, top, "Nothing reported", "When an AI tool tells this app what its",
                "agents are doing, it appears here.");
    return;
  }

  const int32_t detail_width = wrap_width_for_list(c.width, c.scale) - c.px(12);
  const TextMeasure small = small_measure(c);
  // Only unfolded details are wrapped to place the rows, and only the rows in sight get texts.
  std::vector<size_t> unfolded_lines(outline.entries.size(), 0);
  // Placing needs only the detail's lines; the rest of a row (times, colours, status) is made for
  // the rows in sight.
  const ListPlacement place = place_activity_entries(outline.entries, c.scale, [&](const ActivityEntry& e) {
    const size_t n = wrap_lines(activity_detail(e), detail_width, small).size();
    unfolded_lines[static_cast<size_t>(&e - outline.entries.data())] = n;
    return n;
  });
  const ListArea area{top, c.height - c.px(12)};
  ListClip clip(c, top, place.content_height);
  const RowFonts fonts = row_fonts(c);
  for (size_t i = 0; i < outline.entries.size(); ++i) {
    const int32_t y = clip.row_y(place.tops[i]);
    const int32_t h = place.heights[i];
    const ActivityEntry& entry = outline.entries[i];
    if (y >= area.bottom || !clip.shows(y, y + h)) {
      scrolled_out_activity_row(c, entry, unfolded_lines[i], y, h, detail_width);
      continue;
    }
    const ActivityRow row = activity_row(entry, outline, in.now_ms, c.theme(), in.local_clock);
    switch (row.kind) {
      case ActivityRowKind::kSessionHeader:
        session_header(c, fonts, area, row, y, h);
        break;
      case ActivityRowKind::kFinishedHeader:
        finished_header(c, fonts, area, row, y, h);
        break;
      case ActivityRowKind::kAgent:
      case ActivityRowKind::kFinished:
        activity_item(c, fonts, area, row, y, h, detail_width);
        break;
    }
  }
}

void paint_messages(const PanelCanvas& c, const std::deque<MessageEntry>& messages) {
  PanelState& p = *c.panel;
  const Theme& t = c.theme();
  const int32_t top = title_band(c, c.px(12), "Messages", kAiColour);
  if (messages.empty()) {
    p.scroll_max = 0;
    p.scroll_offset = 0;
    empty_state(c, top, "No messages yet", "Messages from connected AI tools appear here.", nullptr);
    return;
  }

  const std::vector<MessageRow> rows =
      message_rows(messages, p.expanded_messages, wrap_width_for_list(c.width, c.scale),
                   small_measure(c));
  const ListPlacement place = place_message_rows(rows, c.scale);
  const ListArea area{top, c.height - c.px(12)};
  const int32_t x0 = c.px(12);
  const int32_t x1 = c.width - c.px(12);
  const int32_t line_h = c.px(kItemLineHeight);
  const int32_t clear_w = text_width(c.dc, c.fonts->small, "clear") + c.px(16);
  ListClip clip(c, top, place.content_height);
  const RowFonts fonts = row_fonts(c);
  for (size_t i = 0; i < rows.size(); ++i) {
    const MessageRow& row = rows[i];
    const int32_t y = clip.row_y(place.tops[i]);
    const int32_t h = place.heights[i];
    const Rect r{x0, y, x1, y + h};
    const int32_t title_y = y + c.px(kMessagePadding);
    const Rect chip_rect{x1 - c.px(8) - clear_w, title_y - c.px(3), x1 - c.px(8), title_y - c.px(3) + c.px(24)};
    if (y >= area.bottom || !clip.shows(y, y + h)) {
      // Not drawn, but still pieces the keyboard reaches (the clip marks them scrolled out).
      if (i == 0) c.add_region(chip_rect, make_action(ActionKind::kClearMessages));
      if (row.folds) c.add_region(r, make_action(ActionKind::kToggleMessage, row.position));
      continue;
    }
    const std::optional<Rect> visible = visible_part(r, area.top, area.bottom);
    fill_rect(c.dc, r, row.folds && visible && c.hovered(*visible) ? t.hover : t.surface);

    const int32_t text_x = x0 + c.px(12);
    int32_t title_right = x1 - c.px(12);
    if (i == 0) {
      // The page's "clear" sits at the right end of the first row and wins over the row's click.
      const std::optional<Rect> chip_visible = visible_part(chip_rect, area.top, area.bottom);
      fill_rect(c.dc, chip_rect, chip_visible && c.hovered(*chip_visible) ? t.hover : t.background);
      draw_text(c.dc, chip_rect.left + c.px(8), chip_rect.top + (c.px(24) - fonts.small_height) / 2,
                c.fonts->small, t.text, "clear");
      if (chip_visible) c.add_region(*chip_visible, make_action(ActionKind::kClearMessages));
      title_right = chip_rect.left - c.px(8);
    }
    const int32_t shift = fonts.heading_ascent - fonts.small_ascent;
    draw_text(c.dc, text_x, title_y + shift, c.fonts->small, kAiColour, row.time);
    draw_text_fit(c.dc, text_x + c.px(40), title_y, title_right, {c.fonts->heading, c.fonts->small}, t.text,
                  row.title);
    const int32_t body_y = title_y + c.px(kMessageTitleHeight);
    for (size_t k = 0; k < row.lines.size(); ++k) {
      const int32_t ly = body_y + static_cast<int32_t>(k) * line_h;
      if (ly > area.bottom) break;
      if (ly + line_h < area.top) continue;
      draw_text(c.dc, text_x, ly, c.fonts->small, t.text, row.lines[k]);
    }
    if (row.folds) {
      draw_fold_chevron(c.dc, x1 - c.px(14), body_y + line_h / 2, c.px(8), std::max(c.px(1), 1), t.text_dim,
                        row.expanded);
    }
    // A message that does not fold is still a region, so that the keyboard and readers reach it.
    if (visible) {
      c.add_region(*visible,
                   row.folds ? make_action(ActionKind::kToggleMessage, row.position)
                             : make_action(ActionKind::kNone, row.position, kMessageRegion),
                   PieceRole::kNone, message_row_name(row));
    }
  }
}

}  // namespace qv
