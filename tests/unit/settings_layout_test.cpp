#include "ui/panel/settings/settings_layout.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "ui/panel/alert_editor/alert_editor_layout.h"
#include "ui/panel/frame/hit_test.h"
#include "ui/panel/frame/panel_geometry.h"
#include "ui/panel/frame/panel_layout.h"

namespace qv {
namespace {

// Every character 7 pixels wide in every font.
class FixedMeasure : public RoleTextMeasure {
 public:
  int32_t width(FontRole, std::string_view text) const override {
    int32_t n = 0;
    for (unsigned char ch : text) n += (ch & 0xC0) != 0x80;
    return 7 * n;
  }
};

struct Screen {
  Settings settings;
  PageInput in;
  AlertEditorState editor;
  Screen(Page page, uint8_t sub) {
    in.settings = &settings;
    in.page = page;
    in.sub_page = sub;
    in.width = 336;
    in.height = 1200;
    in.editor = &editor;
  }
  PageView view() const {
    return in.page == Page::kAlertEditor ? layout_alert_editor(in, FixedMeasure()) : layout_settings_page(in, FixedMeasure());
  }
};

std::vector<const HitRegion*> regions_of(const PageView& v, ActionKind kind) {
  std::vector<const HitRegion*> out;
  for (const HitRegion& r : v.regions)
    if (r.action.kind == kind) out.push_back(&r);
  return out;
}

const PageItem* item_with_text(const PageView& v, std::string_view text) {
  for (const PageItem& it : v.items)
    if (it.text == text) return &it;
  return nullptr;
}

std::vector<std::string> selected_chips(const PageView& v) {
  std::vector<std::string> out;
  for (const PageItem& it : v.items)
    if ((it.kind == ItemKind::kChip || it.kind == ItemKind::kTile) && it.on) out.push_back(it.text);
  return out;
}

TEST(AlertRuleCount, OneRuleIsSingular) {
  EXPECT_EQ(rule_count_text(0), "0 rules");
  EXPECT_EQ(rule_count_text(1), "1 rule");
  EXPECT_EQ(rule_count_text(2), "2 rules");
}

TEST(SettingsHome, FiveRowsFiftyApartWithTheRuleCount) {
  Screen p(Page::kSettingsHome, 0);
  for (auto [rules, subtitle] : {std::pair<size_t, const char*>{0, "0 rules"}, {1, "1 rule"}, {3, "3 rules"}}) {
    p.settings.log.assign(rules, "cpu>90");
    const PageView v = p.view();
    EXPECT_EQ(v.title, "Settings");
    const auto rows = regions_of(v, ActionKind::kOpenSettingsSection);
    ASSERT_EQ(rows.size(), 5u);
    for (int i = 0; i < 5; ++i) {
      EXPECT_EQ(rows[i]->action.flag, i);
      EXPECT_EQ(rows[i]->top, 62 + 50 * i);
      EXPECT_EQ(rows[i]->bottom, 62 + 50 * i + 44);
      EXPECT_EQ(rows[i]->left, 12);
      EXPECT_EQ(rows[i]->right, 324);
    }
    EXPECT_EQ(v.items[4].detail, subtitle);
    EXPECT_EQ(v.items[0].detail, "Start-up, update rate, theme, text size");
  }
}

TEST(SettingsGeneral, TheWarningLinePushesTheRestDown) {
  Screen p(Page::kSettingsSection, 0);
  const PageView ok = p.view();
  EXPECT_EQ(item_with_text(ok, "Needs administrator — run the app as admin once"), nullptr);
  p.in.autostart_failed = true;
  const PageView failed = p.view();
  const PageItem* warning = item_with_text(failed, "Needs administrator — run the app as admin once");
  ASSERT_NE(warning, nullptr);
  EXPECT_EQ(warning->ink, Ink::kWarning);
  EXPECT_EQ(warning->x, 12 + 26);
  EXPECT_EQ(warning->y, 62 + 24);
  const auto half_ok = regions_of(ok, ActionKind::kSetInterval);
  const auto half_failed = regions_of(failed, ActionKind::kSetInterval);
  ASSERT_EQ(half_ok.size(), 3u);
  ASSERT_EQ(half_failed.size(), 3u);
  // Check row, 10 of space, a heading line of 22, then the first choice (its region starts 2 up).
  EXPECT_EQ(half_ok[0]->top, 62 + 24 + 10 + 22 - 2);
  EXPECT_EQ(half_failed[0]->top - half_ok[0]->top, 18);
  EXPECT_EQ(half_ok[0]->action.number, 500u);
  EXPECT_EQ(half_ok[2]->action.number, 2000u);
}

TEST(SettingsGeneral, ChoicesShowTheCurrentValues) {
  Screen p(Page::kSettingsSection, 0);
  p.settings.theme = 2;
  p.settings.text_size = 3;
  p.settings.interval_ms = 2000;
  p.in.autostart_on = true;
  const PageView v = p.view();
  EXPECT_EQ(selected_chips(v), (std::vector<std::string>{"light", "larger"}));
  std::vector<bool> ticked;
  for (const PageItem& it : v.items)
    if (it.kind == ItemKind::kCheckRow) ticked.push_back(it.on);
  EXPECT_EQ(ticked, (std::vector<bool>{true, false, false, true}));
  // Chips sit side by side, 6 apart: "dark" is 4 x 7 + 16 wide.
  const auto themes = regions_of(v, ActionKind::kSetTheme);
  ASSERT_EQ(themes.size(), 3u);
  EXPECT_EQ(themes[0]->left, 12);
  EXPECT_EQ(themes[1]->left, 12 + 44 + 6);
  const auto sizes = regions_of(v, ActionKind::kSetTextSize);
  ASSERT_EQ(sizes.size(), 4u);
  EXPECT_EQ(sizes[0]->top - themes[0]->top, 24 + 10 + 6 + 22);
  const PageItem* note = item_with_text(v, "Scales the whole panel, on top of Windows' own scaling");
  ASSERT_NE(note, nullptr);
  EXPECT_EQ(note->y, sizes[0]->top + 24 + 4);
}

TEST(SettingsAiTools, SwitchedOffHidesEverythingBelowItsExplanation) {
  Screen p(Page::kSettingsSection, 1);
  p.settings.mcp_enabled = false;
  p.settings.notify_rules = {NotifyRule{true, "x"}};
  const PageView off = p.view();
  ASSERT_EQ(off.regions.size(), 1u);
  EXPECT_EQ(off.regions[0].action.kind, ActionKind::kToggleMcp);
  EXPECT_EQ(off.request_field_y, -1);
  EXPECT_NE(item_with_text(off, "Read these stats and send you messages"), nullptr);
  EXPECT_EQ(item_with_text(off, "NOTIFY ME WHEN"), nullptr);

  p.settings.mcp_enabled = true;
  p.in.connect_command = "claude mcp add quorvel \"C:\\q\\zelmor-mcp.exe\"";
  const PageView on = p.view();
  EXPECT_EQ(regions_of(on, ActionKind::kToggleNotifyPreset).size(), 4u);
  EXPECT_EQ(regions_of(on, ActionKind::kToggleCustomRequest).size(), 1u);
  EXPECT_EQ(regions_of(on, ActionKind::kRemoveCustomRequest).size(), 1u);
  ASSERT_EQ(regions_of(on, ActionKind::kAddCustomRequest).size(), 1u);
  // The input row's frame ends where the "add" chip (3 x 7 + 16) and its gap begin.
  EXPECT_EQ(on.request_field_right, 336 - 12 - 6 - 21 - 16);
  EXPECT_EQ(regions_of(on, ActionKind::kAddCustomRequest)[0]->left, on.request_field_right + 6);
  EXPECT_EQ(regions_of(on, ActionKind::kAddCustomRequest)[0]->top, on.request_field_y);
  const PageItem* box = nullptr;
  for (const PageItem& it : on.items)
    if (it.kind == ItemKind::kCommandBox) box = &it;
  ASSERT_NE(box, nullptr);
  EXPECT_EQ(box->text, p.in.connect_command);
}

TEST(SettingsAiTools, CopyChipReadsCopiedAndStaysRightAligned) {
  Screen p(Page::kSettingsSection, 1);
  for (bool copied : {false, true}) {
    p.in.copied = copied;
    const PageView v = p.view();
    const auto copy = regions_of(v, ActionKind::kCopyConnectCommand);
    ASSERT_EQ(copy.size(), 1u);
    EXPECT_EQ(copy[0]->right, 336 - 12);
    const PageItem* chip = item_with_text(v, copied ? "Copied" : "Copy");
    ASSERT_NE(chip, nullptr);
    EXPECT_EQ(chip->on, copied);
  }
}

TEST(SettingsAiTools, AgentHistoryShowsItsPathOnlyWhileTicked) {
  Screen p(Page::kSettingsSection, 1);
  p.settings.agent_log_file = "  ";
  const PageView off = p.view();
  p.settings.agent_log_file = "C:\\a\\zelmor-agents.log";
  const PageView on = p.view();
  EXPECT_EQ(item_with_text(off, "  "), nullptr);
  const PageItem* path = item_with_text(on, "C:\\a\\zelmor-agents.log");
  ASSERT_NE(path, nullptr);
  EXPECT_TRUE(path->fit);
  EXPECT_EQ(path->rect.right, 336 - 12);
  EXPECT_EQ(on.content_height - off.content_height, 18);
}

TEST(SettingsMainPanel, RowsAndTheDragListFollowTheScroll) {
  Screen p(Page::kSettingsSection, 2);
  p.in.scroll_offset = 10;
  const PageView v = p.view();
  ASSERT_TRUE(v.drag_list_top.has_value());
  EXPECT_EQ(*v.drag_list_top, 62 - 10);
  EXPECT_EQ(v.drag_row_height, 24);
  const auto grips = regions_of(v, ActionKind::kDragMainMetric);
  const auto toggles = regions_of(v, ActionKind::kToggleMainMetric);
  ASSERT_EQ(grips.size(), 7u);
  ASSERT_EQ(toggles.size(), 7u);
  EXPECT_EQ(grips[3]->action.index, 3u);
  EXPECT_EQ(grips[3]->top, 52 + 3 * 24 - 2);
  // Row 0 lies partly beneath the band: it is kept whole, and only the part below the band is hit.
  EXPECT_EQ(grips[0]->top, 62 - 10 - 2);
  EXPECT_FALSE(grips[0]->contains(grips[0]->left, 61));
  EXPECT_TRUE(grips[0]->contains(grips[0]->left, 62));
  EXPECT_EQ(grips[3]->right, 12 + 20);
  EXPECT_EQ(toggles[3]->left, 12 + 22);
  EXPECT_NE(item_with_text(v, "Drag ≡ to reorder"), nullptr);
  EXPECT_NE(item_with_text(v, "Network"), nullptr);
}

TEST(SettingsMainPanel, DropMarkerSitsOnTheSideTheRowComesFrom) {
  struct Case {
    size_t dragged;
    int32_t pointer_y;
    std::optional<int32_t> bar_top;
  };
  const Case cases[] = {
      {2, 62 + 5, 62 - 2},            // from below onto row 0: above it
      {0, 62 + 2 * 24 + 5, 62 + 2 * 24 + 20},  // from above onto row 2: below it
      {1, 62 + 24 + 5, std::nullopt},  // over itself: no marker
      {3, 10, 62 - 2},                 // above the list: the first slot
      {3, 2000, 62 + 6 * 24 + 20},     // below the list: the last slot
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.dragged);
    Screen p(Page::kSettingsSection, 2);
    p.in.dragging = true;
    p.in.drag_index = c.dragged;
    p.in.pointer_y = c.pointer_y;
    const PageView v = p.view();
    std::optional<int32_t> bar;
    int dragged_rows = 0;
    for (const PageItem& it : v.items) {
      if (it.kind == ItemKind::kDropBar) bar = it.rect.top;
      if (it.kind == ItemKind::kMetricRow && it.alt) ++dragged_rows;
    }
    EXPECT_EQ(bar, c.bar_top);
    EXPECT_EQ(dragged_rows, 1);
  }
}

TEST(SettingsMainPanel, DropSlotIsClampedToTheList) {
  EXPECT_EQ(drag_target_row(-500, 62, 24, 7), std::optional<size_t>(0));
  EXPECT_EQ(drag_target_row(62 + 24 * 7 - 1, 62, 24, 7), std::optional<size_t>(6));
  EXPECT_EQ(drag_target_row(62 + 24 * 9, 62, 24, 7), std::optional<size_t>(6));
  EXPECT_EQ(drag_target_row(62 + 24, 62, 24, 7), std::optional<size_t>(1));
  EXPECT_EQ(drag_target_row(100, 62, 0, 7), std::nullopt);
  EXPECT_EQ(drag_target_row(100, 62, 24, 0), std::nullopt);
}

TEST(SettingsDesktopExtras, TrayRowsWidgetChipsAndChoices) {
  Screen p(Page::kSettingsSection, 3);
  p.settings.tray_static = true;
  p.settings.tray_cpu = false;
  p.settings.tray_fps = true;
  p.settings.widget_mask = 1 | 16 | 64;
  p.settings.widget_theme = 1;
  p.settings.fps_color = 4;
  p.settings.fps_opacity = 2;
  const PageView v = p.view();
  const auto tray = regions_of(v, ActionKind::kToggleTrayIcon);
  ASSERT_EQ(tray.size(), 6u);
  std::vector<bool> ticked;
  for (const PageItem& it : v.items)
    if (it.kind == ItemKind::kCheckRow) ticked.push_back(it.on);
  // widget, frame-rate counter, then the six tray rows
  EXPECT_EQ(ticked, (std::vector<bool>{false, false, true, false, true, false, false, true}));
  EXPECT_EQ(selected_chips(v), (std::vector<std::string>{"CPU", "FPS", "AI", "black", "yellow", "100%"}));
  std::vector<uint32_t> bits;
  for (const HitRegion* r : regions_of(v, ActionKind::kToggleWidgetBit)) bits.push_back(r->action.number);
  EXPECT_EQ(bits, (std::vector<uint32_t>{1, 2, 32, 16, 8, 4, 64}));
  EXPECT_EQ(regions_of(v, ActionKind::kSetFpsColor)[0]->left, 12 + 50);
  EXPECT_EQ(regions_of(v, ActionKind::kDockWidget).size(), 1u);
  EXPECT_EQ(regions_of(v, ActionKind::kResetWidgetScale).size(), 1u);
}

// A stored theme past the last choice paints as the last one (light): its chip shows selected.
// Every piece of a page carries what the keyboard and a screen reader need: a role, a name and,
// for check boxes and chips, whether it is on.
TEST(SettingsPieces, ChecksChipsAndListRowsAreNamedWithTheirRoleAndState) {
  Screen p(Page::kSettingsSection, 1);
  p.settings.notify_rules = {NotifyRule{false, "ping me"}};
  const PageView v = p.view();
  const HitRegion* link = regions_of(v, ActionKind::kToggleMcp)[0];
  EXPECT_EQ(link->role, PieceRole::kCheckBox);
  EXPECT_EQ(link->name, "Allow AI tools to connect");
  EXPECT_TRUE(link->checked);
  const HitRegion* copy = regions_of(v, ActionKind::kCopyConnectCommand)[0];
  EXPECT_EQ(copy->role, PieceRole::kButton);
  EXPECT_EQ(copy->name, "Copy");
  EXPECT_FALSE(copy->checked);
  const HitRegion* toggle = regions_of(v, ActionKind::kToggleCustomRequest)[0];
  EXPECT_EQ(toggle->role, PieceRole::kCheckBox);
  EXPECT_EQ(toggle->name, "ping me");
  EXPECT_FALSE(toggle->checked);
  EXPECT_EQ(regions_of(v, ActionKind::kRemoveCustomRequest)[0]->name, "Remove ping me");
}

TEST(SettingsDesktopExtras, AWidgetThemePastTheLastChoiceSelectsLight) {
  for (const uint32_t stored : {2u, 3u, 4000000000u}) {
    Screen p(Page::kSettingsSection, 3);
    p.settings.widget_theme = stored;
    std::vector<bool> chosen;
    for (const PageItem& it : p.view().items)
      if (it.kind == ItemKind::kChip && (it.text == "dark" || it.text == "black" || it.text == "light")) chosen.push_back(it.on);
    EXPECT_EQ(chosen, (std::vector<bool>{false, false, true})) << stored;
  }
}

TEST(SettingsDesktopExtras, ChipsWrapRatherThanRunPastTheMargin) {
  Screen p(Page::kSettingsSection, 3);
  p.in.width = 200;
  const PageView v = p.view();
  for (const HitRegion& r : v.regions) EXPECT_LE(r.right, 200) << static_cast<int>(r.action.kind);
  const auto bits = regions_of(v, ActionKind::kToggleWidgetBit);
  EXPECT_GT(bits.back()->top, bits.front()->top);
  const auto wrapped = std::find_if(bits.begin() + 1, bits.end(), [](const HitRegion* r) { return r->left == 12; });
  ASSERT_NE(wrapped, bits.end());
  EXPECT_EQ((*wrapped)->top, bits.front()->top + 30);
}

TEST(SettingsScroll, ContentBeneathTheBandCannotBeClicked) {
  Screen p(Page::kSettingsSection, 3);
  p.in.height = 400;
  const PageView full = p.view();
  EXPECT_GT(full.content_height, 400);
  p.in.scroll_offset = 200;
  const PageView v = p.view();
  EXPECT_EQ(v.list_top, 62);
  // Every region keeps its place, scrolled out or not (the keyboard still reaches it), and says
  // which band of the window shows the list; nothing is hit outside that band.
  bool some_above = false;
  for (const HitRegion& r : v.regions) {
    ASSERT_TRUE(r.band.has_value());
    EXPECT_EQ(*r.band, (ScrollBand{62, 400 - 12, 200}));
    some_above = some_above || r.top < 62;
  }
  EXPECT_TRUE(some_above);
  for (int32_t x = 0; x < 336; x += 4) {
    EXPECT_FALSE(hit_test(v.regions, x, 61).has_value()) << x;
    EXPECT_FALSE(hit_test(v.regions, x, 400 - 12).has_value()) << x;
  }
  EXPECT_FALSE(hit_test(v.regions, 100, 30).has_value());
  EXPECT_FALSE(hit_test(v.regions, 100, 395).has_value());
  EXPECT_EQ(v.content_height, full.content_height);
}

TEST(SettingsAlerts, RulesAreDescribedAndInvalidOnesStayListed) {
  Screen p(Page::kSettingsSection, 4);
  p.settings.log = {"cpu>90; file=C:\\logs\\cpu.log", "gpu>>5", "ram<10; off; nonotify"};
  const PageView v = p.view();
  std::vector<std::pair<std::string, bool>> rows;
  for (const PageItem& it : v.items)
    if (it.kind == ItemKind::kListRow) rows.emplace_back(it.text, it.on);
  EXPECT_EQ(rows, (std::vector<std::pair<std::string, bool>>{
                      {"cpu>90 → notify + cpu.log", true}, {"(invalid) gpu>>5", false}, {"ram<10 → nothing", false}}));
  const auto toggles = regions_of(v, ActionKind::kToggleAlertRule);
  const auto removes = regions_of(v, ActionKind::kRemoveAlertRule);
  ASSERT_EQ(toggles.size(), 3u);
  ASSERT_EQ(removes.size(), 3u);
  EXPECT_EQ(removes[1]->action.index, 1u);
  EXPECT_LE(toggles[1]->right, removes[1]->left);  // the glyph's region is its own
  ASSERT_EQ(regions_of(v, ActionKind::kNewAlert).size(), 1u);
  EXPECT_EQ(item_with_text(v, "+ new alert")->on, false);
}

TEST(AlertEditorLayout, TilesFieldsAndRowsFollowTheChoices) {
  Screen p(Page::kAlertEditor, 0);
  PageView v = p.view();
  EXPECT_EQ(v.title, "New alert");
  const auto tiles = regions_of(v, ActionKind::kAlertMetric);
  ASSERT_EQ(tiles.size(), 8u);
  EXPECT_EQ(tiles[0]->left, 12);
  EXPECT_EQ(tiles[1]->right, 12 + 2 * ((336 - 24 - 6) / 2) + 6);
  EXPECT_EQ(tiles[7]->top - tiles[1]->top, 3 * 24);
  EXPECT_EQ(tiles[0]->bottom - tiles[0]->top, 20);
  EXPECT_EQ(selected_chips(v), (std::vector<std::string>{"CPU", "above", "desktop", "include top apps", "save alert"}));
  EXPECT_FALSE(v.field_frames[0].has_value());
  ASSERT_TRUE(v.field_frames[1].has_value());
  EXPECT_EQ(v.field_frames[1]->left, 12 + 66);
  EXPECT_EQ(v.field_frames[1]->right, 12 + 144);
  EXPECT_FALSE(v.field_frames[2].has_value());
  EXPECT_NE(item_with_text(v, "%"), nullptr);
  EXPECT_NE(item_with_text(v, "at most every 60 seconds"), nullptr);
  EXPECT_TRUE(regions_of(v, ActionKind::kAlertAppPicker).empty());

  p.editor.metric = 7;
  p.editor.delivery = 2;
  p.editor.cooldown = 2;
  p.editor.above = false;
  v = p.view();
  ASSERT_TRUE(v.field_frames[0].has_value());
  EXPECT_EQ(v.field_frames[0]->right, 336 - 12 - 52);
  const auto pick = regions_of(v, ActionKind::kAlertAppPicker);
  ASSERT_EQ(pick.size(), 1u);
  EXPECT_EQ(pick[0]->right, 336 - 12);
  EXPECT_EQ(regions_of(v, ActionKind::kAlertMeasure).size(), 5u);
  ASSERT_TRUE(v.field_frames[2].has_value());
  EXPECT_EQ(v.field_frames[2]->right, 336 - 12);
  EXPECT_EQ(item_with_text(v, "%"), nullptr);  // no unit for an app measure
  EXPECT_NE(item_with_text(v, "at most every 5 minutes"), nullptr);
  EXPECT_EQ(selected_chips(v),
            (std::vector<std::string>{"One app…", "below", "CPU", "both", "include top apps", "save alert"}));
  // Fields and rows never overlap: each field frame lies below the previous one.
  EXPECT_LT(v.field_frames[0]->bottom, v.field_frames[1]->top);
  EXPECT_LT(v.field_frames[1]->bottom, v.field_frames[2]->top);
}

// In a short pop-up the editor scrolls beneath its band: scrolled to its end, "save alert" is in
// view and clickable, and a field whose frame is out of view is not placed.
TEST(AlertEditorLayout, AShortPopupScrollsToSaveAlert) {
  Screen p(Page::kAlertEditor, 0);
  p.editor.metric = 7;  // an app rule with a log file: the longest form
  p.editor.delivery = 2;
  p.in.height = 330;
  const PageView top = p.view();
  const int32_t visible_bottom = 330 - 12;
  ASSERT_GT(top.content_height, visible_bottom - top.list_top);
  const auto below = regions_of(top, ActionKind::kAlertSave);
  ASSERT_EQ(below.size(), 1u) << "below the fold before scrolling, but still a piece";
  EXPECT_GE(below[0]->top, visible_bottom);
  EXPECT_FALSE(below[0]->contains(below[0]->left, below[0]->top)) << "not clickable below the fold";
  p.in.scroll_offset = top.content_height - (visible_bottom - top.list_top);
  const PageView end = p.view();
  const auto save = regions_of(end, ActionKind::kAlertSave);
  ASSERT_EQ(save.size(), 1u);
  EXPECT_GE(save[0]->top, end.list_top);
  EXPECT_LE(save[0]->bottom, visible_bottom);
  EXPECT_FALSE(top.field_frames[2].has_value()) << "the log file row is below the fold before scrolling";
  ASSERT_TRUE(end.field_frames[2].has_value());
  EXPECT_LE(end.field_frames[2]->bottom, visible_bottom);
}

// The editor's whole form, "save alert" included, fits a client area of whole_page_height; one
// pixel less and it scrolls.
TEST(AlertEditorLayout, WholePageHeightShowsSaveAlertWithoutScrolling) {
  Screen p(Page::kAlertEditor, 0);
  for (uint8_t metric : {uint8_t{0}, uint8_t{7}}) {
    p.editor.metric = metric;
    p.editor.delivery = 2;
    const PageView tall = p.view();
    const int32_t whole = whole_page_height(tall, 1.0f);
    EXPECT_EQ(whole, 62 + tall.content_height + 12);
    EXPECT_EQ(scroll_limit(tall.content_height, tall.list_top, whole, 1.0f), 0);
    EXPECT_EQ(scroll_limit(tall.content_height, tall.list_top, whole - 1, 1.0f), 1);
    const HitRegion save = *regions_of(tall, ActionKind::kAlertSave).at(0);
    p.in.height = whole;
    const PageView fits = p.view();
    const auto fitted = regions_of(fits, ActionKind::kAlertSave);
    ASSERT_EQ(fitted.size(), 1u) << int{metric};
    EXPECT_EQ(fitted[0]->bottom, save.bottom) << "not cut by the bottom margin";
    p.in.height = 1200;
  }
}

TEST(AlertEditorLayout, ARejectedPathIsSaid) {
  Screen p(Page::kAlertEditor, 0);
  EXPECT_EQ(item_with_text(p.view(), "That log file path cannot be used — change it to save"), nullptr);
  p.editor.path_rejected = true;
  const PageView v = p.view();
  const PageItem* line = item_with_text(v, "That log file path cannot be used — change it to save");
  ASSERT_NE(line, nullptr);
  EXPECT_EQ(line->ink, Ink::kWarning);
}

TEST(SettingsLayout, OtherPagesLayNothingOut) {
  Screen p(Page::kOverview, 0);
  const PageView v = p.view();
  EXPECT_TRUE(v.items.empty());
  EXPECT_TRUE(v.regions.empty());
  EXPECT_FALSE(v.drag_list_top.has_value());
}

}  // namespace
}  // namespace qv
