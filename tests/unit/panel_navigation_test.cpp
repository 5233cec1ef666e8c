#include "ui/panel/frame/panel_navigation.h"

#include "ui/panel/app_detail/close_apps.h"
#include "ui/panel/settings/settings_layout.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace qv {
namespace {

// Records what the page model asks of the window side; the text fields are plain strings.
class RecordingHost : public PanelHost {
 public:
  std::map<TextField, std::string> fields;
  std::optional<TextField> focused;
  int saves = 0;
  int autostart_queries = 0;
  int autostart_toggles = 0;
  int hand_overs = 0;
  int fits = 0;
  int tray_rebuilds = 0;
  int font_rebuilds = 0;
  int series_restarts = 0;
  int copies = 0;
  int message_clears = 0;
  int agent_clears = 0;
  int history_clears = 0;
  Snapshot live;
  std::vector<bool> pinned_calls;
  std::vector<size_t> drags;
  std::vector<uint32_t> intervals;
  std::vector<bool> mcp_calls;
  bool hidden = false;
  int rule_rebuilds = 0;
  std::vector<std::vector<std::string>> picker_lists;
  std::vector<CloseRequest> closes;

  void save_settings() override { ++saves; }
  void hand_over_ai_settings() override { ++hand_overs; }
  void set_sampler_interval(uint32_t ms) override { intervals.push_back(ms); }
  void set_mcp_enabled(bool on) override { mcp_calls.push_back(on); }
  void query_autostart() override { ++autostart_queries; }
  void toggle_autostart() override { ++autostart_toggles; }
  std::string field_text(TextField field) override { return fields[field]; }
  void set_field_text(TextField field, const std::string& text) override { fields[field] = text; }
  void focus_field(TextField field) override { focused = field; }
  void set_pinned(bool pinned) override { pinned_calls.push_back(pinned); }
  void hide_panel() override { hidden = true; }
  void apply_on_top() override {}
  void fit_panel() override { ++fits; }
  void rebuild_fonts() override { ++font_rebuilds; }
  void apply_theme() override {}
  void rebuild_tray_icons() override { ++tray_rebuilds; }
  void start_metric_drag(size_t index) override { drags.push_back(index); }
  void restart_app_series() override { ++series_restarts; }
  void copy_connect_command() override { ++copies; }
  std::string default_agent_log_path() override { return "C:\\data\\zelmor-agents.log"; }
  void clear_messages() override { ++message_clears; }
  void clear_agents() override { ++agent_clears; }
  void clear_finished_agents() override { ++history_clears; }
  Snapshot current_snapshot() override { return live; }
  void rebuild_rules() override { ++rule_rebuilds; }
  std::string default_alert_log_path() override { return "C:\\data\\zelmor-alerts.log"; }
  void offer_apps(const std::vector<std::string>& names) override { picker_lists.push_back(names); }
  void close_processes(const std::string& name, const std::vector<uint32_t>& pids) override {
    closes.push_back(CloseRequest{name, pids});
  }
  void update_overlay() override {}
  void update_widget() override {}
  void dock_widget() override {}
  void reset_widget_size() override {}
};


class PanelNavigation : public ::testing::Test {
 protected:
  PanelState panel;
  Settings settings;
  RecordingHost host;

