// What app detail and the AI pages offer the keyboard and readers, from the regions their paints
// register: the focus order with names, roles and states, what Delete does on a row, and when a
// focused row's changing figure is announced.
#include <gtest/gtest.h>

#include <deque>
#include <set>
#include <string>
#include <unordered_map>
#include <vector>

#include "ui/access/focus_model.h"
#include "ui/access/published_page.h"
#include "ui/panel/ai/ai_pieces.h"
#include "ui/panel/alert_editor/alert_editor.h"
#include "ui/panel/alert_editor/alert_editor_layout.h"
#include "ui/panel/alert_editor/alert_editor_pieces.h"
#include "ui/panel/app_detail/app_detail_pieces.h"
#include "ui/panel/frame/panel_pieces.h"

namespace qv {
namespace {

ProcessSample proc(std::string name, uint32_t pid, float cpu, uint64_t ram = 0, float peak = 0.0f) {
  ProcessSample p;
  p.name = std::move(name);
  p.pid = pid;
  p.cpu_pct = cpu;
  p.ram_bytes = ram;
  p.audio_peak = peak;
  return p;
}

HitRegion region(int32_t top, int32_t left, int32_t right, Action a, std::string name = {}, bool checked = false) {
  return HitRegion{left, top, right, top + 22, a, PieceRole::kNone, std::move(name), checked};
}

struct Expected {
  const char* key;
  const char* name;
  AccessRole role;
  uint32_t state;
  const char* action;
};
constexpr uint32_t kF = piece_state::kFocusable;

// The whole page in reading order: focusable pieces and those only a reader's navigation visits.
void expect_pieces(const PanelPieces& got, const std::vector<Expected>& want) {
  const std::vector<size_t> order = reading_order(got.pieces);
  ASSERT_EQ(order.size(), want.size());
  for (size_t i = 0; i < want.size(); ++i) {
    const Piece& p = got.pieces[order[i]];
    const std::string key = want[i].key;
    if (key.back() == ':') {
      EXPECT_EQ(p.key.rfind(key, 0), 0u) << i << " " << p.key;  // a hash follows
    } else {
      EXPECT_EQ(p.key, key) << i;
    }
    EXPECT_EQ(p.name, want[i].name) << i;
    EXPECT_EQ(p.role, want[i].role) << i;
    EXPECT_EQ(p.state, want[i].state) << i;
    EXPECT_EQ(p.default_action, want[i].action) << i;
  }
}

const std::unordered_map<uint32_t, std::string> kRoles = {{412, "Renderer"}};
constexpr std::array<float, kAppSeriesCount> kNoSeries{};

Snapshot builder_snapshot() {
  Snapshot s;
  s.processes = {proc("builder.exe", 412, 18.9f, 200ull << 20), proc("other.exe", 7, 50.0f),
                 proc("builder.exe", 413, 2.5f, 56ull << 20), proc("builder.exe", 500, 0.0f, 44ull << 20)};
  return s;
}

// The regions app detail registers, in drawing order, for the three processes listed by CPU.
std::vector<HitRegion> app_detail_regions(const std::vector<uint32_t>& listed_pids, bool expanded = true) {
  std::vector<HitRegion> r = {
      region(20, 250, 320, make_action(ActionKind::kCloseSelectedApp)),
      HitRegion{12, 12, 324, 52, make_action(ActionKind::kBack), PieceRole::kButton, "Back"},
      region(62, 12, 324, make_action(ActionKind::kNone, 0, kAppStatusRegion)),
  };
  for (uint64_t i = 0; i < 5; ++i) {
    r.push_back(region(86 + 52 * static_cast<int32_t>(i), 12, 324, make_action(ActionKind::kNone, i, kAppTileRegion)));
  }
  r.push_back(region(360, 12, 324, make_action(ActionKind::kToggleProcesses)));
  if (!expanded) return r;
  const char* chips[] = {"cpu", "ram", "gpu", "disk", "net", "sound"};
  for (uint8_t c = 0; c < 6; ++c) {
    r.push_back(region(424, 12 + 50 * c, 58 + 50 * c, make_action(ActionKind::kSetProcessSort, 0, c), chips[c], c == 0));
  }
  int32_t y = 452;
  for (uint32_t pid : listed_pids) {
    r.push_back(region(y, 290, 328, make_action(ActionKind::kCloseProcess, 0, 0, pid)));
    r.push_back(region(y, 12, 324, make_action(ActionKind::kNone, 0, kAppProcessRowRegion, pid)));
    y += 30;
  }
  return r;
}

PanelPieces app_detail_pieces(const Snapshot& snap, const std::vector<HitRegion>& regions, std::string_view filter,
                              uint8_t sort, bool expanded) {
  const AppDetailShown shown = app_detail_shown(snap, "builder.exe", kRoles, filter, sort, expanded, kNoSeries);
  PanelPieces pieces = pieces_from_regions(regions, [&](const Action& a) { return app_detail_piece_text(a, shown); });
  if (expanded) add_text_field(pieces, Rect{18, 399, 318, 417}, 1, "Filter processes");
  return pieces;
}

TEST(PagePieces, AppDetailReadsFiguresFoldChipsAndRowsInOrder) {
  const PanelPieces pieces = app_detail_pieces(builder_snapshot(), app_detail_regions({412, 413, 500}), "", 0, true);
  constexpr uint32_t kSel = kF | piece_state::kSelected;
  expect_pieces(pieces, {
      {"action:1:0:0:0", "Back", AccessRole::kPushButton, kF, "Press"},
      {"close-app", "Close app builder.exe", AccessRole::kPushButton, kF, "Press"},
      {"status", "3 running", AccessRole::kText, 0, ""},
      {"tile:CPU", "CPU, 21.4 percent", AccessRole::kText, kF, ""},
      {"tile:RAM", "RAM, 300.0 MB", AccessRole::kText, kF, ""},
      {"tile:GPU", "GPU, 0.0 percent", AccessRole::kText, kF, ""},
      {"tile:Disk", "Disk, 0 B/s", AccessRole::kText, kF, ""},
      {"tile:Network", "Network, 0 B/s", AccessRole::kText, kF, ""},
      {"processes", "Processes (3)", AccessRole::kPushButton, kF | piece_state::kExpanded, "Collapse"},
      {"field:1", "Filter processes", AccessRole::kTextField, kF, ""},
      {"sort:cpu", "Sort by CPU", AccessRole::kRadioButton, kSel, "Select"},
      {"sort:ram", "Sort by RAM", AccessRole::kRadioButton, kF, "Select"},
      {"sort:gpu", "Sort by GPU", AccessRole::kRadioButton, kF, "Select"},
      {"sort:disk", "Sort by disk", AccessRole::kRadioButton, kF, "Select"},
      {"sort:net", "Sort by network", AccessRole::kRadioButton, kF, "Select"},
      {"sort:sound", "Sort by sound", AccessRole::kRadioButton, kF, "Select"},
      {"process:412", "builder.exe, Renderer, PID 412, 18.9 percent CPU", AccessRole::kListItem, kF, ""},
      {"close:412", "Close builder.exe, PID 412", AccessRole::kPushButton, kF, "Press"},
      {"process:413", "builder.exe, PID 413, 2.5 percent CPU", AccessRole::kListItem, kF, ""},
      {"close:413", "Close builder.exe, PID 413", AccessRole::kPushButton, kF, "Press"},
      {"process:500", "builder.exe, PID 500, 0.0 percent CPU", AccessRole::kListItem, kF, ""},
      {"close:500", "Close builder.exe, PID 500", AccessRole::kPushButton, kF, "Press"},
  });
  // Arrows walk the rows past their ✕ buttons, and the chips among themselves.
  FocusState focus{"process:412", 0};
  ASSERT_TRUE(move_focus(pieces.pieces, focus, FocusMove::kDown, 400));
  EXPECT_EQ(focus.key, "process:413");
  focus = FocusState{"sort:cpu", 0};
  ASSERT_TRUE(move_focus(pieces.pieces, focus, FocusMove::kRight, 400));
  EXPECT_EQ(focus.key, "sort:ram");
  EXPECT_EQ(action_of_key(pieces, "sort:ram"), make_action(ActionKind::kSetProcessSort, 0, 1));
}

TEST(PagePieces, DeleteOnARowAsksToCloseWhatTheRowShows) {
  const PanelPieces app = app_detail_pieces(builder_snapshot(), app_detail_regions({412, 413, 500}), "", 0, true);
  EXPECT_EQ(delete_action_of_key(app, "process:413"), make_action(ActionKind::kCloseProcess, 0, 0, 413));
  // Pieces that are not rows leave Delete alone; so does a key no piece has.
  EXPECT_EQ(delete_action_of_key(app, "sort:cpu"), std::nullopt);
  EXPECT_EQ(delete_action_of_key(app, "close:413"), std::nullopt);
  EXPECT_EQ(delete_action_of_key(app, "field:1"), std::nullopt);
  EXPECT_EQ(delete_action_of_key(app, "process:999"), std::nullopt);
  // A row of an app list asks to close that app, whoever names it.
  const PanelPieces list = pieces_from_regions({region(100, 12, 324, make_action(ActionKind::kOpenAppRow, 2))}, {});
  EXPECT_EQ(delete_action_of_key(list, list.pieces[0].key), make_action(ActionKind::kCloseAppRow, 2));
}

TEST(PagePieces, AppDetailFoldedSoundSortAndGoneRows) {
  Snapshot snap = builder_snapshot();
  snap.processes[0].audio_peak = 0.25f;
  // Folded: the header says so and offers to open; no chips or rows are read.
  const PanelPieces folded = app_detail_pieces(snap, app_detail_regions({}, false), "", 0, false);
  ASSERT_EQ(folded.pieces.size(), 9u);
  EXPECT_EQ(folded.pieces.back().key, "processes");
  EXPECT_EQ(folded.pieces.back().state, kF | piece_state::kCollapsed);
  EXPECT_EQ(folded.pieces.back().default_action, "Expand");

  // By sound: a silent process says so instead of a dash; the sound chip is the chosen one.
  const AppDetailShown shown = app_detail_shown(snap, "builder.exe", kRoles, "", 5, true, kNoSeries);
  auto name_of = [&](Action a) {
    const std::optional<PieceText> t = app_detail_piece_text(a, shown);
    return t ? t->name : std::string("(none)");
  };
  EXPECT_EQ(name_of(make_action(ActionKind::kNone, 0, kAppProcessRowRegion, 412)),
            "builder.exe, Renderer, PID 412, 25.0 percent sound");
  EXPECT_EQ(name_of(make_action(ActionKind::kNone, 0, kAppProcessRowRegion, 413)), "builder.exe, PID 413, silent");
  EXPECT_TRUE(app_detail_piece_text(make_action(ActionKind::kSetProcessSort, 0, 5), shown)->checked);
  EXPECT_FALSE(app_detail_piece_text(make_action(ActionKind::kSetProcessSort, 0, 0), shown)->checked);
  // A chip past the last column, a tile past the last and a pid the list lost name nothing.
  EXPECT_FALSE(app_detail_piece_text(make_action(ActionKind::kSetProcessSort, 0, 6), shown));
  EXPECT_FALSE(app_detail_piece_text(make_action(ActionKind::kNone, 5, kAppTileRegion), shown));
  EXPECT_EQ(name_of(make_action(ActionKind::kNone, 4, kAppTileRegion)), "Network, 0 B/s");
  EXPECT_EQ(name_of(make_action(ActionKind::kNone, 0, kAppProcessRowRegion, 7)), "(none)");
  // A role label read from another program's command line cannot break the name into lines.
  const AppDetailShown odd = app_detail_shown(snap, "builder.exe", {{413, "GPU\nhelper"}}, "", 0, true, kNoSeries);
  EXPECT_EQ(app_detail_piece_text(make_action(ActionKind::kNone, 0, kAppProcessRowRegion, 413), odd)->name,
            "builder.exe, GPU helper, PID 413, 2.5 percent CPU");
  // A plain region that does nothing (a highlight) is no piece.
  EXPECT_EQ(name_of(make_action(ActionKind::kNone)), "(none)");

  // Frames presented now; and an app that stopped presenting but has a frame-rate history.
  snap.presenting_apps = {PresentingApp{412, "builder.exe", 60}};
  EXPECT_EQ(app_detail_shown(snap, "builder.exe", kRoles, "", 0, false, kNoSeries).tiles.size(), 6u);
  const AppDetailShown presenting = app_detail_shown(snap, "builder.exe", kRoles, "", 0, false, kNoSeries);
  EXPECT_EQ(app_detail_piece_text(make_action(ActionKind::kNone, 0, kAppTileRegion), presenting)->name, "FPS, 60 fps");
  snap.presenting_apps.clear();
  std::array<float, kAppSeriesCount> fps_seen{};
  fps_seen[static_cast<size_t>(AppSeries::kFps)] = 30.0f;
  const AppDetailShown stopped = app_detail_shown(snap, "builder.exe", kRoles, "", 0, false, fps_seen);
  EXPECT_EQ(app_detail_piece_text(make_action(ActionKind::kNone, 0, kAppTileRegion), stopped)->name,
            "FPS, no frames now");

  // The app exited: the status says so.
  const AppDetailShown gone = app_detail_shown(Snapshot{}, "builder.exe", kRoles, "", 0, true, kNoSeries);
  EXPECT_EQ(app_detail_piece_text(make_action(ActionKind::kNone, 0, kAppStatusRegion), gone)->name, "Not running");
}

// A paint that is no sample (a hover, a key) says nothing new of the focused row; a sample that
// changes its figure says it once, also when the new figures move the row in the list.
TEST(PagePieces, AFocusedRowsFigureIsAnnouncedOncePerChange) {
  PublishedPage page;
  FocusAnnouncer announcer;
  auto publish = [&](const Snapshot& snap, const std::vector<uint32_t>& order) {
    PanelPieces pieces = app_detail_pieces(snap, app_detail_regions(order), "", 0, true);
    page.publish("builder.exe", std::move(pieces.pieces));
    const std::optional<size_t> focused = page.focused_index();
    if (!focused) return announce(announcer, "", "");
    return announce(announcer, page.current()[*focused].key, page.current()[*focused].name);
  };
  Snapshot snap = builder_snapshot();
  publish(snap, {412, 413, 500});
  // Focused by what it shows, as a user moving to the row would.
  std::string row_413;
  for (const Piece& p : page.current()) {
    if (p.role == AccessRole::kListItem && p.name.find("PID 413") != std::string::npos) row_413 = p.key;
  }
  ASSERT_TRUE(page.take_focus(row_413));
  EXPECT_EQ(publish(snap, {412, 413, 500}), Announcement::kFocus);
  EXPECT_EQ(publish(snap, {412, 413, 500}), Announcement::kNone);  // repainted, same sample
  snap.processes[2].cpu_pct = 40.0f;                                 // 413 now leads the list
  EXPECT_EQ(publish(snap, {413, 412, 500}), Announcement::kNameChange);
  EXPECT_EQ(page.current()[*page.focused_index()].name, "builder.exe, PID 413, 40.0 percent CPU");
  EXPECT_EQ(publish(snap, {413, 412, 500}), Announcement::kNone);
}

// AI activity: two sessions, so each group starts with its label; a quiet agent, a waiting one
// whose detail folds, and the finished section open.
constexpr uint64_t kNow = 1'800'000'000'000;  // 08:00 UTC

LocalClockTime utc_clock(uint64_t ms) { return with_utc_offset(ms, 0); }

Agent agent(std::string id, std::string title, std::string status, uint64_t updated, std::string detail = "") {
  Agent a;
  a.id = std::move(id);
  a.title = std::move(title);
  a.status = std::move(status);
  a.detail = std::move(detail);
  a.updated_ms = updated;
  a.started_ms = kNow - 600'000;
  return a;
}

// The regions the activity painter registers, one row after another, with the detail drawn on
// one line; `folding` rows are those whose detail wraps.
std::vector<HitRegion> activity_regions(const ActivityPage& page, const std::set<uint64_t>& folding) {
  std::vector<HitRegion> r = {region(20, 280, 320, make_action(ActionKind::kClearAgents))};
  int32_t y = 70;
  for (const ActivityRow& row : page.rows) {
    const std::vector<std::string> lines = row.detail.empty() ? std::vector<std::string>{}
                                                              : std::vector<std::string>{row.detail};
    switch (row.kind) {
      case ActivityRowKind::kSessionHeader:
        r.push_back(region(y, 12, 324, make_action(ActionKind::kNone, session_header_key(row.title), kSessionHeaderRegion),
                           activity_row_name(row, {})));
        break;
      case ActivityRowKind::kFinishedHeader:
        if (row.expanded) r.push_back(region(y, 280, 324, make_action(ActionKind::kClearFinishedAgents)));
        r.push_back(region(y, 12, 324, make_action(ActionKind::kToggleActivityView), activity_row_name(row, {})));
        break;
      case ActivityRowKind::kAgent:
      case ActivityRowKind::kFinished:
        r.push_back(region(y, 12, 324,
                           folding.count(row.key) ? make_action(ActionKind::kToggleActivityItem, row.key)
                                                  : make_action(ActionKind::kNone, row.key, kActivityItemRegion),
                           activity_row_name(row, lines)));
        break;
    }
    y += 40;
  }
  return r;
}

TEST(PagePieces, ActivityReadsSessionsAgentsAndTheFinishedFold) {
  const uint64_t waiting_key = agent_item_key("s1", "agent-7", kNow - 600'000);
  const AgentRegistry reg = {
      AgentSession{"s1", "Repository one", {agent("a1", "Fix the build", "", kNow - 1000),
                                            agent("agent-7", "", "waiting", kNow - 1000, "Needs an answer")}, kNow},
      AgentSession{"s2", "", {agent("b1", "Review", "running", kNow - 6 * 60'000)}, kNow},
  };
  const AgentHistory hist = {FinishedAgent{"f1", "Old task", "failed", "gave up", "Repository one",
                                           kNow - 3'600'000, kNow - 3'600'000 + 65'000}};
  const std::set<uint64_t> open = {waiting_key};
  const ActivityPage page = activity_page(reg, hist, kNow, true, open, theme_at(0), &utc_clock);
  const PanelPieces pieces = pieces_from_regions(activity_regions(page, {waiting_key}), [&](const Action& a) {
    return activity_piece_text(a, open, true);
  });
  expect_pieces(pieces, {
      {"clear-agents", "Clear active agents", AccessRole::kPushButton, kF, "Press"},
      {"session:", "Repository one", AccessRole::kListItem, kF, ""},
      {"agent:", "Fix the build, running", AccessRole::kListItem, kF, ""},
      {"agent:", "agent-7, waiting, Needs an answer", AccessRole::kListItem, kF | piece_state::kExpanded, "Collapse"},
      {"session:", "s2", AccessRole::kListItem, kF, ""},
      {"agent:", "Review, last heard 6m ago", AccessRole::kListItem, kF, ""},
      {"finished", "Finished (1)", AccessRole::kListItem, kF | piece_state::kExpanded, "Collapse"},
      {"clear-finished", "Clear finished agents", AccessRole::kPushButton, kF, "Press"},
      {"agent:", "Old task, 07:01, 1m 05s, gave up", AccessRole::kListItem, kF, ""},
  });

  // The same agent keeps its key on the next paint; each agent has its own.
  const ActivityPage again = activity_page(reg, hist, kNow + 1000, true, open, theme_at(0), &utc_clock);
  const PanelPieces next = pieces_from_regions(activity_regions(again, {waiting_key}), [&](const Action& a) {
    return activity_piece_text(a, open, true);
  });
  ASSERT_EQ(next.pieces.size(), pieces.pieces.size());
  std::set<std::string> keys;
  for (size_t i = 0; i < pieces.pieces.size(); ++i) {
    EXPECT_EQ(next.pieces[i].key, pieces.pieces[i].key) << i;
    keys.insert(pieces.pieces[i].key);
  }
  EXPECT_EQ(keys.size(), pieces.pieces.size());
}

// Messages: the newest folds and is open, the other is one line; "clear" sits on the first row.
TEST(PagePieces, MessagesReadTimeTitleAndTextAndKeepTheirKeysWhenOneArrives) {
  std::deque<MessageEntry> list = {MessageEntry{"14:05", "Build done", "All 112 tests pass and the package is built"},
                                   MessageEntry{"13:58", "", "Waiting for you"}};
  const std::set<size_t> open = {0};
  // Ten pixels a character: the first body wraps at 200 px, the second fits.
  const TextMeasure measure = [](std::string_view s) { return static_cast<int32_t>(s.size()) * 10; };
  auto pieces_of = [&](const std::deque<MessageEntry>& messages, const std::set<size_t>& expanded) {
    std::vector<HitRegion> r;
    int32_t y = 70;
    for (const MessageRow& row : message_rows(messages, expanded, 200, measure)) {
      if (row.position == 0) r.push_back(region(y, 270, 316, make_action(ActionKind::kClearMessages)));
      r.push_back(region(y, 12, 324,
                         row.folds ? make_action(ActionKind::kToggleMessage, row.position)
                                   : make_action(ActionKind::kNone, row.position, kMessageRegion),
                         message_row_name(row)));
      y += 60;
    }
    return pieces_from_regions(r, [&](const Action& a) { return messages_piece_text(a, messages, expanded); });
  };
  const PanelPieces pieces = pieces_of(list, open);
  expect_pieces(pieces, {
      {"message:", "14:05, Build done, All 112 tests pass and the package is built", AccessRole::kListItem,
       kF | piece_state::kExpanded, "Collapse"},
      {"clear-messages", "Clear messages", AccessRole::kPushButton, kF, "Press"},
      {"message:", "13:58, message, Waiting for you", AccessRole::kListItem, kF, ""},
  });
  // Folded, the name holds the first line, as the row shows it.
  // (Pieces are in drawing order: "clear" first.)
  EXPECT_EQ(pieces_of(list, {}).pieces[1].name, "14:05, Build done, All 112 tests pass");
  EXPECT_EQ(pieces_of(list, {}).pieces[1].state, kF | piece_state::kCollapsed);

  // A newer message moves the others down; each keeps its key, so the focus stays with it.
  std::deque<MessageEntry> longer = list;
  longer.push_front(MessageEntry{"14:10", "Deployed", "ok"});
  const PanelPieces after = pieces_of(longer, {1});
  ASSERT_EQ(after.pieces.size(), 4u);
  EXPECT_EQ(after.pieces[2].key, pieces.pieces[1].key);
  EXPECT_EQ(after.pieces[3].key, pieces.pieces[2].key);
  EXPECT_NE(after.pieces[1].key, pieces.pieces[1].key);
  // A position past the list (it was cleared since the paint) names nothing.
  EXPECT_FALSE(messages_piece_text(make_action(ActionKind::kNone, 2, kMessageRegion), list, {}));
  EXPECT_FALSE(messages_piece_text(make_action(ActionKind::kNone, 0), list, {}));
}

// Every character 7 pixels wide.
class SevenPixels : public RoleTextMeasure {
 public:
  int32_t width(FontRole, std::string_view text) const override { return 7 * static_cast<int32_t>(text.size()); }
};

// The editor as it lays out for one app's rule delivered both ways: every row of chips is a set of
// options read with its row's label, "include top apps" a check box, "save alert" a plain button
// although drawn chosen, and each field named with what it holds.
TEST(PagePieces, AlertEditorReadsEveryRowInOrder) {
  Settings settings;
  AlertEditorState e;
  e.metric = kAppTile;
  e.above = false;
  e.measure = 1;
  e.delivery = 2;
  PageInput in;
  in.settings = &settings;
  in.page = Page::kAlertEditor;
  in.width = 336;
  in.height = 900;
  in.editor = &e;
  const PageView view = layout_alert_editor(in, SevenPixels());
  PanelPieces pieces = pieces_from_regions(view.regions, [&](const Action& a) { return alert_editor_piece_text(a, e); });
  const char* names[] = {"App name", "", "Log file"};
  for (size_t i = 0; i < view.field_frames.size(); ++i) {
    ASSERT_TRUE(view.field_frames[i]) << i;
    add_text_field(pieces, *view.field_frames[i], static_cast<int32_t>(i + 1),
                   i == 1 ? alert_threshold_field_name(e) : names[i]);
  }
  constexpr uint32_t kSel = kF | piece_state::kSelected;
  const AccessRole kOpt = AccessRole::kRadioButton;
  expect_pieces(pieces, {
      {"metric:0", "CPU", kOpt, kF, "Select"},           {"metric:1", "RAM", kOpt, kF, "Select"},
      {"metric:2", "GPU", kOpt, kF, "Select"},           {"metric:3", "Disk", kOpt, kF, "Select"},
      {"metric:4", "Net", kOpt, kF, "Select"},           {"metric:5", "FPS", kOpt, kF, "Select"},
      {"metric:6", "Sound", kOpt, kF, "Select"},         {"metric:7", "One app…", kOpt, kSel, "Select"},
      {"above", "goes above", kOpt, kF, "Select"},       {"below", "goes below", kOpt, kSel, "Select"},
      {"field:1", "App name", AccessRole::kTextField, kF, ""},
      {"pick", "Pick a running app", AccessRole::kPushButton, kF, "Press"},
      {"measure:0", "measuring CPU", kOpt, kF, "Select"}, {"measure:1", "measuring RAM", kOpt, kSel, "Select"},
      {"measure:2", "measuring disk", kOpt, kF, "Select"}, {"measure:3", "measuring net", kOpt, kF, "Select"},
      {"measure:4", "measuring sound", kOpt, kF, "Select"},
      {"field:2", "Threshold", AccessRole::kTextField, kF, ""},
      {"deliver:0", "deliver by desktop", kOpt, kF, "Select"}, {"deliver:1", "deliver by file", kOpt, kF, "Select"},
      {"deliver:2", "deliver by both", kOpt, kSel, "Select"},
      {"field:3", "Log file", AccessRole::kTextField, kF, ""},
      {"top-apps", "include top apps", AccessRole::kCheckBox, kF | piece_state::kChecked, "Uncheck"},
      {"action:34:0:0:0", "at most every 60 seconds", AccessRole::kPushButton, kF, "Press"},
      {"save", "save alert", AccessRole::kPushButton, kF, "Press"},
      {"action:36:0:0:0", "cancel", AccessRole::kPushButton, kF, "Press"},
  });
  // The threshold of a machine figure says its unit.
  struct Case { uint8_t metric; const char* name; };
  for (const Case& c : {Case{0, "Threshold, percent"}, Case{3, "Threshold, MB/s"}, Case{5, "Threshold, fps"}}) {
    e.metric = c.metric;
    EXPECT_EQ(alert_threshold_field_name(e), c.name);
  }
  // A refused log path: "save alert" says why it does nothing yet, under the same key.
  e.path_rejected = true;
  const std::optional<PieceText> save = alert_editor_piece_text(make_action(ActionKind::kAlertSave), e);
  ASSERT_TRUE(save);
  EXPECT_EQ(save->key, "save");
  EXPECT_EQ(save->name, "save alert. That log file path cannot be used — change it to save");
  EXPECT_FALSE(alert_editor_piece_text(make_action(ActionKind::kAlertMeasure, 5), e));
  EXPECT_FALSE(alert_editor_piece_text(make_action(ActionKind::kAlertDelivery, 3), e));
}

}  // namespace
}  // namespace qv
