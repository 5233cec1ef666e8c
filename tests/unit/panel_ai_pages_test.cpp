// The AI activity and messages pages as models: the rows, texts, colours and keys they list for
// a registry copy, a history, a message list and a clock, and where the rows sit in the list.
#include <gtest/gtest.h>

#include <deque>
#include <set>
#include <string>
#include <vector>

#include "ui/panel/ai/activity_model.h"
#include "ui/panel/ai/messages_model.h"
#include "ui/panel/frame/text_width_cache.h"
#include "util/untrusted_text.h"

namespace qv {
namespace {

constexpr uint64_t kNow = 1'800'000'000'000;  // ms since 1970
const Theme& dark() { return theme_at(0); }
constexpr Rgb kTeal = rgb(0x2DD4BF);
constexpr Rgb kDimDark = rgb(0x8C9198);  // text_dim of the dark theme

Agent agent(std::string id, std::string title, std::string status, uint64_t updated, std::string detail = "",
            uint64_t started = kNow - 60'000) {
  Agent a;
  a.id = std::move(id);
  a.title = std::move(title);
  a.status = std::move(status);
  a.detail = std::move(detail);
  a.updated_ms = updated;
  a.started_ms = started;
  return a;
}

AgentSession session(std::string id, std::string label, std::vector<Agent> agents) {
  return AgentSession{std::move(id), std::move(label), std::move(agents), kNow};
}

FinishedAgent finished(std::string id, std::string status, uint64_t started, uint64_t done) {
  FinishedAgent f;
  f.id = id;
  f.title = "Task " + id;
  f.status = std::move(status);
  f.started_ms = started;
  f.finished_ms = done;
  return f;
}

// A clock that reads hours and minutes straight from UTC.
LocalClockTime utc_clock(uint64_t ms) {
  const uint64_t minutes = ms / 60'000;
  return LocalClockTime{static_cast<int>(minutes / 60 % 24), static_cast<int>(minutes % 60)};
}

ActivityPage page_of(const AgentRegistry& reg, const AgentHistory& hist = {}, bool finished_open = false,
                     const std::set<uint64_t>& open = {}) {
  return activity_page(reg, hist, kNow, finished_open, open, dark(), &utc_clock);
}

std::vector<ActivityRowKind> kinds(const ActivityPage& p) {
  std::vector<ActivityRowKind> out;
  for (const auto& r : p.rows) out.push_back(r.kind);
  return out;
}

using K = ActivityRowKind;

TEST(ActivityPage, OneSessionWithTwoRunningAgentsHasNoHeader) {
  const AgentRegistry reg = {session("s1", "Repo A", {agent("a", "Refactor the parser", "running", kNow - 1000),
                                                      agent("b", "", "", kNow)})};
  const ActivityPage p = page_of(reg);
  EXPECT_TRUE(p.any_listed);
  EXPECT_FALSE(p.empty);
  ASSERT_EQ(kinds(p), (std::vector<K>{K::kAgent, K::kAgent}));
  EXPECT_EQ(p.rows[0].title, "Refactor the parser");
  EXPECT_EQ(p.rows[1].title, "b") << "an agent without a title is listed by its id";
  for (const auto& r : p.rows) {
    EXPECT_EQ(r.side, "running");
    EXPECT_EQ(r.side_colour, kTeal);
    EXPECT_EQ(r.dot_colour, kTeal);
  }
}

TEST(ActivityPage, SeveralSessionsEachStartWithTheirLabel) {
  const AgentRegistry reg = {session("s1", "Repo A", {agent("a", "One", "running", kNow)}),
                             session("s2", "", {agent("b", "Two", "running", kNow), agent("c", "Three", "", kNow)}),
                             session("s3", "Idle", {})};
  const ActivityPage p = page_of(reg);
  ASSERT_EQ(kinds(p), (std::vector<K>{K::kSessionHeader, K::kAgent, K::kSessionHeader, K::kAgent, K::kAgent}));
  EXPECT_EQ(p.rows[0].title, "Repo A");
  EXPECT_EQ(p.rows[2].title, "s2") << "a session without a label is named by its id";

  // A second session that lists nothing still makes the one that does show its label.
  const ActivityPage lone = page_of({session("s1", "Repo A", {agent("a", "One", "", kNow)}), session("s2", "B", {})});
  EXPECT_EQ(kinds(lone), (std::vector<K>{K::kSessionHeader, K::kAgent}));
}

TEST(ActivityPage, AgentsNotHeardOfForFiveMinutesSayWhen) {
  struct Case {
    uint64_t age;
    const char* side;
    bool dim;
  };
  const Case cases[] = {
      {0, "running", false},
      {299'999, "running", false},
      {300'000, "last heard 5m ago", true},
      {6 * 60'000, "last heard 6m ago", true},
      {3'599'999, "last heard 59m ago", true},
      {3'600'000, "last heard 1h ago", true},
      {2 * 3'600'000 + 59 * 60'000, "last heard 2h ago", true},
  };
  for (const Case& c : cases) {
    const ActivityPage p = page_of({session("s", "L", {agent("a", "T", "waiting", kNow - c.age)})});
    ASSERT_EQ(p.rows.size(), 1u);
    const Rgb expected = c.dim ? kDimDark : rgb(0xFF6B6B);
    EXPECT_EQ(p.rows[0].side, c.side == std::string("running") ? "waiting" : c.side) << c.age;
    EXPECT_EQ(p.rows[0].side_colour, expected) << c.age;
    EXPECT_EQ(p.rows[0].dot_colour, expected) << c.age;
  }
  // A report stamped after the clock (another thread's now) is not an age.
  EXPECT_EQ(page_of({session("s", "L", {agent("a", "T", "", kNow + 5000)})}).rows[0].side, "running");
}

TEST(ActivityPage, StatusColours) {
  struct Case {
    const char* status;
    const char* side;
    Rgb colour;
  };
  const Case cases[] = {
      {"", "running", kTeal},
      {"running", "running", kTeal},
      {"waiting", "waiting", rgb(0xFF6B6B)},
      {"failed", "failed", rgb(0xDC5A5A)},
      {"done", "done", kDimDark},
      {"compiling", "compiling", kTeal},
  };
  for (const Case& c : cases) {
    const ActivityRow row = page_of({session("s", "L", {agent("a", "T", c.status, kNow)})}).rows.at(0);
    EXPECT_EQ(row.side, c.side);
    EXPECT_EQ(row.side_colour, c.colour) << c.status;
  }
  // The light theme's own dim colour, not a fixed grey.
  const ActivityRow light =
      activity_page({session("s", "L", {agent("a", "T", "", kNow - 400'000)})}, {}, kNow, false, {}, theme_at(2),
                    &utc_clock)
          .rows.at(0);
  EXPECT_EQ(light.side_colour, rgb(0x697078));
}

TEST(ActivityPage, FinishedSectionFoldedAndUnfolded) {
  const uint64_t t0 = 1'800'000'000'000 - 1'800'000'000'000 % 86'400'000;  // 00:00 UTC
  const AgentHistory hist = {finished("c", "failed", t0, t0 + 45'000),
                             finished("b", "done", t0 + 3'600'000, t0 + 3'600'000 + 65'000),
                             finished("a", "abandoned", t0, t0 + 2 * 3'600'000 + 5 * 60'000 + 59'000)};
  const ActivityPage folded = page_of({}, hist, false);
  EXPECT_FALSE(folded.any_listed);
  EXPECT_FALSE(folded.empty);
  ASSERT_EQ(kinds(folded), (std::vector<K>{K::kFinishedHeader}));
  EXPECT_EQ(folded.rows[0].title, "▸  Finished (3)");

  const ActivityPage open = page_of({}, hist, true);
  ASSERT_EQ(kinds(open), (std::vector<K>{K::kFinishedHeader, K::kFinished, K::kFinished, K::kFinished}));
  EXPECT_EQ(open.rows[0].title, "▾  Finished (3)");
  EXPECT_EQ(open.rows[1].title, "Task c") << "newest first, as the history keeps them";
  EXPECT_EQ(open.rows[1].side, "00:00 · 45s");
  EXPECT_EQ(open.rows[2].side, "01:01 · 1m 05s");
  EXPECT_EQ(open.rows[3].side, "02:05 · 2h 05m");
  EXPECT_EQ(open.rows[1].dot_colour, rgb(0xDC5A5A)) << "failed";
  EXPECT_EQ(open.rows[2].dot_colour, kDimDark);
  EXPECT_EQ(open.rows[3].dot_colour, kDimDark) << "abandoned is not a failure";

  // Agents above, finished below.
  const ActivityPage both = page_of({session("s", "L", {agent("x", "X", "", kNow)})}, hist, false);
  EXPECT_EQ(kinds(both), (std::vector<K>{K::kAgent, K::kFinishedHeader}));
}

TEST(ActivityPage, LocalTimeFromAZoneOffset) {
  const uint64_t midnight = 1'800'000'000'000 - 1'800'000'000'000 % 86'400'000;  // 00:00 UTC
  const uint64_t h = 3'600'000;
  struct Case {
    uint64_t utc;
    LocalClockTime local;  // what the system said
    int32_t offset;
  };
  const Case cases[] = {
      {midnight + 23 * h + 30 * 60'000, {0, 30}, 60},      // one hour east, into the next day
      {midnight + 2 * h, {21, 0}, -300},                   // five hours west, the day before
      {midnight + 20 * h, {1, 30}, 330},                   // half-hour zone across midnight
      {midnight + 12 * h, {12, 0}, 0},
      {midnight + 11 * h, {1, 0}, -600},                   // +14 h is -10 h on a clock face
  };
  for (const Case& c : cases) {
    EXPECT_EQ(utc_offset_minutes(c.utc, c.local), c.offset) << c.utc;
    const LocalClockTime back = with_utc_offset(c.utc + 7 * 60'000, c.offset);  // seven minutes later
    EXPECT_EQ(back.hour * 60 + back.minute, (c.local.hour * 60 + c.local.minute + 7) % 1440) << c.utc;
  }
}

TEST(ActivityPage, NothingReportedIsTheEmptyState) {
  EXPECT_TRUE(page_of({}).empty);
  const ActivityPage idle = page_of({session("s", "L", {})});
  EXPECT_TRUE(idle.empty);
  EXPECT_FALSE(idle.any_listed);
  EXPECT_TRUE(idle.rows.empty());
}

TEST(ActivityPage, EachClearLeavesTheOtherList) {
  AgentRegistry reg = {session("s1", "A", {agent("a", "One", "", kNow)}), session("s2", "B", {agent("b", "Two", "", kNow)})};
  AgentHistory hist = {finished("z", "done", kNow - 5000, kNow)};

  AgentRegistry cleared = reg;
  clear_active_agents(cleared);
  ASSERT_EQ(cleared.size(), 2u) << "sessions keep their place";
  EXPECT_TRUE(cleared[0].agents.empty() && cleared[1].agents.empty());
  const ActivityPage after_agents = page_of(cleared, hist, true);
  EXPECT_FALSE(after_agents.any_listed) << "no more clear in the band";
  EXPECT_EQ(kinds(after_agents), (std::vector<K>{K::kFinishedHeader, K::kFinished}));

  AgentHistory no_history = hist;
  clear_finished_agents(no_history);
  EXPECT_TRUE(no_history.empty());
  EXPECT_EQ(kinds(page_of(reg, no_history, true)),
            (std::vector<K>{K::kSessionHeader, K::kAgent, K::kSessionHeader, K::kAgent}));

  clear_active_agents(reg);
  EXPECT_TRUE(page_of(reg, no_history).empty) << "both cleared: nothing reported";
}

TEST(ActivityPage, KeysTellItemsApart) {
  const uint64_t base = agent_item_key("s1", "a", 1000);
  EXPECT_EQ(base, agent_item_key("s1", "a", 1000)) << "stable across paints";
  const std::set<uint64_t> keys = {base,
                                   agent_item_key("s2", "a", 1000),
                                   agent_item_key("s1", "b", 1000),
                                   agent_item_key("s1", "a", 1001),
                                   agent_item_key("s1a", "", 1000),
                                   agent_item_key("s", "1a", 1000),
                                   finished_item_key("a", 1000),
                                   finished_item_key("b", 1000),
                                   finished_item_key("a", 1001)};
  EXPECT_EQ(keys.size(), 9u);

  // The same agent id in two sessions: unfolding one leaves the other folded.
  const AgentRegistry reg = {session("s1", "A", {agent("x", "X", "", kNow, "long detail", 5)}),
                             session("s2", "B", {agent("x", "X", "", kNow, "long detail", 5)})};
  const ActivityPage p = page_of(reg, {}, false, {agent_item_key("s2", "x", 5)});
  ASSERT_EQ(p.rows.size(), 4u);
  EXPECT_FALSE(p.rows[1].expanded);
  EXPECT_TRUE(p.rows[3].expanded);
  EXPECT_NE(p.rows[1].key, p.rows[3].key);
}

TEST(ActivityPage, UntrustedTextsAreCleanedForDrawing) {
  const AgentRegistry reg = {session("s1", "L\x1b[31m", {agent("a", "Ti\ttle\xe2\x80\xae" "gnp.exe", "", kNow,
                                                              "line one\nline two\xc2\x85")}),
                             session("s2", "M", {})};
  const ActivityPage p = page_of(reg, {}, false);
  ASSERT_EQ(p.rows.size(), 2u);
  EXPECT_EQ(p.rows[0].title, "L [31m");
  EXPECT_EQ(p.rows[1].title, "Ti tlegnp.exe") << "tab to space, the right-to-left override dropped";
  EXPECT_EQ(p.rows[1].detail, "line one line two ");
  EXPECT_EQ(page_of({session("s", "L", {agent("a\xff", "", "", kNow)})}).rows.at(0).title, "a\xEF\xBF\xBD");
}

TEST(ActivityPage, RowsArePlacedBelowEachOther) {
  std::vector<ActivityRow> rows(5);
  rows[0].kind = K::kSessionHeader;
  rows[1].kind = K::kAgent;  // no detail
  rows[2].kind = K::kAgent;
  rows[2].detail = "folded";
  rows[3].kind = K::kAgent;
  rows[3].detail = "open";
  rows[3].expanded = true;
  rows[4].kind = K::kFinishedHeader;
  auto three_lines = [](const ActivityRow&) { return size_t{3}; };
  const ListPlacement at1 = place_activity_rows(rows, 1.0f, three_lines);
  EXPECT_EQ(at1.heights, (std::vector<int32_t>{26, 32, 48, 80, 30}));
  EXPECT_EQ(at1.tops, (std::vector<int32_t>{0, 30, 66, 118, 202}));
  EXPECT_EQ(at1.content_height, 232);
  const ListPlacement at15 = place_activity_rows(rows, 1.5f, three_lines);
  EXPECT_EQ(at15.heights, (std::vector<int32_t>{39, 48, 72, 120, 45}));
  EXPECT_EQ(at15.content_height, 39 + 48 + 72 + 120 + 45 + 4 * 6);
  EXPECT_EQ(place_activity_rows({}, 1.0f, three_lines).content_height, 0);

  // An unfolded detail of absurd length cannot overflow the list's height.
  const ListPlacement huge =
      place_activity_rows({rows[3], rows[3]}, 1.0f, [](const ActivityRow&) { return size_t{1} << 40; });
  EXPECT_GT(huge.content_height, 0);
  EXPECT_GE(huge.tops[1], 0);
}

// The outline places the rows without making their texts; a detail of nothing but direction
// controls cleans to nothing and takes no line, and only an unfolded detail is wrapped.
TEST(ActivityPage, OutlinePlacesRowsWithoutTheirTexts) {
  const std::string controls_only = "\xE2\x80\xAE\xE2\x81\xA6";  // U+202E, U+2066
  const AgentRegistry reg = {
      session("s1", "A", {agent("a", "T", "", kNow, controls_only), agent("b", "T", "", kNow, "folded")}),
      session("s2", "B", {}),  // lists nothing: no header
      session("s3", "C", {agent("c", "T", "", kNow, "open", kNow - 5)}),
  };
  AgentHistory hist = {finished("f", "done", kNow - 9, kNow)};
  hist[0].detail = "x";
  const std::set<uint64_t> open = {agent_item_key("s3", "c", kNow - 5)};
  int wrapped = 0;
  auto three_lines = [&](const ActivityEntry& e) {
    ++wrapped;
    EXPECT_EQ(e.agent->id, "c");
    return size_t{3};
  };
  const ActivityOutline outline = activity_outline(reg, hist, true, open);
  std::vector<K> got;
  std::vector<bool> details;
  for (const ActivityEntry& e : outline.entries) {
    got.push_back(e.kind);
    details.push_back(e.has_detail);
  }
  EXPECT_EQ(got, (std::vector<K>{K::kSessionHeader, K::kAgent, K::kAgent, K::kSessionHeader, K::kAgent,
                                 K::kFinishedHeader, K::kFinished}));
  EXPECT_EQ(details, (std::vector<bool>{false, false, true, false, true, false, true}));
  const ListPlacement place = place_activity_entries(outline.entries, 1.0f, three_lines);
  EXPECT_EQ(place.heights, (std::vector<int32_t>{26, 32, 48, 26, 80, 30, 48}));
  EXPECT_EQ(wrapped, 1);
  // A row made from its entry is the page's row.
  const ActivityRow header = activity_row(outline.entries[5], outline, kNow, dark(), &utc_clock);
  EXPECT_EQ(header.title, "▾  Finished (1)");
  const ActivityRow c = activity_row(outline.entries[4], outline, kNow, dark(), &utc_clock);
  EXPECT_EQ(c.detail, "open");
  EXPECT_TRUE(c.expanded);
  EXPECT_EQ(c.key, agent_item_key("s3", "c", kNow - 5));

  // Folded history: the header alone, its title saying how many.
  const ActivityOutline folded = activity_outline(reg, hist, false, open);
  EXPECT_EQ(folded.entries.size(), 6u);
  EXPECT_EQ(activity_row(folded.entries.back(), folded, kNow, dark(), &utc_clock).title, "▸  Finished (1)");
}

// ---------------------------------------------------------------------------------------------

int32_t ten_per_char(std::string_view s) {
  int32_t n = 0;
  for (unsigned char c : s) n += (c & 0xC0) != 0x80 ? 10 : 0;
  return n;
}

std::deque<MessageEntry> messages(std::initializer_list<std::pair<std::string, std::string>> items) {
  std::deque<MessageEntry> out;
  for (const auto& [title, body] : items) out.push_back(MessageEntry{"09:41", title, body});
  return out;
}

TEST(MessagesPage, AnEmptyTitleIsListedAsMessage) {
  const auto rows = message_rows(messages({{"", "a"}, {"  \t", "b"}, {"Build done", "c"}}), {}, 200, ten_per_char);
  ASSERT_EQ(rows.size(), 3u);
  EXPECT_EQ(rows[0].title, "message");
  EXPECT_EQ(rows[1].title, "message");
  EXPECT_EQ(rows[2].title, "Build done");
  EXPECT_EQ(rows[2].time, "09:41");
}

TEST(MessagesPage, LongBodiesFoldToTheirFirstLine) {
  // 100 px: ten characters a line.
  const std::string body = "alpha beta gamma delta epsilon";  // "alpha beta", "gamma", "delta", "epsilon"
  const auto list = messages({{"t", body}, {"t", "short"}, {"t", ""}, {"t", "\n\n  \n  first\n\n"}});
  const auto folded = message_rows(list, {}, 100, ten_per_char);
  EXPECT_EQ(folded[0].lines, (std::vector<std::string>{"alpha beta"}));
  EXPECT_TRUE(folded[0].folds);
  EXPECT_FALSE(folded[0].expanded);
  EXPECT_EQ(folded[1].lines, (std::vector<std::string>{"short"}));
  EXPECT_FALSE(folded[1].folds) << "one line: nothing to unfold, no click";
  EXPECT_TRUE(folded[2].lines.empty());
  EXPECT_FALSE(folded[2].folds);
  EXPECT_EQ(folded[3].lines, (std::vector<std::string>{"first"})) << "blank lines around the text are not shown";
  EXPECT_FALSE(folded[3].folds);

  const auto open = message_rows(list, {0, 1}, 100, ten_per_char);
  EXPECT_EQ(open[0].lines, (std::vector<std::string>{"alpha beta", "gamma", "delta", "epsilon"}));
  EXPECT_TRUE(open[0].folds && open[0].expanded);
  EXPECT_EQ(open[1].lines, (std::vector<std::string>{"short"}));
}

TEST(MessagesPage, AFoldedBodyDoesNotWrapPastItsSecondLine) {
  int calls = 0;
  const TextMeasure counting = [&](std::string_view s) {
    ++calls;
    return ten_per_char(s);
  };
  std::string body;
  for (int i = 0; i < 2000; ++i) body += "word ";
  message_rows(messages({{"t", body}}), {}, 100, counting);
  EXPECT_LT(calls, 20);
  calls = 0;
  const auto open = message_rows(messages({{"t", body}}), {0}, 100, counting);
  EXPECT_EQ(open[0].lines.size(), 1000u);
}

TEST(MessagesPage, ANewMessageKeepsTheUnfoldedOnesUnfolded) {
  std::set<size_t> open = {0, 4, 10, 11};
  shift_expanded_for_new_message(open);
  EXPECT_EQ(open, (std::set<size_t>{1, 5, 11})) << "the eleventh becomes the last; the twelfth falls off the list";
}

TEST(MessagesPage, RowsArePlacedBelowEachOther) {
  std::vector<MessageRow> rows(3);
  rows[1].lines = {"one"};
  rows[2].lines = {"one", "two", "three"};
  const ListPlacement p = place_message_rows(rows, 1.0f);
  EXPECT_EQ(p.heights, (std::vector<int32_t>{36, 52, 84}));
  EXPECT_EQ(p.tops, (std::vector<int32_t>{0, 42, 100}));
  EXPECT_EQ(p.content_height, 184);
  EXPECT_EQ(wrap_width_for_list(336, 1.0f), 272);
}


// ---------------------------------------------------------------------------------------------
// Property: whatever the AI tool sends, the cleaned text is valid UTF-8 without controls or
// direction overrides, wrapping keeps every line within the width (a lone character excepted)
// and loses no visible character, and fitting gives a prefix that fits.

namespace text_property {

// Pieces that tend to break text handling.
const std::vector<std::string> kPieces = {
    "a",        "Word",      " ",        "  ",       "\t",        "\n",       "\r\n",     "\x01",
    "\x1b[2J",  "\x7f",      "\xc2\x85", "\xe2\x80\xae", "\xe2\x80\x8f", "\xe2\x81\xa6", "\xe2\x80\xa8",
    "\xff",     "\xc3",      "\xe2\x82", "\xed\xa0\x80", "\xf4\x90\x80\x80", "\xc0\xaf", "é",
    "漢字",     "😀",        "\xcc\x81", "\xef\xbf\xbd", "\xc2\xa0", std::string(300, 'x'),
};

uint32_t next(uint32_t& state) {
  state = state * 1664525u + 1013904223u;
  return state >> 8;
}

bool valid_utf8(std::string_view s) {
  for (size_t i = 0; i < s.size();) {
    const auto b = static_cast<unsigned char>(s[i]);
    const size_t n = b < 0x80 ? 1 : (b & 0xE0) == 0xC0 ? 2 : (b & 0xF0) == 0xE0 ? 3 : (b & 0xF8) == 0xF0 ? 4 : 0;
    if (n == 0 || i + n > s.size()) return false;
    for (size_t k = 1; k < n; ++k) {
      if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80) return false;
    }
    i += n;
  }
  return true;
}

bool has_forbidden(std::string_view s, bool line_feeds_allowed) {
  for (size_t i = 0; i < s.size(); ++i) {
    const auto c = static_cast<unsigned char>(s[i]);
    if (c == '\n' && line_feeds_allowed) continue;
    if (c < 0x20 || c == 0x7F) return true;
    const std::string_view rest = s.substr(i);
    if (rest.substr(0, 2) >= "\xc2\x80" && rest.substr(0, 2) <= "\xc2\x9f") return true;
    for (const char* bad : {"\xe2\x80\xaa", "\xe2\x80\xab", "\xe2\x80\xac", "\xe2\x80\xad", "\xe2\x80\xae",
                            "\xe2\x81\xa6", "\xe2\x81\xa7", "\xe2\x81\xa8", "\xe2\x81\xa9", "\xe2\x80\xa8"}) {
      if (rest.substr(0, 3) == bad) return true;
    }
  }
  return false;
}

std::string without_spaces(std::string_view s) {
  std::string out;
  for (char c : s) {
    if (c != ' ' && c != '\n' && c != '\t') out.push_back(c);
  }
  // The no-break space is white space to the wrap as well.
  for (size_t at; (at = out.find("\xc2\xa0")) != std::string::npos;) out.erase(at, 2);
  return out;
}

}  // namespace text_property

TEST(UntrustedText, RandomTextsCleanWrapAndFitSafely) {
  using namespace text_property;
  uint32_t state = 12345;
  for (int round = 0; round < 400; ++round) {
    std::string raw;
    const uint32_t pieces = next(state) % 40;
    for (uint32_t i = 0; i < pieces; ++i) raw += kPieces[next(state) % kPieces.size()];
    const int32_t width = static_cast<int32_t>(next(state) % 200);

    const std::string line = display_line(raw);
    const std::string paragraphs = display_paragraphs(raw);
    ASSERT_TRUE(valid_utf8(line) && valid_utf8(paragraphs)) << round;
    ASSERT_FALSE(has_forbidden(line, false)) << round;
    ASSERT_FALSE(has_forbidden(paragraphs, true)) << round;

    const std::vector<std::string> lines = wrap_lines(paragraphs, width, ten_per_char);
    std::string joined;
    for (const std::string& l : lines) {
      ASSERT_EQ(l.find('\n'), std::string::npos);
      ASSERT_TRUE(valid_utf8(l)) << round;
      ASSERT_TRUE(ten_per_char(l) <= width || ten_per_char(l) == 10) << round << ": " << l;
      joined += l;
    }
    if (width > 0) ASSERT_EQ(without_spaces(joined), without_spaces(paragraphs)) << round;

    const FittedText fit = fit_text(line, width, 2, [](size_t, std::string_view s) { return ten_per_char(s); });
    ASSERT_TRUE(valid_utf8(fit.text)) << round;
    if (fit.text != line) {
      ASSERT_EQ(fit.text.substr(fit.text.size() - 3), "…");
      ASSERT_EQ(line.compare(0, fit.text.size() - 3, fit.text, 0, fit.text.size() - 3), 0) << "a prefix";
      ASSERT_TRUE(ten_per_char(fit.text) <= width || ten_per_char(fit.text) == 20) << round;
    }
  }
}

TEST(UntrustedText, TenThousandCharacterWordsAreCheapToFit) {
  int calls = 0;
  const std::string word(10'000, 'w');
  const FittedText fit = fit_text(word, 300, 1, [&](size_t, std::string_view s) {
    ++calls;
    return ten_per_char(s);
  });
  EXPECT_EQ(fit.text, std::string(29, 'w') + "…");
  EXPECT_LT(calls, 40) << "one measurement per halving, not per character";
}


TEST(UntrustedText, TenThousandCharacterWordsWrapWithFewMeasurements) {
  int calls = 0;
  const std::string word(10'000, 'w');
  const auto lines = wrap_lines("a " + word + " b", 100, [&](std::string_view s) {
    ++calls;
    return ten_per_char(s);
  });
  ASSERT_EQ(lines.size(), 1002u);
  EXPECT_EQ(lines.front(), "a");
  EXPECT_EQ(lines[1], std::string(10, 'w'));
  EXPECT_EQ(lines[1000], std::string(10, 'w'));
  EXPECT_EQ(lines.back(), "b");
  EXPECT_LT(calls, 2500) << "about two per line, not one per character";
}

TEST(TextWidthCache, MeasuresEachTextOncePerFont) {
  TextWidthCache cache;
  int calls = 0;
  const TextMeasure raw = [&](std::string_view s) {
    ++calls;
    return ten_per_char(s);
  };
  TextMeasure m = cached_measure(cache, 1, 1.0f, raw);
  EXPECT_EQ(m("word"), 40);
  EXPECT_EQ(m("word"), 40);
  EXPECT_EQ(m("other"), 50);
  EXPECT_EQ(calls, 2);
  m = cached_measure(cache, 1, 1.0f, raw);  // the next paint, same font
  EXPECT_EQ(m("word"), 40);
  EXPECT_EQ(calls, 2);

  // Another font or another scale measures again, with its own answer.
  m = cached_measure(cache, 2, 1.0f, [](std::string_view s) { return 2 * ten_per_char(s); });
  EXPECT_EQ(m("word"), 80);
  m = cached_measure(cache, 2, 1.3f, raw);
  EXPECT_EQ(m("word"), 40);
  EXPECT_EQ(calls, 3);

  // Bounded: past the limit it starts again instead of growing.
  for (size_t i = 0; i < kTextWidthCacheLimit + 10; ++i) m(std::to_string(i));
  EXPECT_LE(cache.widths.size(), kTextWidthCacheLimit);
}

// Advances of a made-up font: 9 for 'W', 6 for 'é', no glyph at U+01FF, 5 for the rest; every
// whole-text measurement answers 1000 plus the byte length, so the two paths tell apart.
struct FakeFont {
  int blocks_asked = 0;
  int measured = 0;
  bool answers = true;
  TextMeasure measure() {
    return [this](std::string_view s) {
      ++measured;
      return static_cast<int32_t>(1000 + s.size());
    };
  }
  AdvanceSource advances() {
    return [this](char32_t first, size_t count, int32_t* out) {
      ++blocks_asked;
      for (size_t i = 0; i < count; ++i) {
        const char32_t c = first + static_cast<char32_t>(i);
        out[i] = c == 'W' ? 9 : c == 0xE9 ? 6 : c == 0x1FF ? -1 : 5;
      }
      return answers;
    };
  }
};

TEST(TextWidthCache, SumsAdvancesOfLatinTextAndMeasuresAnythingElseWhole) {
  struct Case {
    const char* text;
    int32_t width;
  };
  for (const Case& c : {
           Case{"aWa", 19},                 // summed: 5 + 9 + 5
           Case{"caf\xC3\xA9", 21},         // é from its own block
           Case{"", 0},
           Case{"~", 5},                    // U+007E, the last printable ASCII
           Case{"a\x7f", 1002},             // U+007F, a control
           Case{"\xC2\x9F", 1002},          // U+009F, the last C1 control
           Case{"\xC2\xA0", 5},             // U+00A0, the first after it
           Case{"co\xC2\xADop", 1006},      // the soft hyphen is measured whole
           Case{"\xCB\xBF", 5},             // U+02FF, the last summed
           Case{"e\xCC\x81", 1003},         // U+0301, a combining mark
           Case{"\xC7\xBF", 1002},          // U+01FF, which the font lacks
           Case{"a\xff", 1002},             // a stray byte
           Case{"\xE6\xBC\xA2", 1003},     // another script
       }) {
    FakeFont font;
    TextWidthCache cache;
    const TextMeasure m = cached_measure(cache, 1, 1.0f, font.measure(), font.advances());
    EXPECT_EQ(m(c.text), c.width) << c.text;
    EXPECT_EQ(font.measured, c.width >= 1000 ? 1 : 0) << c.text;
  }
}

TEST(TextWidthCache, AsksEachBlockOfAdvancesOncePerFont) {
  FakeFont font;
  TextWidthCache cache;
  TextMeasure m = cached_measure(cache, 1, 1.0f, font.measure(), font.advances());
  EXPECT_EQ(m("a b"), 15);  // U+0020 and U+0061: two blocks of 64
  EXPECT_EQ(m("Wo"), 14);
  EXPECT_EQ(m("? !"), 15);
  EXPECT_EQ(font.blocks_asked, 2);
  m = cached_measure(cache, 1, 1.0f, font.measure(), font.advances());  // the next paint
  EXPECT_EQ(m("z"), 5);
  EXPECT_EQ(font.blocks_asked, 2);
  m = cached_measure(cache, 2, 1.0f, font.measure(), font.advances());  // another font
  EXPECT_EQ(m("z"), 5);
  EXPECT_EQ(font.blocks_asked, 3);
  EXPECT_EQ(font.measured, 0);

  // A block the system would not answer is measured whole, and not asked for again.
  FakeFont silent;
  silent.answers = false;
  TextWidthCache other;
  m = cached_measure(other, 1, 1.0f, silent.measure(), silent.advances());
  EXPECT_EQ(m("ab"), 1002);
  EXPECT_EQ(m("abc"), 1003);
  EXPECT_EQ(silent.blocks_asked, 1);
  EXPECT_EQ(silent.measured, 2);
}

}  // namespace
}  // namespace qv