  // Types into field 1 the way the edit notification would report it.
  void type(const std::string& text) {
    host.fields[TextField::kFilter] = text;
    filter_text_changed(panel, text);
  }
};

TEST_F(PanelNavigation, SearchTextSurvivesAVisitToAppDetail) {
  type("Chrome");
  panel.scroll_offset = 40;
  panel.app_rows = {AppRow{"chrome.exe", {10, 11}}};

  perform_action(panel, settings, host, make_action(ActionKind::kOpenAppRow, 0));
  EXPECT_EQ(panel.page, Page::kAppDetail);
  EXPECT_EQ(panel.selected_app, "chrome.exe");
  EXPECT_EQ(host.series_restarts, 1);
  // The process filter starts empty, the search is parked.
  EXPECT_EQ(panel.filter_text, "");
  EXPECT_EQ(host.fields[TextField::kFilter], "");
  EXPECT_EQ(panel.stashed_filter_text, "Chrome");

  type("gpu");  // filtering processes on the detail page
  perform_action(panel, settings, host, make_action(ActionKind::kBack));
  EXPECT_EQ(panel.page, Page::kOverview);
  EXPECT_EQ(host.fields[TextField::kFilter], "Chrome");
  EXPECT_EQ(panel.filter_text, "chrome");
  EXPECT_EQ(panel.stashed_filter_text, "");
  // Coming back does not put the keyboard in the field: Tab starts at the page's first piece.
  EXPECT_EQ(host.focused, std::nullopt);
  EXPECT_EQ(panel.scroll_offset, 0);
}

TEST_F(PanelNavigation, AppDetailReturnsToThePageItWasOpenedFrom) {
  perform_action(panel, settings, host, make_action(ActionKind::kOpenMetric, 0, 3));
  EXPECT_EQ(panel.page, Page::kMetricDetail);
  EXPECT_EQ(panel.sub_page, 3);
  panel.app_rows = {AppRow{"a.exe", {1}}, AppRow{"b.exe", {2}}};
  perform_action(panel, settings, host, make_action(ActionKind::kOpenAppRow, 1));
  EXPECT_EQ(panel.selected_app, "b.exe");
  go_back(panel, host);
  EXPECT_EQ(panel.page, Page::kMetricDetail);
  EXPECT_EQ(panel.sub_page, 3);
}

TEST_F(PanelNavigation, BackFollowsThePageHierarchy) {
  navigate(panel, host, Page::kAlertEditor, 0);
  go_back(panel, host);
  EXPECT_EQ(panel.page, Page::kSettingsSection);
  EXPECT_EQ(panel.sub_page, 4);
  go_back(panel, host);
  EXPECT_EQ(panel.page, Page::kSettingsHome);
  go_back(panel, host);
  EXPECT_EQ(panel.page, Page::kOverview);
  for (Page p : {Page::kFpsList, Page::kMessages, Page::kActivity, Page::kMetricDetail}) {
    navigate(panel, host, p, 0);
    go_back(panel, host);
    EXPECT_EQ(panel.page, Page::kOverview) << static_cast<int>(p);
  }
}

TEST_F(PanelNavigation, SettingsAreSavedOnlyWhenLeavingTheSettingsPages) {
  navigate(panel, host, Page::kSettingsHome, 0);
  EXPECT_EQ(host.saves, 0);
  EXPECT_EQ(host.autostart_queries, 1);
  navigate(panel, host, Page::kSettingsSection, 2);
  EXPECT_EQ(host.saves, 0);
  EXPECT_EQ(host.autostart_queries, 2);
  navigate(panel, host, Page::kOverview, 0);
  EXPECT_EQ(host.saves, 1);
  navigate(panel, host, Page::kMetricDetail, 0);
  EXPECT_EQ(host.saves, 1);
}

TEST_F(PanelNavigation, EveryPageChangeDropsThePageLocalState) {
  panel.page = Page::kMetricDetail;
  panel.scroll_offset = 120;
  panel.paused = true;
  panel.frozen_snapshot = Snapshot{};
  panel.copied = true;
  panel.processes_expanded = true;
  navigate(panel, host, Page::kFpsList, 0);
  EXPECT_EQ(panel.scroll_offset, 0);
  EXPECT_FALSE(panel.paused);
  EXPECT_FALSE(panel.frozen_snapshot.has_value());
  EXPECT_FALSE(panel.copied);
  EXPECT_FALSE(panel.processes_expanded);
  EXPECT_EQ(host.focused, std::nullopt) << "the frame-rate list does not take the filter focus";
}

TEST_F(PanelNavigation, PageOpeningActionsGoWhereTheTableSays) {
  struct Case {
    Action action;
    Page page;
    uint8_t sub_page;
  };
  const Case cases[] = {
      {make_action(ActionKind::kOpenFpsList), Page::kFpsList, 0},
      {make_action(ActionKind::kOpenSettings), Page::kSettingsHome, 0},
      {make_action(ActionKind::kOpenMessages), Page::kMessages, 0},
      {make_action(ActionKind::kOpenActivity), Page::kActivity, 0},
      {make_action(ActionKind::kOpenSettingsSection, 0, 4), Page::kSettingsSection, 4},
      {make_action(ActionKind::kOpenMetric, 0, 5), Page::kMetricDetail, 5},
  };
  for (const Case& c : cases) {
    panel.page = Page::kOverview;
    perform_action(panel, settings, host, c.action);
    EXPECT_EQ(panel.page, c.page) << static_cast<int>(c.action.kind);
    EXPECT_EQ(panel.sub_page, c.sub_page) << static_cast<int>(c.action.kind);
  }
}

TEST_F(PanelNavigation, OutOfRangePayloadsDoNothing) {
  const Settings before = settings;
  const Action bad[] = {
      make_action(ActionKind::kOpenMetric, 0, 6),          make_action(ActionKind::kOpenSettingsSection, 0, 5),
      make_action(ActionKind::kOpenAppRow, 0),             make_action(ActionKind::kToggleMainMetric, 7),
      make_action(ActionKind::kDragMainMetric, 7),         make_action(ActionKind::kToggleTrayIcon, 6),
      make_action(ActionKind::kSetTextSize, 4),            make_action(ActionKind::kSetTheme, 3),
      make_action(ActionKind::kToggleCustomRequest, 0),    make_action(ActionKind::kRemoveCustomRequest, 0),
      make_action(ActionKind::kSetFpsColor, 5),            make_action(ActionKind::kSetFpsOpacity, 3),
      make_action(ActionKind::kSetWidgetTheme, 3),         make_action(ActionKind::kSetProcessSort, 0, 6),
  };
  for (const Action& a : bad) perform_action(panel, settings, host, a);
  EXPECT_EQ(settings, before);
  EXPECT_EQ(panel.page, Page::kOverview);
  EXPECT_EQ(host.saves, 0);
  EXPECT_TRUE(host.drags.empty());
}

TEST_F(PanelNavigation, TheLastShownMetricCannotBeHidden) {
  for (size_t i = 1; i < settings.main_metrics.size(); ++i) {
    perform_action(panel, settings, host, make_action(ActionKind::kToggleMainMetric, i));
  }
  ASSERT_TRUE(settings.main_metrics[0].shown);
  perform_action(panel, settings, host, make_action(ActionKind::kToggleMainMetric, 0));
  EXPECT_TRUE(settings.main_metrics[0].shown);
  // Showing another one makes the first hideable again.
  perform_action(panel, settings, host, make_action(ActionKind::kToggleMainMetric, 3));
  perform_action(panel, settings, host, make_action(ActionKind::kToggleMainMetric, 0));
  EXPECT_FALSE(settings.main_metrics[0].shown);
  EXPECT_TRUE(settings.main_metrics[3].shown);
  EXPECT_EQ(host.fits, static_cast<int>(settings.main_metrics.size()) + 2);  // a refused toggle still saves and fits
}

TEST_F(PanelNavigation, TurningOffEveryTrayIconBringsBackThePlainOne) {
  settings.tray_static = false;
  settings.tray_cpu = true;
  settings.tray_ram = false;
  settings.tray_disk = false;
  settings.tray_net = false;
  settings.tray_fps = false;
  perform_action(panel, settings, host, make_action(ActionKind::kToggleTrayIcon, 1));
  EXPECT_FALSE(settings.tray_cpu);
  EXPECT_TRUE(settings.tray_static);
  EXPECT_EQ(host.tray_rebuilds, 1);
  EXPECT_EQ(host.saves, 1);
}

TEST_F(PanelNavigation, CustomRequestsAreAddedTrimmedAndNeverEmpty) {
  host.fields[TextField::kRequest] = "   \t ";
  perform_action(panel, settings, host, make_action(ActionKind::kAddCustomRequest));
  EXPECT_TRUE(settings.notify_rules.empty());
  EXPECT_EQ(host.saves, 0);

  host.fields[TextField::kRequest] = "  tell me when tests fail \n";
  perform_action(panel, settings, host, make_action(ActionKind::kAddCustomRequest));
  ASSERT_EQ(settings.notify_rules.size(), 1u);
  EXPECT_EQ(settings.notify_rules[0], (NotifyRule{true, "tell me when tests fail"}));
  EXPECT_EQ(host.fields[TextField::kRequest], "");
  EXPECT_EQ(host.hand_overs, 1);

  perform_action(panel, settings, host, make_action(ActionKind::kToggleCustomRequest, 0));
  EXPECT_FALSE(settings.notify_rules[0].enabled);
  perform_action(panel, settings, host, make_action(ActionKind::kRemoveCustomRequest, 0));
  EXPECT_TRUE(settings.notify_rules.empty());
  EXPECT_EQ(host.hand_overs, 3);
}

TEST_F(PanelNavigation, WidgetMaskKeepsItsLastBit) {
  settings.widget_mask = 4;
  perform_action(panel, settings, host, make_action(ActionKind::kToggleWidgetBit, 0, 0, 4));
  EXPECT_EQ(settings.widget_mask, 4u);
  perform_action(panel, settings, host, make_action(ActionKind::kToggleWidgetBit, 0, 0, 64));
  EXPECT_EQ(settings.widget_mask, 68u);
  perform_action(panel, settings, host, make_action(ActionKind::kToggleWidgetBit, 0, 0, 4));
  EXPECT_EQ(settings.widget_mask, 64u);
}

TEST_F(PanelNavigation, ClearingTheFilterKeepsTheFocusInTheField) {
  type("Code");
  panel.scroll_offset = 30;
  host.focused.reset();
  perform_action(panel, settings, host, make_action(ActionKind::kClearFilter));
  EXPECT_EQ(panel.filter_text, "");
  EXPECT_EQ(host.fields[TextField::kFilter], "");
  EXPECT_EQ(panel.scroll_offset, 0);
  EXPECT_EQ(host.focused, TextField::kFilter);
}

TEST_F(PanelNavigation, FilterEditsRewindOnlyTheFilteredLists) {
  panel.scroll_offset = 50;
  filter_text_changed(panel, "ÉDGE");
  EXPECT_EQ(panel.filter_text, "édge");
  EXPECT_EQ(panel.scroll_offset, 0);
  panel.page = Page::kAlertEditor;
  panel.scroll_offset = 50;
  filter_text_changed(panel, "x");
  EXPECT_EQ(panel.scroll_offset, 50);
}

TEST_F(PanelNavigation, SimpleSettingActions) {
  perform_action(panel, settings, host, make_action(ActionKind::kTogglePinned));
  EXPECT_EQ(host.pinned_calls, std::vector<bool>{true});
  perform_action(panel, settings, host, make_action(ActionKind::kHidePanel));
  EXPECT_TRUE(host.hidden);
  perform_action(panel, settings, host, make_action(ActionKind::kSetInterval, 0, 0, 2000));
  perform_action(panel, settings, host, make_action(ActionKind::kSetInterval, 0, 0, 5));
  EXPECT_EQ(host.intervals, (std::vector<uint32_t>{2000, 250}));
  const bool mcp = settings.mcp_enabled;
  perform_action(panel, settings, host, make_action(ActionKind::kToggleMcp));
  EXPECT_EQ(settings.mcp_enabled, !mcp);
  EXPECT_EQ(host.mcp_calls, std::vector<bool>{!mcp});
  perform_action(panel, settings, host, make_action(ActionKind::kSetTextSize, 3));
  EXPECT_EQ(settings.text_size, 3u);
  EXPECT_EQ(host.font_rebuilds, 1);
  perform_action(panel, settings, host, make_action(ActionKind::kToggleNotifyPreset, 0, 0, 4));
  EXPECT_EQ(settings.notify_presets, 7u);
  perform_action(panel, settings, host, make_action(ActionKind::kCopyConnectCommand));
  EXPECT_TRUE(panel.copied);
  perform_action(panel, settings, host, make_action(ActionKind::kToggleAutostart));
  EXPECT_EQ(host.autostart_toggles, 1);
  EXPECT_EQ(host.autostart_queries, 0) << "a plain query would clear the toggle's error flag";
}

TEST_F(PanelNavigation, AiPageAndPauseActions) {
  settings.agent_log_file = "  ";
  perform_action(panel, settings, host, make_action(ActionKind::kToggleAgentLogFile));
  EXPECT_EQ(settings.agent_log_file, "C:\\data\\zelmor-agents.log") << "blank counts as off";
  perform_action(panel, settings, host, make_action(ActionKind::kToggleAgentLogFile));
  EXPECT_EQ(settings.agent_log_file, "");
  EXPECT_EQ(host.hand_overs, 2);

  panel.page = Page::kMessages;
  panel.expanded_messages = {0, 3};
  perform_action(panel, settings, host, make_action(ActionKind::kClearMessages));
  EXPECT_EQ(host.message_clears, 1);
  EXPECT_TRUE(panel.expanded_messages.empty());
  EXPECT_EQ(panel.page, Page::kOverview);

  // Item keys use the whole 64 bits of the payload.
  perform_action(panel, settings, host, make_action(ActionKind::kToggleActivityItem, 0xFEEDFACECAFEBEEFull));
  perform_action(panel, settings, host, make_action(ActionKind::kToggleActivityItem, 7));
  EXPECT_EQ(panel.expanded_ai_items, (std::set<uint64_t>{7, 0xFEEDFACECAFEBEEFull}));
  perform_action(panel, settings, host, make_action(ActionKind::kToggleActivityItem, 0xFEEDFACECAFEBEEFull));
  EXPECT_EQ(panel.expanded_ai_items, (std::set<uint64_t>{7}));
  perform_action(panel, settings, host, make_action(ActionKind::kClearAgents));
  EXPECT_EQ(host.agent_clears, 1);
  EXPECT_EQ(host.history_clears, 0);
  perform_action(panel, settings, host, make_action(ActionKind::kClearFinishedAgents));
  EXPECT_EQ(host.agent_clears, 1);
  EXPECT_EQ(host.history_clears, 1);

  panel.scroll_offset = 20;
  perform_action(panel, settings, host, make_action(ActionKind::kToggleActivityView));
  EXPECT_TRUE(panel.finished_expanded);
  EXPECT_EQ(panel.scroll_offset, 0);

  host.live.cpu_pct = 55;
  perform_action(panel, settings, host, make_action(ActionKind::kOpenMetric, 0, 0));
  perform_action(panel, settings, host, make_action(ActionKind::kTogglePause));
  ASSERT_TRUE(panel.paused && panel.frozen_snapshot);
  EXPECT_EQ(panel.frozen_snapshot->cpu_pct, 55);
  perform_action(panel, settings, host, make_action(ActionKind::kTogglePause));
  EXPECT_FALSE(panel.paused || panel.frozen_snapshot);
  perform_action(panel, settings, host, make_action(ActionKind::kTogglePause));
  navigate(panel, host, Page::kOverview, 0);
  EXPECT_FALSE(panel.paused || panel.frozen_snapshot) << "a page change ends the pause";
}

// Every control of a section, clicked where its layout puts it: the saved text changes in
// exactly the expected line, and the file is written once per click.
class SevenWide : public RoleTextMeasure {
 public:
  int32_t width(FontRole, std::string_view text) const override { return 7 * static_cast<int32_t>(text.size()); }
};

std::vector<std::string> lines_of(const std::string& text) {
  std::vector<std::string> out;
  size_t start = 0;
  for (size_t nl; (nl = text.find('\n', start)) != std::string::npos; start = nl + 1) out.push_back(text.substr(start, nl - start));
  return out;
}

// The one line that differs, as "before -> after"; lines added or removed show as "" on their side.
std::string changed_line(const std::string& before, const std::string& after) {
  const auto a = lines_of(before);
  const auto b = lines_of(after);
  std::string out;
  for (size_t i = 0; i < std::max(a.size(), b.size()); ++i) {
    const std::string x = i < a.size() ? a[i] : "";
    const std::string y = i < b.size() ? b[i] : "";
    if (x != y) out += (out.empty() ? "" : " | ") + x + " -> " + y;
  }
  return out;
}

TEST_F(PanelNavigation, EverySettingsClickChangesItsOneLineAndSavesOnce) {
  struct Click {
    uint8_t section;
    ActionKind kind;
    uint64_t index;
    uint32_t number;
    const char* change;
  };
  const Click table[] = {
      {0, ActionKind::kSetInterval, 0, 500, "interval_ms=1000 -> interval_ms=500"},
      {0, ActionKind::kSetInterval, 0, 2000, "interval_ms=500 -> interval_ms=2000"},
      {0, ActionKind::kSetTheme, 1, 0, "theme=0 -> theme=1"},
      {0, ActionKind::kSetTheme, 2, 0, "theme=1 -> theme=2"},
      {0, ActionKind::kSetTextSize, 3, 0, "text_size=1 -> text_size=3"},
      {0, ActionKind::kSetTextSize, 0, 0, "text_size=3 -> text_size=0"},
      {1, ActionKind::kToggleNotifyPreset, 0, 4, "notify_presets=3 -> notify_presets=7"},
      {1, ActionKind::kToggleNotifyPreset, 0, 1, "notify_presets=7 -> notify_presets=6"},
      {1, ActionKind::kToggleAgentLogFile, 0, 0, "agent_log_file= -> agent_log_file=C:\\\\data\\\\zelmor-agents.log"},
      {1, ActionKind::kToggleAgentLogFile, 0, 0, "agent_log_file=C:\\\\data\\\\zelmor-agents.log -> agent_log_file="},
      {1, ActionKind::kToggleMcp, 0, 0, "mcp_enabled=1 -> mcp_enabled=0"},
      {2, ActionKind::kToggleMainMetric, 2, 0,
       "main_metrics=cpu,ram,gpu,fps,disk,net,audio -> main_metrics=cpu,ram,-gpu,fps,disk,net,audio"},
      {3, ActionKind::kToggleWidget, 0, 0, "widget_on=0 -> widget_on=1"},
      {3, ActionKind::kToggleWidgetBit, 0, 64, "widget_mask=7 -> widget_mask=71"},
      {3, ActionKind::kSetWidgetTheme, 2, 0, "widget_theme=0 -> widget_theme=2"},
      {3, ActionKind::kToggleFpsOverlay, 0, 0, "fps_overlay=0 -> fps_overlay=1"},
      {3, ActionKind::kSetFpsColor, 3, 0, "fps_color=0 -> fps_color=3"},
      {3, ActionKind::kSetFpsOpacity, 2, 0, "fps_opacity=1 -> fps_opacity=2"},
      {3, ActionKind::kToggleTrayIcon, 3, 0, "tray_disk=0 -> tray_disk=1"},
      {3, ActionKind::kToggleTrayIcon, 1, 0, "tray_cpu=1 -> tray_cpu=0"},
  };
  settings.widget_scale = 2.0f;
  for (const Click& c : table) {
    SCOPED_TRACE(c.change);
    navigate(panel, host, Page::kSettingsSection, c.section);
    PageInput in;
    in.settings = &settings;
    in.page = panel.page;
    in.sub_page = panel.sub_page;
    in.width = 336;
    in.height = 2000;
    const PageView view = layout_settings_page(in, SevenWide());
    const HitRegion* hit = nullptr;
    for (const HitRegion& r : view.regions)
      if (r.action.kind == c.kind && r.action.index == c.index && r.action.number == c.number) hit = &r;
    ASSERT_NE(hit, nullptr);
    const auto at = hit_test(view.regions, (hit->left + hit->right) / 2, (hit->top + hit->bottom) / 2);
    ASSERT_TRUE(at.has_value());
    const std::string before = format_settings(settings);
    const int saves = host.saves;
    perform_action(panel, settings, host, view.regions[*at].action);
    EXPECT_EQ(changed_line(before, format_settings(settings)), c.change);
    EXPECT_EQ(host.saves - saves, 1);
  }
  // Reset size is its own line too.
  const std::string before = format_settings(settings);
  perform_action(panel, settings, host, make_action(ActionKind::kResetWidgetScale));
  EXPECT_EQ(changed_line(before, format_settings(settings)), "widget_scale=2.000 -> widget_scale=1.000");
}

TEST_F(PanelNavigation, AlertActionsGoThroughTheEditorAndLeaveNoSearchBehind) {
  navigate(panel, host, Page::kSettingsSection, 4);
  perform_action(panel, settings, host, make_action(ActionKind::kNewAlert));
  EXPECT_EQ(panel.page, Page::kAlertEditor);
  EXPECT_EQ(host.fields[TextField::kAlertThreshold], "90");
  EXPECT_EQ(host.fields[TextField::kAlertLogFile], "C:\\data\\zelmor-alerts.log");
  perform_action(panel, settings, host, make_action(ActionKind::kAlertMetric, 7));
  type("chrome.exe");  // field 1 is the filter field too
  perform_action(panel, settings, host, make_action(ActionKind::kAlertCancel));
  EXPECT_EQ(panel.page, Page::kSettingsSection);
  EXPECT_EQ(panel.sub_page, 4);
  EXPECT_TRUE(settings.log.empty());
  EXPECT_EQ(host.fields[TextField::kFilter], "");
  EXPECT_EQ(panel.filter_text, "");

  perform_action(panel, settings, host, make_action(ActionKind::kNewAlert));
  perform_action(panel, settings, host, make_action(ActionKind::kAlertSave));
  EXPECT_EQ(settings.log, (std::vector<std::string>{"cpu>90; data=top"}));
  EXPECT_EQ(host.rule_rebuilds, 1);
  EXPECT_EQ(panel.page, Page::kSettingsSection);
  perform_action(panel, settings, host, make_action(ActionKind::kToggleAlertRule, 0));
  EXPECT_EQ(settings.log, (std::vector<std::string>{"cpu>90; data=top; off"}));
  perform_action(panel, settings, host, make_action(ActionKind::kRemoveAlertRule, 0));
  EXPECT_TRUE(settings.log.empty());
  EXPECT_EQ(host.rule_rebuilds, 3);
}

TEST(PanelWheel, StaysWithinZeroAndTheMaximum) {
  PanelState panel;
  scroll_by_wheel(panel, -120 * 3, 52);  // content fits: scroll_max is 0
  EXPECT_EQ(panel.scroll_offset, 0);
  panel.scroll_max = 130;
  scroll_by_wheel(panel, -120, 52);
  EXPECT_EQ(panel.scroll_offset, 52);
  scroll_by_wheel(panel, -240, 52);
  EXPECT_EQ(panel.scroll_offset, 130);
  scroll_by_wheel(panel, 119, 52);  // less than a notch
  EXPECT_EQ(panel.scroll_offset, 130);
  scroll_by_wheel(panel, 120, 52);
  EXPECT_EQ(panel.scroll_offset, 78);
  scroll_by_wheel(panel, 32767 * 4, 52);
  EXPECT_EQ(panel.scroll_offset, 0);
}

}  // namespace
}  // namespace qv

