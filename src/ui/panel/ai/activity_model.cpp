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

ActivityRow agent_row(const AgentSession& session, const Agent& a, uint64_t now_ms, const std::set<uint64_t>& expanded,
                      const Theme& theme) {
  ActivityRow row;
  row.kind = ActivityRowKind::kAgent;
  row.title = shown_title(a.title, a.id);
  row.title_colour = theme.text;
  row.detail = display_line(a.detail);
  row.key = agent_item_key(session.id, a.id, a.started_ms);
  row.expanded = expanded.count(row.key) > 0;
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

ActivityRow finished_row(const FinishedAgent& f, const std::set<uint64_t>& expanded, const Theme& theme,
                         const LocalClock& local_clock) {
  ActivityRow row;
  row.kind = ActivityRowKind::kFinished;
  row.title = shown_title(f.title, f.id);
  row.title_colour = theme.text_dim;
  row.detail = display_line(f.detail);
  row.key = finished_item_key(f.id, f.started_ms);
  row.expanded = expanded.count(row.key) > 0;
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

ActivityPage activity_page(const AgentRegistry& registry, const AgentHistory& history, uint64_t now_ms,
                           bool finished_expanded, const std::set<uint64_t>& expanded, const Theme& theme,
                           const LocalClock& local_clock) {
  ActivityPage page;
  for (const AgentSession& s : registry) page.any_listed = page.any_listed || !s.agents.empty();
  page.empty = !page.any_listed && history.empty();
  if (page.empty) return page;

  const bool headers = registry.size() > 1;
  for (const AgentSession& session : registry) {
    if (session.agents.empty()) continue;
    if (headers) {
      ActivityRow header;
      header.kind = ActivityRowKind::kSessionHeader;
      header.title = display_line(session.label.empty() ? session.id : session.label);
      header.title_colour = theme.text_dim;
      page.rows.push_back(std::move(header));
    }
    for (const Agent& a : session.agents) page.rows.push_back(agent_row(session, a, now_ms, expanded, theme));
  }
  if (history.empty()) return page;
  ActivityRow header;
  header.kind = ActivityRowKind::kFinishedHeader;
  header.title = std::string(finished_expanded ? "▾" : "▸") + "  Finished (" + std::to_string(history.size()) + ")";
  header.title_colour = theme.text_dim;
  header.expanded = finished_expanded;
  page.rows.push_back(std::move(header));
  if (finished_expanded) {
    for (const FinishedAgent& f : history) page.rows.push_back(finished_row(f, expanded, theme, local_clock));
  }
  return page;
}

void clear_active_agents(AgentRegistry& registry) {
  for (AgentSession& s : registry) s.agents.clear();
}

void clear_finished_agents(AgentHistory& history) { history.clear(); }

ListPlacement place_activity_rows(const std::vector<ActivityRow>& rows, float ui_scale,
                                  const std::function<size_t(const ActivityRow&)>& detail_lines) {
  ListPlacement out;
  out.tops.reserve(rows.size());
  out.heights.reserve(rows.size());
  // Sixty-four bits and a ceiling, so that an absurdly long unfolded detail cannot wrap the sum.
  constexpr int64_t kCeiling = INT32_MAX / 2;
  int64_t y = 0;
  for (const ActivityRow& row : rows) {
    int64_t h = 0;
    switch (row.kind) {
      case ActivityRowKind::kSessionHeader:
        h = px(kSessionHeaderHeight, ui_scale);
        break;
      case ActivityRowKind::kFinishedHeader:
        h = px(kFinishedHeaderHeight, ui_scale);
        break;
      case ActivityRowKind::kAgent:
      case ActivityRowKind::kFinished: {
        size_t lines = row.detail.empty() ? 0 : 1;
        if (lines > 0 && row.expanded) lines = std::max<size_t>(1, detail_lines(row));
        h = px(kItemPadding, ui_scale) * 2 + px(kItemTitleHeight, ui_scale) +
            static_cast<int64_t>(std::min<size_t>(lines, kCeiling)) * px(kItemLineHeight, ui_scale);
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

int32_t wrap_width_for_list(int32_t client_width, float ui_scale) {
  const int32_t row_width = client_width - 2 * px(12, ui_scale);
  return row_width - (px(12, ui_scale) * 2 + px(16, ui_scale));
}

}  // namespace qv
