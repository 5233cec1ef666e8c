#pragma once
// What the AI activity page lists, worked out from a copy of the agent registry and history and
// the clock: the rows with their texts, colours and keys, and where each row sits in the list.
// The painter only draws what this gives.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "core/agent.h"
#include "ui/gdi/theme.h"

namespace qv {

inline constexpr Rgb kAiColour = colours::ai;        // title bands, running agents, message times
inline constexpr Rgb kWaitingColour = colours::fps;

enum class ActivityRowKind : uint8_t { kSessionHeader, kAgent, kFinishedHeader, kFinished };

struct ActivityRow {
  ActivityRowKind kind = ActivityRowKind::kAgent;
  std::string title;   // the session's label, the agent's title (its id when empty), or the finished header
  std::string detail;  // agent and finished rows; cleaned for drawing, may be empty
  std::string side;    // right-aligned on the title line: the status, "last heard …", or "HH:MM · 1m 05s"
  Rgb side_colour;
  Rgb dot_colour;
  Rgb title_colour;
  uint64_t key = 0;       // agent and finished rows: what unfolding their detail remembers
  bool expanded = false;  // the detail is shown whole
};

struct ActivityPage {
  bool any_listed = false;  // some session lists an agent: the title band offers "clear"
  bool empty = true;        // nothing listed and no history: the page says "Nothing reported"
  std::vector<ActivityRow> rows;
};

// Local hours and minutes of a moment, as the machine's clock shows them.
struct LocalClockTime {
  int hour = 0;
  int minute = 0;
};
using LocalClock = std::function<LocalClockTime(uint64_t unix_ms)>;

// Clock arithmetic for a clock that asks the system once per quarter hour: the minutes a zone
// adds to UTC, from the local time it gave for `utc_ms` (only hours and minutes, so an offset
// is known modulo one day, which is all a time of day needs), and a moment seen with such an
// offset.
int32_t utc_offset_minutes(uint64_t utc_ms, LocalClockTime local);
LocalClockTime with_utc_offset(uint64_t utc_ms, int32_t offset_minutes);

// Keys that tell the items apart across paints: the same agent keeps its key while it is listed,
// and different agents (other session, other id, restarted) get different ones.
uint64_t agent_item_key(std::string_view session_id, std::string_view agent_id, uint64_t started_ms);
uint64_t finished_item_key(std::string_view agent_id, uint64_t started_ms);

// "last heard 12m ago" / "last heard 2h ago".
std::string last_heard_text(uint64_t age_ms);

// One row of the page before its texts are made: what places it in the list (kind, whether it
// has a detail, whether that is unfolded) and where its texts come from. Making the texts of
// hundreds of rows that are scrolled out of sight would cost most of a paint.
struct ActivityEntry {
  ActivityRowKind kind = ActivityRowKind::kAgent;
  const AgentSession* session = nullptr;   // session headers and agents
  const Agent* agent = nullptr;            // agents
  const FinishedAgent* finished = nullptr;  // finished agents
  uint64_t key = 0;
  bool expanded = false;
  bool has_detail = false;  // the cleaned detail is not empty
};
struct ActivityOutline {
  bool any_listed = false;
  bool empty = true;
  size_t finished_count = 0;  // for the finished header's text
  std::vector<ActivityEntry> entries;
};
// The entries point into `registry` and `history`, which must outlive them.
ActivityOutline activity_outline(const AgentRegistry& registry, const AgentHistory& history, bool finished_expanded,
                                 const std::set<uint64_t>& expanded);
// An agent's or finished agent's detail as its row draws it (cleaned to one line); empty for headers.
// What deciding whether the detail folds needs, without the rest of the row's texts.
std::string activity_detail(const ActivityEntry& entry);
// The row of one entry, texts and colours included.
ActivityRow activity_row(const ActivityEntry& entry, const ActivityOutline& outline, uint64_t now_ms,
                         const Theme& theme, const LocalClock& local_clock);

// Every row with its texts: the outline's entries each made into a row.
ActivityPage activity_page(const AgentRegistry& registry, const AgentHistory& history, uint64_t now_ms,
                           bool finished_expanded, const std::set<uint64_t>& expanded, const Theme& theme,
                           const LocalClock& local_clock);

// The page's two clears: every session keeps its place but lists no agent; or the finished
// history empties. Each leaves the other list as it was.
void clear_active_agents(AgentRegistry& registry);
void clear_finished_agents(AgentHistory& history);

// Where the rows sit in the scrolled list (0 = list top) and how tall the whole list is.
// `detail_lines` gives the wrapped line count of an unfolded row's detail; a folded detail takes
// one line.
struct ListPlacement {
  std::vector<int32_t> tops;
  std::vector<int32_t> heights;
  int32_t content_height = 0;
};
ListPlacement place_activity_rows(const std::vector<ActivityRow>& rows, float ui_scale,
                                  const std::function<size_t(const ActivityRow&)>& detail_lines);
// The same from the entries; `detail_lines` is asked for unfolded entries with a detail only.
ListPlacement place_activity_entries(const std::vector<ActivityEntry>& entries, float ui_scale,
                                     const std::function<size_t(const ActivityEntry&)>& detail_lines);

// Room of a detail or body line: the list row's width less the padding and the fold chevron.
int32_t wrap_width_for_list(int32_t client_width, float ui_scale);

// Lengths of the rows, in scaled units.
inline constexpr int kSessionHeaderHeight = 26;
inline constexpr int kFinishedHeaderHeight = 30;
inline constexpr int kItemPadding = 6;       // above the title and below the last detail line
inline constexpr int kItemTitleHeight = 20;
inline constexpr int kItemLineHeight = 16;
inline constexpr int kItemGap = 4;

}  // namespace qv
