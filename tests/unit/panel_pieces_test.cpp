// The pieces the overview and metric detail offer the keyboard and readers, made from the regions
// their paints register: the focus order, keys, names, roles and states a reader gets.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ui/access/focus_model.h"
#include "ui/access/published_page.h"
#include "ui/panel/alert_editor/alert_editor_pieces.h"
#include "ui/panel/detail/detail_pieces.h"
#include "ui/panel/frame/panel_pieces.h"
#include "ui/panel/overview/overview_pieces.h"
#include "ui/panel/settings/settings_pieces.h"

namespace qv {
namespace {

ProcessSample proc(std::string name, uint32_t pid, float cpu, uint64_t ram = 0, uint64_t net = 0) {
  ProcessSample p;
  p.name = std::move(name);
  p.pid = pid;
  p.cpu_pct = cpu;
  p.ram_bytes = ram;
  p.net_bps = net;
  return p;
}

HitRegion region(int32_t l, int32_t t, int32_t r, int32_t b, Action a, PieceRole role = PieceRole::kNone,
                 std::string name = {}, bool checked = false) {
  return HitRegion{l, t, r, b, a, role, std::move(name), checked, std::nullopt};
}

struct Expected {
  const char* key;
  const char* name;
  AccessRole role;
  const char* action;
};

void expect_focus_order(const PanelPieces& got, const std::vector<Expected>& want) {
  const std::vector<size_t> order = focus_order(got.pieces);
  ASSERT_EQ(order.size(), want.size());
  for (size_t i = 0; i < want.size(); ++i) {
    const Piece& p = got.pieces[order[i]];
    EXPECT_EQ(p.key, want[i].key) << i;
    EXPECT_EQ(p.name, want[i].name) << i;
    EXPECT_EQ(p.role, want[i].role) << i;
    EXPECT_EQ(p.default_action, want[i].action) << i;
  }
}

Snapshot busy_snapshot() {
  Snapshot s;
  s.cpu_pct = 36.4f;
  s.mem_used_bytes = 8ull << 30;
  s.processes = {proc("builder.exe", 10, 18.9f, 200ull << 20), proc("builder.exe", 11, 0.0f, 56ull << 20),
                 proc("editor.exe", 12, 3.0f, 1ull << 30, 2048)};
  return s;
}

// The overview as it paints in a pop-up: the header links right to left, the cards in two rows,
// the search field, the banner at the bottom (regions in drawing order, not reading order).
TEST(PanelPieces, OverviewReadsHeaderCardsFieldAndBannerInOrder) {
  const Snapshot snap = busy_snapshot();
  const std::vector<Banner> banners = {Banner{"2 new messages", 0x4FA3FF, make_action(ActionKind::kOpenMessages)}};
  const std::vector<HitRegion> regions = {
      region(300, 10, 324, 33, make_action(ActionKind::kHidePanel)),
      region(230, 10, 290, 30, make_action(ActionKind::kOpenSettings), PieceRole::kButton, "settings", true),
      region(190, 10, 225, 30, make_action(ActionKind::kTogglePinned), PieceRole::kButton, "pin"),
      region(12, 80, 166, 126, make_action(ActionKind::kOpenMetric, 0, 0)),
      region(170, 80, 324, 126, make_action(ActionKind::kOpenMetric, 0, 1)),
      region(12, 130, 166, 176, make_action(ActionKind::kOpenMetric, 0, 5)),
      region(12, 400, 324, 430, make_action(ActionKind::kOpenMessages)),
  };
  PanelPieces pieces = pieces_from_regions(regions, [&](const Action& a) {
    return overview_piece_text(a, snap, "", banners);
  });
  add_text_field(pieces, Rect{80, 44, 318, 66}, 1, "Find app");
  expect_focus_order(pieces, {
                                 {"action:3:0:0:0", "pin", AccessRole::kPushButton, "Press"},
                                 {"action:2:0:0:0", "settings", AccessRole::kPushButton, "Press"},
                                 {"close", "Close", AccessRole::kPushButton, "Press"},
                                 {"field:1", "Find app", AccessRole::kTextField, ""},
                                 {"tile:cpu", "CPU, 36 percent", AccessRole::kPushButton, "Press"},
                                 {"tile:ram", "RAM, 8.0 GB", AccessRole::kPushButton, "Press"},
                                 {"tile:audio", "Sound, Silent", AccessRole::kPushButton, "Press"},
                                 {"banner:42", "2 new messages", AccessRole::kLink, "Open"},
                             });
  // The link whose mode is on reads as selected; the field names its edit control.
  EXPECT_EQ(pieces.pieces[1].state & piece_state::kSelected, piece_state::kSelected);
  EXPECT_EQ(pieces.pieces[0].state & piece_state::kSelected, 0u);
  EXPECT_EQ(pieces.pieces.back().control_id, 1);
  EXPECT_EQ(action_of_key(pieces, "tile:ram"), make_action(ActionKind::kOpenMetric, 0, 1));
}

TEST(PanelPieces, OverviewNamesTheFrameRateCardAndSearchRowsWithTheirFigures) {
  Snapshot snap = busy_snapshot();
  snap.tracking_available = false;
  EXPECT_EQ(overview_piece_text(make_action(ActionKind::kOpenFpsList), snap, "", {})->name,
            "FPS, Run as administrator to see");
  // builder.exe's two processes make one row; the busiest app comes first.
  const std::optional<PieceText> first = overview_piece_text(make_action(ActionKind::kOpenAppRow, 0), snap, ".exe", {});
  ASSERT_TRUE(first);
  EXPECT_EQ(first->key, "row:builder.exe");
  EXPECT_EQ(first->name, "builder.exe, 19 percent, 256.0 MB, 0 B/s");
  EXPECT_EQ(first->role, AccessRole::kListItem);
  EXPECT_EQ(first->group, "apps");
  EXPECT_EQ(overview_piece_text(make_action(ActionKind::kOpenAppRow, 1), snap, ".exe", {})->name,
            "editor.exe, 3 percent, 1.0 GB, 2.0 KB/s");
  // A row index past the list (the list shrank since the paint) names nothing.
  EXPECT_FALSE(overview_piece_text(make_action(ActionKind::kOpenAppRow, 2), snap, ".exe", {}));
  EXPECT_FALSE(overview_piece_text(make_action(ActionKind::kOpenAppRow, 0), snap, "zzz", {}));
}

TEST(PanelPieces, MetricDetailRowsAndTheirCloseButtons) {
  const Snapshot snap = busy_snapshot();
  const std::vector<HitRegion> regions = {
      region(12, 12, 324, 52, make_action(ActionKind::kBack), PieceRole::kButton, "Back"),
      region(250, 20, 310, 44, make_action(ActionKind::kTogglePause), PieceRole::kButton, "Pause"),
      region(12, 120, 290, 144, make_action(ActionKind::kOpenAppRow, 0)),
      region(290, 120, 324, 144, make_action(ActionKind::kCloseAppRow, 0)),
      region(12, 146, 290, 170, make_action(ActionKind::kOpenAppRow, 1)),
      region(290, 146, 324, 170, make_action(ActionKind::kCloseAppRow, 1)),
  };
  PanelPieces pieces = pieces_from_regions(regions, [&](const Action& a) { return detail_piece_text(a, snap, 0, ""); });
  add_text_field(pieces, Rect{18, 70, 318, 92}, 1, "Filter");
  expect_focus_order(pieces, {
                                 {"action:1:0:0:0", "Back", AccessRole::kPushButton, "Press"},
                                 {"action:51:0:0:0", "Pause", AccessRole::kPushButton, "Press"},
                                 {"field:1", "Filter", AccessRole::kTextField, ""},
                                 {"row:builder.exe", "builder.exe, 18.9 percent CPU", AccessRole::kListItem, "Open"},
                                 {"close:builder.exe", "Close builder.exe", AccessRole::kPushButton, "Press"},
                                 {"row:editor.exe", "editor.exe, 3.0 percent CPU", AccessRole::kListItem, "Open"},
                                 {"close:editor.exe", "Close editor.exe", AccessRole::kPushButton, "Press"},
                             });
  // Down from the first row goes to the next row, not to its close button.
  FocusState focus{"row:builder.exe", 3};
  const std::optional<size_t> next = move_focus(pieces.pieces, focus, FocusMove::kDown, 400);
  ASSERT_TRUE(next);
  EXPECT_EQ(pieces.pieces[*next].key, "row:editor.exe");
}

// A list of 24 px rows 26 px apart, scrolled by 26, in a band from 100 to 126: row 0 ends just
// above the band, row 1 fills it, row 2 starts just below it. All three stay in the focus order,
// where they stand in the list.
TEST(PanelPieces, RowsScrolledOutOfTheListStayInTheOrderMarkedOffscreen) {
  Snapshot snap = busy_snapshot();
  snap.processes.push_back(proc("viewer.exe", 13, 1.0f));
  const ScrollBand band{100, 126, 26};
  std::vector<HitRegion> regions = {region(12, 12, 324, 52, make_action(ActionKind::kBack), PieceRole::kButton, "Back")};
  for (int32_t i = 0; i < 3; ++i) {
    const int32_t top = 100 + 26 * i - 26;
    regions.push_back(region(12, top, 290, top + 24, make_action(ActionKind::kOpenAppRow, static_cast<uint64_t>(i))));
    regions.back().band = band;
  }
  const PanelPieces pieces =
      pieces_from_regions(regions, [&](const Action& a) { return detail_piece_text(a, snap, 0, ""); });
  const std::vector<size_t> order = focus_order(pieces.pieces);
  std::vector<std::string> keys;
  std::vector<bool> offscreen;
  for (size_t i : order) {
    keys.push_back(pieces.pieces[i].key);
    offscreen.push_back((pieces.pieces[i].state & piece_state::kOffscreen) != 0);
  }
  EXPECT_EQ(keys, (std::vector<std::string>{"action:1:0:0:0", "row:builder.exe", "row:editor.exe", "row:viewer.exe"}));
  EXPECT_EQ(offscreen, (std::vector<bool>{false, true, false, true}));
  EXPECT_EQ(pieces.pieces[1].band, band);
}

// The sampler re-sorts the list: the focused app's row moves, the focus goes with it, and Enter
// then opens that app, not the one now in its old place.
TEST(PanelPieces, FocusStaysOnTheSameAppWhenItsRowMoves) {
  Snapshot snap = busy_snapshot();
  const auto rows = [](size_t n) {
    std::vector<HitRegion> out;
    for (size_t i = 0; i < n; ++i) {
      const int32_t top = 120 + 26 * static_cast<int32_t>(i);
      out.push_back(region(12, top, 290, top + 24, make_action(ActionKind::kOpenAppRow, i)));
    }
    return out;
  };
  const auto namer = [&](const Action& a) { return detail_piece_text(a, snap, 0, ""); };
  PublishedPage page;
  page.publish("Top apps by CPU use", pieces_from_regions(rows(2), namer).pieces);
  ASSERT_TRUE(focus_key(page.current(), page.focus(), "row:editor.exe"));
  EXPECT_EQ(page.focus().position, 1u);

  snap.processes[2].cpu_pct = 40.0f;  // editor.exe now leads
  const PanelPieces resorted = pieces_from_regions(rows(2), namer);
  page.publish("Top apps by CPU use", resorted.pieces);
  const std::optional<size_t> at = page.focused_index();
  ASSERT_TRUE(at);
  EXPECT_EQ(page.current()[*at].key, "row:editor.exe");
  EXPECT_EQ(page.current()[*at].name, "editor.exe, 40.0 percent CPU");
  EXPECT_EQ(action_of_key(resorted, "row:editor.exe"), make_action(ActionKind::kOpenAppRow, 0));
}

TEST(PanelPieces, MetricDetailSaysEachMeasuresUnit) {
  Snapshot snap = busy_snapshot();
  snap.processes = {proc("app.exe", 1, 0.0f, 3ull << 20, 0)};
  struct Case { uint8_t measure; const char* name; };
  // RAM shows bytes; sound rows show no figure; a measure past the last reads as CPU. Idle
  // apps are listed only while filtering, hence the filter "app".
  const Case cases[] = {{1, "app.exe, 3.0 MB RAM"}, {5, "app.exe"}, {0, "app.exe, 0.0 percent CPU"},
                        {9, "app.exe, 0.0 percent CPU"}};
  for (const Case& c : cases) {
    const std::optional<PieceText> text = detail_piece_text(make_action(ActionKind::kOpenAppRow, 0), snap, c.measure, "app");
    ASSERT_TRUE(text) << int(c.measure);
    EXPECT_EQ(text->name, c.name) << int(c.measure);
  }
}

TEST(PanelPieces, KitRegionsKeepTheirStateAndKeysStayUnique) {
  const std::vector<HitRegion> regions = {
      region(12, 60, 324, 84, make_action(ActionKind::kToggleAutostart), PieceRole::kCheckBox, "Start with Windows", true),
      region(12, 90, 324, 114, make_action(ActionKind::kToggleOnTop), PieceRole::kCheckBox, "Keep on top", false),
      // The band's label and the band itself both go back.
      region(12, 12, 100, 52, make_action(ActionKind::kBack), PieceRole::kButton, "Back"),
      region(12, 12, 324, 52, make_action(ActionKind::kBack), PieceRole::kButton, "Back"),
      region(12, 120, 324, 144, make_action(ActionKind::kDragMainMetric, 2)),
      region(0, 0, 10, 10, make_action(ActionKind::kNone)),
  };
  const PanelPieces pieces = pieces_from_regions(regions, {});
  ASSERT_EQ(pieces.pieces.size(), 5u);  // the region that does nothing is no piece
  EXPECT_EQ(pieces.pieces[0].role, AccessRole::kCheckBox);
  EXPECT_EQ(pieces.pieces[0].state, piece_state::kFocusable | piece_state::kChecked);
  EXPECT_EQ(pieces.pieces[0].default_action, "Uncheck");
  EXPECT_EQ(pieces.pieces[1].state, piece_state::kFocusable);
  EXPECT_EQ(pieces.pieces[1].default_action, "Check");
  EXPECT_EQ(pieces.pieces[2].key, "action:1:0:0:0");
  EXPECT_EQ(pieces.pieces[3].key, "action:1:0:0:0#2");
  // A drag handle is read but a key cannot drag it.
  EXPECT_EQ(pieces.pieces[4].state & piece_state::kFocusable, 0u);
  EXPECT_EQ(pieces.pieces[4].default_action, "");
  EXPECT_EQ(pieces.actions.size(), pieces.pieces.size());
}

TEST(PanelPieces, PiecesNoRoomNamesGetTheTextTheyShow) {
  struct Case { Action action; const char* name; };
  const Case cases[] = {
      {make_action(ActionKind::kCloseProcess, 0, 0, 4242), "End process 4242"},
      {make_action(ActionKind::kToggleMessage, 0), "Message 1"},
      {make_action(ActionKind::kClearMessages), "clear"},
      {make_action(ActionKind::kToggleProcesses), "Processes"},
      {make_action(ActionKind::kSetProcessSort, 0, 1), ""},  // no fixed text: left unnamed
  };
  for (const Case& c : cases) {
    const PanelPieces pieces = pieces_from_regions({region(0, 0, 10, 10, c.action)}, {});
    ASSERT_EQ(pieces.pieces.size(), 1u);
    EXPECT_EQ(pieces.pieces[0].name, c.name) << static_cast<int>(c.action.kind);
  }
  // The kit's own name wins over the fixed one.
  const PanelPieces named =
      pieces_from_regions({region(0, 0, 10, 10, make_action(ActionKind::kClearMessages), PieceRole::kButton, "clear all")}, {});
  EXPECT_EQ(named.pieces[0].name, "clear all");
}

TEST(PanelPieces, FiguresAreSpokenInWords) {
  struct Case { const char* shown; const char* said; };
  const Case cases[] = {{"36%", "36 percent"},
                        {"R 1.0 MB/s  ·  W 0 B/s", "R 1.0 MB/s, W 0 B/s"},
                        {"↓ 2.0 KB/s  ·  ↑ 0 KB/s", "down 2.0 KB/s, up 0 KB/s"},
                        {"18.9% · 100%", "18.9 percent · 100 percent"},
                        {"", ""}};
  for (const Case& c : cases) EXPECT_EQ(spoken(c.shown), c.said) << c.shown;
}

}  // namespace
}  // namespace qv

