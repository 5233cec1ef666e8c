// Keyboard focus over a page's pieces: reading order, the moves of each key, the focus kept by key
// through samples, scrolling a focused piece into view, the accessible children and the
// announcements a reader gets.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "ui/access/focus_model.h"
#include "ui/access/published_page.h"

namespace qv {
namespace {

Piece piece(const char* key, Rect region, const char* group = "", uint32_t state = piece_state::kFocusable) {
  Piece p;
  p.key = key;
  p.name = key;
  p.region = region;
  p.group = group;
  p.state = state;
  return p;
}

std::vector<std::string> keys_in(const std::vector<Piece>& pieces, const std::vector<size_t>& order) {
  std::vector<std::string> out;
  for (size_t i : order) out.push_back(pieces[i].key);
  return out;
}

TEST(FocusOrder, ReadsTopToBottomThenLeftToRight) {
  struct Case {
    const char* what;
    std::vector<Piece> pieces;
    std::vector<std::string> expected;
  };
  const std::vector<Case> cases = {
      {"a grid of tiles listed out of order",
       {piece("ram", {110, 0, 200, 50}), piece("disk", {110, 60, 200, 110}), piece("cpu", {0, 0, 100, 50}),
        piece("gpu", {0, 60, 100, 110})},
       {"cpu", "ram", "gpu", "disk"}},
      {"a button a little higher and taller than the link left of it",
       {piece("pin", {200, 8, 230, 32}), piece("back", {10, 10, 60, 30})},
       {"back", "pin"}},
      {"rows beside a tall graph come after it, top down",
       {piece("row2", {120, 40, 300, 60}), piece("graph", {0, 0, 100, 100}), piece("row1", {120, 10, 300, 30}),
        piece("below", {0, 120, 300, 140})},
       {"graph", "row1", "row2", "below"}},
      {"a piece whose centre is past the line's first piece starts a new line",
       {piece("a", {0, 0, 50, 20}), piece("b", {100, 5, 150, 45}), piece("c", {10, 50, 60, 70})},
       {"a", "b", "c"}},
      {"same place keeps the list's order", {piece("x", {0, 0, 10, 10}), piece("y", {0, 0, 10, 10})}, {"x", "y"}},
      {"nothing", {}, {}},
  };
  for (const Case& c : cases) EXPECT_EQ(keys_in(c.pieces, reading_order(c.pieces)), c.expected) << c.what;
}

TEST(FocusOrder, LeavesOutPiecesThatCannotTakeTheFocus) {
  const std::vector<Piece> pieces = {
      piece("figure", {0, 0, 50, 20}, "", 0), piece("off", {0, 30, 50, 50}, "", piece_state::kFocusable | piece_state::kUnavailable),
      piece("on", {0, 60, 50, 80}, "", piece_state::kFocusable | piece_state::kChecked)};
  EXPECT_EQ(keys_in(pieces, focus_order(pieces)), std::vector<std::string>{"on"});
  EXPECT_EQ(keys_in(pieces, reading_order(pieces)), (std::vector<std::string>{"figure", "off", "on"}));
}

// A page: a back link, three chips in a row, a list of five rows 20 px high, a button.
std::vector<Piece> page() {
  return {piece("back", {0, 0, 40, 20}),          piece("chip1", {0, 30, 40, 50}, "chips"),
          piece("chip2", {50, 30, 90, 50}, "chips"), piece("chip3", {100, 30, 140, 50}, "chips"),
          piece("row1", {0, 60, 200, 80}, "rows"),   piece("row2", {0, 80, 200, 100}, "rows"),
          piece("row3", {0, 100, 200, 120}, "rows"), piece("row4", {0, 120, 200, 140}, "rows"),
          piece("row5", {0, 140, 200, 160}, "rows"), piece("save", {0, 170, 60, 190})};
}

TEST(FocusMoves, EachKeyFromEachPlace) {
  struct Case {
    const char* from;  // "" nothing focused
    FocusMove move;
    const char* to;    // "" the key does not move the focus
  };
  const Case cases[] = {
      {"", FocusMove::kNext, "back"},         {"", FocusMove::kPrevious, "save"},
      {"", FocusMove::kDown, "back"},         {"", FocusMove::kEnd, "save"},
      {"back", FocusMove::kNext, "chip1"},    {"save", FocusMove::kNext, "back"},  // Tab wraps
      {"back", FocusMove::kPrevious, "save"}, {"row1", FocusMove::kPrevious, "chip3"},
      {"chip3", FocusMove::kNext, "row1"},    // Tab leaves a group
      {"chip1", FocusMove::kRight, "chip2"},  {"chip2", FocusMove::kLeft, "chip1"},
      {"chip3", FocusMove::kRight, ""},       {"chip1", FocusMove::kLeft, ""},  // arrows stop at the ends
      {"row2", FocusMove::kDown, "row3"},     {"row2", FocusMove::kUp, "row1"},
      {"row5", FocusMove::kDown, ""},         {"back", FocusMove::kDown, ""},  // no group: no move
      {"row3", FocusMove::kHome, "row1"},     {"row3", FocusMove::kEnd, "row5"},
      {"row1", FocusMove::kHome, ""},         {"save", FocusMove::kHome, ""},
  };
  const std::vector<Piece> pieces = page();
  for (const Case& c : cases) {
    FocusState focus;
    if (*c.from) ASSERT_TRUE(focus_key(pieces, focus, c.from)) << c.from;
    const std::optional<size_t> moved = move_focus(pieces, focus, c.move, 100);
    const std::string what = std::string(c.from) + " move " + std::to_string(static_cast<int>(c.move));
    if (*c.to) {
      ASSERT_TRUE(moved) << what;
      EXPECT_EQ(pieces[*moved].key, c.to) << what;
      EXPECT_EQ(focus.key, c.to) << what;
    } else {
      EXPECT_FALSE(moved) << what;
      EXPECT_EQ(focus.key, c.from) << what;
    }
  }
}

TEST(FocusMoves, PageKeysGoAsFarAsOneViewWithinTheList) {
  struct Case {
    const char* from;
    FocusMove move;
    int32_t view;
    const char* to;
  };
  const Case cases[] = {
      {"row1", FocusMove::kPageDown, 60, "row3"},   // row3 ends 60 px below row1's top
      {"row1", FocusMove::kPageDown, 59, "row2"},   // one pixel short of row3
      {"row1", FocusMove::kPageDown, 10, "row2"},   // a view shorter than a row still moves one
      {"row1", FocusMove::kPageDown, 1000, "row5"},
      {"row5", FocusMove::kPageUp, 60, "row3"},     // row3 starts 60 px above row5's bottom
      {"row5", FocusMove::kPageUp, 59, "row4"},
      {"row1", FocusMove::kPageUp, 60, ""},
      {"row5", FocusMove::kPageDown, 60, ""},
  };
  const std::vector<Piece> pieces = page();
  for (const Case& c : cases) {
    FocusState focus;
    ASSERT_TRUE(focus_key(pieces, focus, c.from));
    const std::optional<size_t> moved = move_focus(pieces, focus, c.move, c.view);
    if (*c.to) {
      ASSERT_TRUE(moved) << c.from << " view " << c.view;
      EXPECT_EQ(pieces[*moved].key, c.to) << c.from << " view " << c.view;
    } else {
      EXPECT_FALSE(moved) << c.from << " view " << c.view;
    }
  }
}

TEST(FocusMoves, NothingToFocusGivesNothing) {
  const std::vector<Piece> pieces = {piece("figure", {0, 0, 10, 10}, "", 0)};
  FocusState focus;
  EXPECT_FALSE(move_focus(pieces, focus, FocusMove::kNext, 100));
  EXPECT_FALSE(focus_key(pieces, focus, "figure"));
  EXPECT_EQ(focus.key, "");
}

TEST(FocusKeeping, FollowsTheKeyThroughSamplesAndFallsToTheNeighbour) {
  std::vector<Piece> pieces = page();
  FocusState focus;
  ASSERT_TRUE(focus_key(pieces, focus, "row2"));
  EXPECT_EQ(focus.position, 5u);

  // A sample sorts the rows anew: row2 is now first of the list.
  std::swap(pieces[4].key, pieces[5].key);
  std::optional<size_t> at = resolve_focus(pieces, focus);
  ASSERT_TRUE(at);
  EXPECT_EQ(*at, 4u);
  EXPECT_EQ(focus.position, 4u);

  // The focused row's app exited: the row now in its place takes the focus.
  pieces[4].key = "row9";
  at = resolve_focus(pieces, focus);
  ASSERT_TRUE(at);
  EXPECT_EQ(pieces[*at].key, "row9");
  EXPECT_EQ(focus.key, "row9");

  // A shorter page: the last piece.
  pieces.resize(3);
  at = resolve_focus(pieces, focus);
  ASSERT_TRUE(at);
  EXPECT_EQ(pieces[*at].key, "chip2");

  // Nothing that takes the focus any more: cleared.
  for (Piece& p : pieces) p.state = 0;
  EXPECT_FALSE(resolve_focus(pieces, focus));
  EXPECT_EQ(focus.key, "");
}

TEST(FocusScroll, BringsTheFocusedPieceIntoView) {
  struct Case {
    const char* what;
    Rect region;
    int32_t scroll;
    int32_t max_scroll;
    int32_t expected;
  };
  const Rect view{0, 40, 300, 240};  // 200 px of list under a 40 px header
  const Case cases[] = {
      {"in view", {0, 100, 300, 120}, 50, 500, 50},
      {"exactly the view", {0, 40, 300, 240}, 50, 500, 50},
      {"partly above", {0, 30, 300, 50}, 50, 500, 40},
      {"below", {0, 250, 300, 270}, 50, 500, 80},
      {"one pixel past the bottom", {0, 221, 300, 241}, 50, 500, 51},
      {"taller than the view: its top", {0, 100, 300, 400}, 50, 500, 110},
      {"above the start: not below 0", {0, -100, 300, -80}, 50, 500, 0},
      {"below the end: not past the last offset", {0, 600, 300, 620}, 50, 300, 300},
      {"no room to scroll", {0, 600, 300, 620}, 0, -5, 0},
  };
  for (const Case& c : cases) EXPECT_EQ(scroll_to_show(c.region, view, c.scroll, c.max_scroll), c.expected) << c.what;
}

// A list showing rows 40..240 of the window, scrolled by 100: row n (20 px) is laid out at
// 40 + 20n and drawn 100 px higher, so rows 0..4 are above the band and 15.. below it.
Piece list_row(int n, int32_t scroll = 100) {
  Piece p = piece(("row" + std::to_string(n)).c_str(), {0, 40 + 20 * n - scroll, 300, 60 + 20 * n - scroll}, "rows");
  p.band = ScrollBand{40, 240, scroll};
  return p;
}

TEST(FocusScroll, AScrolledOutRowIsScrolledWhollyInWhenFocusedAndOnlyThen) {
  struct Case {
    const char* what;
    int row;
    std::optional<int32_t> expected;
  };
  const Case cases[] = {
      {"the first row wholly in view", 5, std::nullopt},
      {"the last row wholly in view", 14, std::nullopt},
      {"just out above: its bottom on the band's top", 4, 80},
      {"just out below: its top on the band's bottom", 15, 120},
      {"far above", 0, 0},
      {"far below, held at the end", 40, 300},
  };
  for (const Case& c : cases) EXPECT_EQ(scroll_for_focus(list_row(c.row), 300), c.expected) << c.what;
  Piece half = list_row(5, 105);  // 5 px of it beneath the band's top
  EXPECT_EQ(scroll_for_focus(half, 300), std::optional<int32_t>(100));
  EXPECT_EQ(scroll_for_focus(piece("back", {0, -50, 40, -30}), 300), std::nullopt) << "not in a list";
}

TEST(FocusScroll, ScrolledOutPiecesKeepTheirPlaceInTheOrderButShowNothing) {
  // A header above the list; at scroll 100 the rows 0..4 are drawn where the header is.
  std::vector<Piece> pieces = {list_row(0), list_row(4), list_row(5), list_row(15), piece("back", {0, 0, 40, 20})};
  EXPECT_EQ(keys_in(pieces, focus_order(pieces)), (std::vector<std::string>{"back", "row0", "row4", "row5", "row15"}));
  FocusState focus;
  focus_key(pieces, focus, "row5");
  EXPECT_EQ(move_focus(pieces, focus, FocusMove::kUp, 200), std::optional<size_t>(1)) << "the arrow reaches row 4";

  EXPECT_EQ(shown_region(pieces[0]), (Rect{})) << "far above";
  EXPECT_EQ(shown_region(pieces[1]), (Rect{})) << "its bottom on the band's top";
  EXPECT_EQ(shown_region(pieces[2]), (Rect{0, 40, 300, 60}));
  EXPECT_EQ(shown_region(pieces[3]), (Rect{})) << "its top on the band's bottom";
  Piece half = list_row(5, 105);
  EXPECT_EQ(shown_region(half), (Rect{0, 40, 300, 55}));
  EXPECT_EQ(piece_at(pieces, 10, 10), std::optional<size_t>(4)) << "the header, not row 1 drawn beneath it";
  EXPECT_EQ(piece_at(pieces, 10, 245), std::nullopt) << "row 15 below the band";
  EXPECT_EQ(piece_at(pieces, 10, 45), std::optional<size_t>(2));
}

TEST(AccessChildren, NumberedInReadingOrderAndHitBySmallestRegion) {
  const std::vector<Piece> pieces = {piece("close", {180, 60, 200, 80}, "", piece_state::kFocusable),
                                     piece("row", {0, 60, 200, 80}), piece("title", {0, 0, 200, 20}, "", 0)};
  EXPECT_EQ(child_of_key(pieces, "title"), 1);
  EXPECT_EQ(child_of_key(pieces, "row"), 2);
  EXPECT_EQ(child_of_key(pieces, "close"), 3);
  EXPECT_EQ(child_of_key(pieces, "gone"), 0);
  EXPECT_EQ(child_of_key(pieces, ""), 0);
  EXPECT_EQ(piece_of_child(pieces, 1), std::optional<size_t>(2));
  EXPECT_EQ(piece_of_child(pieces, 3), std::optional<size_t>(0));
  EXPECT_FALSE(piece_of_child(pieces, 0));
  EXPECT_FALSE(piece_of_child(pieces, 4));
  EXPECT_FALSE(piece_of_child(pieces, -1));

  EXPECT_EQ(piece_at(pieces, 190, 70), std::optional<size_t>(0));  // the ✕ inside its row
  EXPECT_EQ(piece_at(pieces, 179, 70), std::optional<size_t>(1));
  EXPECT_EQ(piece_at(pieces, 200, 70), std::nullopt);  // right edges are outside
  EXPECT_EQ(piece_at(pieces, 10, 40), std::nullopt);
}

TEST(FocusAnnouncements, FocusOnceAndEachNewNameOnce) {
  struct Step {
    const char* key;
    const char* name;
    Announcement expected;
  };
  const Step steps[] = {
      {"", "", Announcement::kNone},
      {"tile:cpu", "CPU, 36 percent", Announcement::kFocus},
      {"tile:cpu", "CPU, 36 percent", Announcement::kNone},  // a sample with the same figure
      {"tile:cpu", "CPU, 41 percent", Announcement::kNameChange},
      {"tile:cpu", "CPU, 41 percent", Announcement::kNone},
      {"tile:ram", "RAM, 52 percent", Announcement::kFocus},
      {"", "", Announcement::kNone},  // the focus left the panel
      {"tile:ram", "RAM, 52 percent", Announcement::kFocus},  // and came back
  };
  FocusAnnouncer announcer;
  for (const Step& s : steps) EXPECT_EQ(announce(announcer, s.key, s.name), s.expected) << s.key << " " << s.name;
}

TEST(PublishedPageForReaders, KeepsFocusByKeyAndQueuesWhatReadersAsk) {
  PublishedPage page;
  int requests = 0;
  page.on_request = [&] { ++requests; };
  Piece tile = piece("tile:cpu", {0, 0, 100, 50});
  tile.default_action = "Open";
  Piece figure = piece("ram", {110, 0, 200, 50}, "", 0);  // read, not acted on
  Piece off = piece("save", {0, 60, 50, 80}, "", piece_state::kFocusable | piece_state::kUnavailable);
  off.default_action = "Press";
  page.publish("Overview", {tile, figure, off});

  EXPECT_FALSE(page.take_focus("ram"));
  EXPECT_FALSE(page.do_default_action("ram"));
  EXPECT_FALSE(page.do_default_action("save")) << "unavailable";
  EXPECT_FALSE(page.do_default_action("gone"));
  EXPECT_EQ(requests, 0);
  EXPECT_TRUE(page.take_focus("tile:cpu"));
  EXPECT_TRUE(page.do_default_action("tile:cpu"));
  EXPECT_EQ(requests, 2);
  EXPECT_EQ(page.take_actions(), std::vector<std::string>{"tile:cpu"});
  EXPECT_TRUE(page.take_actions().empty());

  // A sample moves the tile: the focus follows its key.
  tile.region = {0, 100, 100, 150};
  page.publish("Overview", {figure, tile});
  EXPECT_EQ(page.focused_index(), std::optional<size_t>(1));
  EXPECT_EQ(page.focused_key(), "tile:cpu");
  // Another page starts with nothing focused.
  page.publish("CPU", {tile});
  EXPECT_EQ(page.focused_key(), "");
  EXPECT_FALSE(page.focused_index());
}

}  // namespace
}  // namespace qv