#include "ui/panel/settings/connect_command.h"

namespace qv {
namespace {

TEST(PanelConnectCommand, QuotesTheClientPathBesideTheProgram) {
  EXPECT_EQ(connect_command("C:\\Program Files\\Quorvel"),
            "claude mcp add quorvel \"C:\\Program Files\\Quorvel\\zelmor-mcp.exe\"");
  EXPECT_EQ(connect_command("C:\\"), "claude mcp add quorvel \"C:\\zelmor-mcp.exe\"");
  EXPECT_EQ(connect_command(""), "claude mcp add quorvel \"zelmor-mcp.exe\"");
}

}  // namespace
}  // namespace qv

namespace qv {
namespace {

TEST_F(PanelNavigation, CloseActionsHandTheirIdsToTheHost) {
  host.live.processes = {ProcessSample{"web.exe", 0, 0, 0, 0, 30, 0, 0, 0},
                         ProcessSample{"web.exe", 0, 0, 0, 0, 31, 0, 0, 0}};
  panel.app_rows = {AppRow{"web.exe", {30}}};
  perform_action(panel, settings, host, make_action(ActionKind::kCloseAppRow, 0));
  perform_action(panel, settings, host, make_action(ActionKind::kCloseAppRow, 1));  // past the list: nothing
  panel.selected_app = "web.exe";
  perform_action(panel, settings, host, make_action(ActionKind::kCloseSelectedApp));
  perform_action(panel, settings, host, make_action(ActionKind::kCloseProcess, 0, 0, 31));
  ASSERT_EQ(host.closes.size(), 3u);
  EXPECT_EQ(host.closes[0], (CloseRequest{"web.exe", {30}})) << "the row's ids, as it was shown";
  EXPECT_EQ(host.closes[1], (CloseRequest{"web.exe", {30, 31}})) << "every process of the snapshot copy";
  EXPECT_EQ(host.closes[2], (CloseRequest{"web.exe", {31}}));
  EXPECT_EQ(panel.page, Page::kOverview) << "closing navigates nowhere";
}

}  // namespace
}  // namespace qv