namespace qv {
namespace {

TEST(PanelPieces, SettingsSectionsAndMainMetricRows) {
  Settings s;
  s.main_metrics = {MainMetric{"ram", false}, MainMetric{"cpu", true}};
  const std::vector<HitRegion> regions = {
      region(12, 60, 324, 104, make_action(ActionKind::kOpenSettingsSection, 0, 2)),
      region(12, 110, 32, 132, make_action(ActionKind::kDragMainMetric, 0)),
      region(34, 110, 324, 132, make_action(ActionKind::kToggleMainMetric, 0)),
      region(34, 136, 324, 158, make_action(ActionKind::kToggleMainMetric, 1)),
      region(34, 160, 324, 182, make_action(ActionKind::kToggleMainMetric, 2)),  // past the list
  };
  const PanelPieces pieces = pieces_from_regions(regions, [&](const Action& a) { return settings_piece_text(a, s); });
  expect_focus_order(pieces, {
                                 {"section:2", "Main panel", AccessRole::kLink, "Open"},
                                 {"metric:ram", "RAM", AccessRole::kCheckBox, "Check"},
                                 {"metric:cpu", "CPU", AccessRole::kCheckBox, "Uncheck"},
                                 {"action:24:0:0:2", "", AccessRole::kPushButton, "Press"},
                             });
  EXPECT_EQ(pieces.pieces[1].key, "drag:ram");
  EXPECT_EQ(pieces.pieces[1].name, "Drag RAM");
  EXPECT_EQ(pieces.pieces[2].state, piece_state::kFocusable);
  EXPECT_EQ(pieces.pieces[3].state, piece_state::kFocusable | piece_state::kChecked);
  EXPECT_FALSE(settings_piece_text(make_action(ActionKind::kOpenSettingsSection, 0, 5), s));
}

// "Start with Windows" is read with the warning under it once a change has failed, under one key
// whether it failed or not, so the focus stays on it after the click.
TEST(PanelPieces, StartWithWindowsIsReadWithItsWarning) {
  const Settings s;
  const Action toggle = make_action(ActionKind::kToggleAutostart);
  struct Case {
    AutostartShown shown;
    const char* name;
  };
  for (const Case& c : {Case{{false, false}, "Start with Windows (as administrator)"},
                        Case{{true, false}, "Start with Windows (as administrator)"},
                        Case{{false, true}, "Start with Windows (as administrator). Needs administrator — run the app "
                                            "as admin once"}}) {
    const std::optional<PieceText> t = settings_piece_text(toggle, s, c.shown);
    ASSERT_TRUE(t);
    EXPECT_EQ(t->key, "autostart");
    EXPECT_EQ(t->name, c.name);
    EXPECT_EQ(t->role, AccessRole::kCheckBox);
    EXPECT_EQ(t->checked, c.shown.on);
  }
}

TEST(PanelPieces, AlertEditorTilesAreOptionsOfWhichOneIsChosen) {
  AlertEditorState e;
  e.metric = 7;
  const std::vector<HitRegion> regions = {
      region(12, 60, 166, 80, make_action(ActionKind::kAlertMetric, 0)),
      region(172, 60, 324, 80, make_action(ActionKind::kAlertMetric, 7)),
      region(280, 90, 324, 114, make_action(ActionKind::kAlertAppPicker)),
  };
  const PanelPieces pieces = pieces_from_regions(regions, [&](const Action& a) { return alert_editor_piece_text(a, e); });
  expect_focus_order(pieces, {
                                 {"metric:0", "CPU", AccessRole::kRadioButton, "Select"},
                                 {"metric:7", "One app…", AccessRole::kRadioButton, "Select"},
                                 {"pick", "Pick a running app", AccessRole::kPushButton, "Press"},
                             });
  EXPECT_EQ(pieces.pieces[0].state, piece_state::kFocusable);
  EXPECT_EQ(pieces.pieces[1].state, piece_state::kFocusable | piece_state::kSelected);
  EXPECT_FALSE(alert_editor_piece_text(make_action(ActionKind::kAlertMetric, 8), e));
}

}  // namespace
}  // namespace qv
