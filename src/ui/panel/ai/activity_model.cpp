#include "ui/panel/ai/activity_model.h"

#include <algorithm>
#include <climits>

#include "agents/agent_log.h"
#include "agents/agent_registry.h"
#include "ui/gdi/scale.h"
#include "ui/panel/ai/message_list.h"
#include "util/untrusted_text.h"

namespace qv {
namespace {

constexpr uint64_t kHourMs = 3'600'000;

// FNV-1a over length-prefixed fields, so that ("ab", "c") and ("a", "bc") differ.
struct KeyHash {
  uint64_t h = 0xcbf29ce484222325ull;
  void byte(uint8_t b) {
    h ^= b;
    h *= 0x100000001b3ull;
  }
  void number(uint64_t v) {
    for (int i = 0; i < 8; ++i) byte(static_cast<uint8_t>(v >> (8 * i)));
  }
  void text(std::string_view s) {
    number(s.size());
    for (char c : s) byte(static_cast<uint8_t>(c));
  }
};

std::string clock_of(const LocalClock& local_clock, uint64_t ms) {
  const LocalClockTime t = local_clock ? local_clock(ms) : LocalClockTime{};
  return clock_text(t.hour, t.minute);
}

std::string shown_title(std::string_view title, std::string_view id) {
  return display_line(title.empty() ? id : title);
}

ActivityRow agent_row(const Agent& a, uint64_t now_ms, const Theme& theme) {
  ActivityRow row;
  row.kind = ActivityRowKind::kAgent;
  row.title = shown_title(a.title, a.id);
  row.title_colour = theme.text;
  row.detail = display_line(a.detail);
  const uint64_t age = now_ms > a.updated_ms ? now_ms - a.updated_ms : 0;
  if (age >= kAgentQuietMs) {  // no longer running: say when it was last heard of
    row.side = last_heard_text(age);
    row.side_colour = theme.text_dim;
  } else {
    row.side = a.status.empty() ? std::string("running") : display_line(a.status);
    if (a.status == "done") {
      row.side_colour = theme.text_dim;
    } else if (a.status == "waiting") {
      row.side_colour = kWaitingColour;
    } else if (a.status == "failed") {
      row.side_colour = colours::danger;
    } else {
      row.side_colour = kAiColour;
    }
  }
  row.dot_colour = row.side_colour;
  return row;
}

ActivityRow finished_row(const FinishedAgent& f, const Theme& theme, const LocalClock& local_clock) {
  ActivityRow row;
  row.kind = ActivityRowKind::kFinished;
  row.title = shown_title(f.title, f.id);
  row.title_colour = theme.text_dim;
  row.detail = display_line(f.detail);
  row.side = clock_of(local_clock, f.finished_ms) + " · " + format_agent_duration(f.started_ms, f.finished_ms);
  row.side_colour = theme.text_dim;
  row.dot_colour = f.status == "failed" ? colours::danger : theme.text_dim;
  return row;
}

}  // namespace

int32_t utc_offset_minutes(uint64_t utc_ms, LocalClockTime local) {
  const auto utc_minutes = static_cast<int32_t>(utc_ms / 60'000 % 1440);
  int32_t offset = local.hour * 60 + local.minute - utc_minutes;
  if (offset > 720) offset -= 1440;  // the local day is the UTC day before
  if (offset < -720) offset += 1440;  // or after
  return offset;
}

LocalClockTime with_utc_offset(uint64_t utc_ms, int32_t offset_minutes) {
  const int64_t minutes = static_cast<int64_t>(utc_ms / 60'000 % 1440) + offset_minutes;
  const int64_t of_day = ((minutes % 1440) + 1440) % 1440;
  return LocalClockTime{static_cast<int>(of_day / 60), static_cast<int>(of_day % 60)};
}

uint64_t agent_item_key(std::string_view session_id, std::string_view agent_id, uint64_t started_ms) {
  KeyHash k;
  k.byte('a');
  k.text(session_id);
  k.text(agent_id);
  k.number(started_ms);
  return k.h;
}

uint64_t finished_item_key(std::string_view agent_id, uint64_t started_ms) {
  KeyHash k;
  k.byte('f');
  k.text("finished");
  k.text(agent_id);
  k.number(started_ms);
  return k.h;
}

std::string last_heard_text(uint64_t age_ms) {
  if (age_ms >= kHourMs) return "last heard " + std::to_string(age_ms / kHourMs) + "h ago";
  return "last heard " + std::to_string(age_ms / 60'000) + "m ago";
}

ActivityOutline activity_outline(const AgentRegistry& registry, const AgentHistory& history, bool finished_expanded,
                                 const std::set<uint64_t>& expanded) {
  ActivityOutline out;
  for (const AgentSession& s : registry) out.any_listed = out.any_listed || !s.agents.empty();
  out.empty = !out.any_listed && history.empty();
  if (out.empty) return out;

  const bool headers = registry.size() > 1;
  for (const AgentSession& session : registry) {
    if (session.agents.empty()) continue;
    if (headers) out.entries.push_back(ActivityEntry{ActivityRowKind::kSessionHeader, &session});
    for (const Agent& a : session.agents) {
      ActivityEntry e{ActivityRowKind::kAgent, &session, &a};
      e.key = agent_item_key(session.id, a.id, a.started_ms);
      e.expanded = expanded.count(e.key) > 0;
      e.has_detail = !display_line_empty(a.detail);
      out.entries.push_back(e);
    }
  }
  if (history.empty()) return out;
  out.finished_count = history.size();
  ActivityEntry header{ActivityRowKind::kFinishedHeader};
  header.expanded = finished_expanded;
  out.entries.push_back(header);
  if (finished_expanded) {
    for (const FinishedAgent& f : history) {
      ActivityEntry e{ActivityRowKind::kFinished};
      e.finished = &f;
      e.key = finished_item_key(f.id, f.started_ms);
      e.expanded = expanded.count(e.key) > 0;
      e.has_detail = !display_line_empty(f.detail);
      out.entries.push_back(e);
    }
  }
  return out;
}

std::string activity_detail(const ActivityEntry& entry) {
  if (entry.kind == ActivityRowKind::kAgent && entry.agent) return display_line(entry.agent->detail);
  if (entry.kind == ActivityRowKind::kFinished && entry.finished) return display_line(entry.finished->detail);
  return {};
}

ActivityRow activity_row(const ActivityEntry& entry, const ActivityOutline& outline, uint64_t now_ms,
                         const Theme& theme, const LocalClock& local_clock) {
  ActivityRow row;
  switch (entry.kind) {
    case ActivityRowKind::kSessionHeader:
      row.kind = ActivityRowKind::kSessionHeader;
      row.title = display_line(entry.session->label.empty() ? entry.session->id : entry.session->label);
      row.title_colour = theme.text_dim;
      return row;
    case ActivityRowKind::kAgent:
      row = agent_row(*entry.agent, now_ms, theme);
      break;
    case ActivityRowKind::kFinishedHeader:
      row.kind = ActivityRowKind::kFinishedHeader;
      row.title = std::string(entry.expanded ? "▾" : "▸") + "  Finished (" + std::to_string(outline.finished_count) + ")";
      row.title_colour = theme.text_dim;
      break;
    case ActivityRowKind::kFinished:
      row = finished_row(*entry.finished, theme, local_clock);
      break;
  }
  row.key = entry.key;
  row.expanded = entry.expanded;
  return row;
}

ActivityPage activity_page(const AgentRegistry& registry, const AgentHistory& history, uint64_t now_ms,
                           bool finished_expanded, const std::set<uint64_t>& expanded, const Theme& theme,
                           const LocalClock& local_clock) {
  const ActivityOutline outline = activity_outline(registry, history, finished_expanded, expanded);
  ActivityPage page;
  page.any_listed = outline.any_listed;
  page.empty = outline.empty;
  page.rows.reserve(outline.entries.size());
  for (const ActivityEntry& e : outline.entries) page.rows.push_back(activity_row(e, outline, now_ms, theme, local_clock));
  return page;
}

void clear_active_agents(AgentRegistry& registry) {
  for (AgentSession& s : registry) s.agents.clear();
}

void clear_finished_agents(AgentHistory& history) { history.clear(); }

namespace {

// Placement over any list of rows; `shape` gives a row's kind, whether it has a detail, whether
// it is unfolded, and `lines` the unfolded detail's line count.
template <typename Row, typename Kind, typename HasDetail, typename Lines>
ListPlacement place_rows(const std::vector<Row>& rows, float ui_scale, const Kind& kind, const HasDetail& has_detail,
                         const Lines& lines) {
  ListPlacement out;
  out.tops.reserve(rows.size());
  out.heights.reserve(rows.size());
  // Sixty-four bits and a ceiling, so that an absurdly long unfolded detail cannot wrap the sum.
  constexpr int64_t kCeiling = INT32_MAX / 2;
  int64_t y = 0;
  for (const Row& row : rows) {
    int64_t h = 0;
    switch (kind(row)) {
      case ActivityRowKind::kSessionHeader:
        h = px(kSessionHeaderHeight, ui_scale);
        break;
      case ActivityRowKind::kFinishedHeader:
        h = px(kFinishedHeaderHeight, ui_scale);
        break;
      case ActivityRowKind::kAgent:
      case ActivityRowKind::kFinished: {
        size_t n = has_detail(row) ? 1 : 0;
        if (n > 0 && row.expanded) n = std::max<size_t>(1, lines(row));
        h = px(kItemPadding, ui_scale) * 2 + px(kItemTitleHeight, ui_scale) +
            static_cast<int64_t>(std::min<size_t>(n, kCeiling)) * px(kItemLineHeight, ui_scale);
        break;
      }
    }
    h = std::min(h, kCeiling);
    out.tops.push_back(static_cast<int32_t>(y));
    out.heights.push_back(static_cast<int32_t>(h));
    y = std::min(y + h + px(kItemGap, ui_scale), kCeiling);
  }
  out.content_height = rows.empty() ? 0 : static_cast<int32_t>(std::max<int64_t>(0, y - px(kItemGap, ui_scale)));
  return out;
}

}  // namespace

ListPlacement place_activity_rows(const std::vector<ActivityRow>& rows, float ui_scale,
                                  const std::function<size_t(const ActivityRow&)>& detail_lines) {
  return place_rows(
      rows, ui_scale, [](const ActivityRow& r) { return r.kind; },
      [](const ActivityRow& r) { return !r.detail.empty(); }, detail_lines);
}

ListPlacement place_activity_entries(const std::vector<ActivityEntry>& entries, float ui_scale,
                                     const std::function<size_t(const ActivityEntry&)>& detail_lines) {
  return place_rows(
      entries, ui_scale, [](const ActivityEntry& e) { return e.kind; },
      [](const ActivityEntry& e) { return e.has_detail; }, detail_lines);
}

int32_t wrap_width_for_list(int32_t client_width, float ui_scale) {
  const int32_t row_width = client_width - 2 * px(12, ui_scale);
  return row_width - (px(12, ui_scale) * 2 + px(16, ui_scale));
}

}  // namespace qv
