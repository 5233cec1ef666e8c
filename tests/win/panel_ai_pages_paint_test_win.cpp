// The AI pages painted into a memory bitmap with what a careless or hostile AI tool may send:
// control characters, direction overrides, stray bytes, stacks of combining marks and words of
// ten thousand characters. Nothing may be drawn outside the cards: the margins and the gaps
// between cards keep the background.
#include <gtest/gtest.h>

#include <cstdint>
#include <deque>
#include <string>

#include "ui/gdi/draw_win.h"
#include "ui/gdi/theme.h"
#include "ui/panel/frame/panel_page_win.h"
#include "win_support.h"

namespace qv {
namespace {

constexpr int kW = 336;
constexpr int kH = 600;

// A top-down 32-bit bitmap selected into a memory DC, with its pixels readable.
class Canvas : public test::MemoryBitmap {
 public:
  Canvas() : MemoryBitmap(kW, kH) {}
  Rgb at(int x, int y) const {
    const uint32_t v = pixel(x, y);
    return Rgb{static_cast<uint8_t>(v >> 16), static_cast<uint8_t>(v >> 8), static_cast<uint8_t>(v)};
  }
  void save(const std::string& name) const { test::save_shot_if_asked(shot(), name); }
};

// Paints the panel's page for `panel.page` from `ai`, with an empty overview around it.
void paint_ai_page(const Canvas& c, const FontSet& fonts, PanelState& panel, const AiPagesInput& ai) {
  Settings settings;
  Snapshot snap;
  OverviewInput overview;
  overview.settings = &settings;
  overview.snapshot = &snap;
  paint_page(PanelCanvas{c.dc(), kW, kH, 1.0f, &fonts, &panel}, overview, {}, &ai);
}

const std::string kLongWord(10'000, 'W');
std::string combining_stack() {
  std::string s = "e";
  for (int i = 0; i < 300; ++i) s += "\xcc\x81";  // U+0301 three hundred times over one letter
  return s;
}
const std::string kNasty[] = {
    kLongWord,
    "\x01\x02\x1b[2J\x7f bell\x07 tab\there\r\nnext",
    "\xe2\x80\xae" "txt.exe \xe2\x81\xa6isolated \xe2\x80\x8f mark",
    "\xef\xbf\xbd\xef\xbf\xbd broken \xff\xfe bytes",
    combining_stack(),
    "漢字かな交じり文 😀 " + kLongWord.substr(0, 500),
};

// Every pixel row whose left card edge shows the background is a gap or a margin: it must be
// background all the way across, and so must the margins beside and below the list.
void expect_nothing_outside_cards(const Canvas& c, const Theme& t, int list_top) {
  int bad_rows = 0;
  for (int y = list_top; y < kH; ++y) {
    const bool gap = y >= kH - 12 || c.at(12, y) == t.background;
    for (int x = 0; x < kW - 6; ++x) {
      const bool margin = x < 12 || x >= kW - 12;
      if ((gap || margin) && !(c.at(x, y) == t.background)) {
        ++bad_rows;
        ADD_FAILURE() << "drawn outside the cards at " << x << "," << y;
        break;
      }
    }
    if (bad_rows > 3) return;
  }
}

TEST(PanelAiPagesPaint, UntrustedMessagesStayInsideTheirCards) {
  FontSet fonts = create_font_set(1.0f);
  std::deque<MessageEntry> messages;
  for (const std::string& text : kNasty) messages.push_back(MessageEntry{"12:00", text, text});
  for (bool unfolded : {false, true}) {
    Canvas c;
    PanelState panel;
    panel.page = Page::kMessages;
    if (unfolded) panel.expanded_messages = {1, 2, 3, 4, 5};  // all but the long word
    AiPagesInput ai;
    ai.messages = &messages;
    paint_ai_page(c, fonts, panel, ai);
    expect_nothing_outside_cards(c, current_theme(), 62);
    EXPECT_GT(panel.hit_regions.size(), 2u) << "clear, back and the folding rows";
  }
  // The 10,000-character word unfolded: a very tall card, still within the window's width.
  Canvas c;
  PanelState panel;
  panel.page = Page::kMessages;
  panel.expanded_messages = {0};
  AiPagesInput ai;
  ai.messages = &messages;
  paint_ai_page(c, fonts, panel, ai);
  expect_nothing_outside_cards(c, current_theme(), 62);
  EXPECT_GT(panel.scroll_max, 2000) << "the long word wraps into many lines";
  c.save("messages_hostile_long_word");
}

TEST(PanelAiPagesPaint, EmptyPagesSayWhatWillAppear) {
  FontSet fonts = create_font_set(1.0f);
  const std::deque<MessageEntry> none;
  AiPagesInput ai;
  ai.messages = &none;
  ai.sessions.push_back(AgentSession{"s", "L", {}, 0});  // a session that lists nothing
  for (Page page : {Page::kActivity, Page::kMessages}) {
    Canvas c;
    PanelState panel;
    panel.page = page;
    panel.scroll_offset = 40;
    paint_ai_page(c, fonts, panel, ai);
    const Theme& t = current_theme();
    // The band, then lines of dim text and nothing else: no card, no scrollbar, no clear.
    int dim = 0;
    for (int y = 62; y < kH; ++y) {
      for (int x = 0; x < kW; ++x) {
        ASSERT_FALSE(c.at(x, y) == t.surface) << x << "," << y;
        dim += c.at(x, y) == t.text_dim;
      }
    }
    EXPECT_GT(dim, 50) << "the empty state's text";
    EXPECT_EQ(panel.hit_regions.size(), 1u) << "only Back";
    EXPECT_EQ(panel.scroll_offset, 0);
    EXPECT_EQ(panel.scroll_max, 0);
    c.save(page == Page::kActivity ? "activity_empty" : "messages_empty");
  }
}

TEST(PanelAiPagesPaint, UntrustedAgentsStayInsideTheirCards) {
  FontSet fonts = create_font_set(1.0f);
  AiPagesInput ai;
  ai.now_ms = 1'800'000'000'000;
  ai.local_clock = &local_clock_time;
  AgentSession session{"s", "L", {}, ai.now_ms};
  for (const std::string& text : kNasty) {
    session.agents.push_back(Agent{text + "id", text, text, text, ai.now_ms, ai.now_ms - 1000});
  }
  ai.sessions.push_back(session);
  for (const std::string& text : kNasty) {
    ai.history.push_back(FinishedAgent{text + "f", text.substr(0, 200), "failed", text.substr(0, 200), "L",
                                       ai.now_ms - 5000, ai.now_ms});
  }
  Canvas c;
  PanelState panel;
  panel.page = Page::kActivity;
  panel.finished_expanded = true;
  // Every agent unfolded, the ten-thousand-character detail included.
  for (const Agent& a : session.agents) panel.expanded_ai_items.insert(agent_item_key("s", a.id, a.started_ms));
  paint_ai_page(c, fonts, panel, ai);
  expect_nothing_outside_cards(c, current_theme(), 62);
  c.save("activity_hostile");
  // Scrolled to the end, through the finished ones.
  panel.scroll_offset = 1 << 30;
  paint_ai_page(c, fonts, panel, ai);
  EXPECT_EQ(panel.scroll_offset, panel.scroll_max);
  expect_nothing_outside_cards(c, current_theme(), 62);
  c.save("activity_hostile_end");
}

// Forty agents, far more than a short pop-up shows: every item whose detail folds is a piece that
// toggles it, drawn or scrolled out, unfolded or not; an item whose detail fits on one line is not,
// in either state.
TEST(PanelAiPagesPaint, ItemsThatFoldArePiecesWhetherShownOrScrolledOut) {
  FontSet fonts = create_font_set(1.0f);
  AiPagesInput ai;
  ai.now_ms = 1'800'000'000'000;
  ai.local_clock = &local_clock_time;
  AgentSession session{"s", "L", {}, ai.now_ms};
  const std::string folds = "Reading the sources of the build, then running every test of the suite twice over "
                            "and writing what failed into the report for the next step of the plan.";
  PanelState panel;
  panel.page = Page::kActivity;
  for (int i = 0; i < 40; ++i) {
    const std::string id = "a" + std::to_string(i);
    session.agents.push_back(Agent{id, "Agent " + std::to_string(i), "running", i % 2 ? "ok" : folds, ai.now_ms,
                                   ai.now_ms - 1000 - static_cast<uint64_t>(i)});
    if (i % 4 < 2) panel.expanded_ai_items.insert(agent_item_key("s", id, session.agents.back().started_ms));
  }
  ai.sessions.push_back(session);
  Canvas c;
  for (int32_t scroll : {0, 1 << 30}) {
    panel.scroll_offset = scroll;
    paint_ai_page(c, fonts, panel, ai);
    int drawn = 0;
    for (const Agent& a : session.agents) {
      const uint64_t key = agent_item_key("s", a.id, a.started_ms);
      int toggles = 0;
      for (const HitRegion& r : panel.hit_regions) {
        if (r.action.kind != ActionKind::kToggleActivityItem || r.action.index != key) continue;
        ++toggles;
        drawn += r.band && r.band->top < r.bottom && r.top < r.band->bottom;
      }
      EXPECT_EQ(toggles, a.detail == "ok" ? 0 : 1) << a.id << " at scroll " << scroll;
    }
    EXPECT_GT(drawn, 0) << "some items are in sight at scroll " << scroll;
    EXPECT_LT(drawn, 20) << "most of the twenty that fold are scrolled out at scroll " << scroll;
  }
}

}  // namespace
}  // namespace qv

namespace qv {
namespace {

TEST(PanelAiPagesClock, OnePerPaintAgreesWithTheSystemEveryTime) {
  const LocalClock clock = make_local_clock();
  // Every 7 h 13 min 17 s across 400 days: both sides of any daylight-saving change of the zone.
  const uint64_t step = (7 * 3600 + 13 * 60 + 17) * 1000ull;
  int compared = 0;
  for (uint64_t t = 1'780'000'000'000; t < 1'780'000'000'000 + 400ull * 86'400'000; t += step) {
    const LocalClockTime a = clock(t);
    const LocalClockTime b = local_clock_time(t);
    ASSERT_EQ(a.hour * 60 + a.minute, b.hour * 60 + b.minute) << t;
    ++compared;
  }
  EXPECT_GT(compared, 1000);
}

}  // namespace
}  // namespace qv
