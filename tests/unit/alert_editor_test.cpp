#include "ui/panel/alert_editor/alert_editor.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <utility>
#include <vector>

namespace qv {
namespace {

// The window side of the alert screens, recorded; the text fields are plain strings.
class AlertRecorder : public AlertHost {
 public:
  std::map<TextField, std::string> fields;
  int saves = 0;
  int rebuilds = 0;
  std::vector<std::pair<Page, int>> pages;
  std::vector<std::vector<std::string>> picker_lists;
  Snapshot live;

  void save_settings() override { ++saves; }
  void rebuild_rules() override { ++rebuilds; }
  std::string field_text(TextField field) override { return fields[field]; }
  void set_field_text(TextField field, const std::string& text) override { fields[field] = text; }
  std::string default_alert_log_path() override { return "C:\\Users\\a\\AppData\\Local\\zelmor-alerts.log"; }
  void offer_apps(const std::vector<std::string>& names) override { picker_lists.push_back(names); }
  Snapshot current_snapshot() override { return live; }
  void open_page(Page page, uint8_t sub_page) override { pages.emplace_back(page, sub_page); }
};

constexpr TextField kApp = TextField::kFilter;
constexpr TextField kThr = TextField::kAlertThreshold;
constexpr TextField kLog = TextField::kAlertLogFile;

class AlertEditor : public ::testing::Test {
 protected:
  AlertEditorState editor;
  Settings settings;
  AlertRecorder host;

  void click(ActionKind kind, uint64_t index = 0, uint8_t flag = 0) {
    EXPECT_TRUE(perform_alert_action(editor, settings, host, make_action(kind, index, flag)));
  }
};

TEST_F(AlertEditor, NewAlertStartsFromTheDefaults) {
  editor.metric = 5;
  editor.above = false;
  editor.delivery = 2;
  editor.cooldown = 0;
  editor.include_top = false;
  host.fields = {{kApp, "old.exe"}, {kThr, "12"}, {kLog, "x.log"}};
  click(ActionKind::kNewAlert);
  EXPECT_EQ(editor, AlertEditorState{});
  EXPECT_EQ(editor.metric, 0);
  EXPECT_TRUE(editor.include_top);
  EXPECT_EQ(editor.cooldown, 1);
  EXPECT_EQ(host.fields[kApp], "");
  EXPECT_EQ(host.fields[kThr], "90");
  EXPECT_EQ(host.fields[kLog], "C:\\Users\\a\\AppData\\Local\\zelmor-alerts.log");
  EXPECT_EQ(host.pages, (std::vector<std::pair<Page, int>>{{Page::kAlertEditor, 0}}));
  EXPECT_EQ(host.saves, 0);
}

TEST_F(AlertEditor, SavingTheDefaultsAppendsCpuAbove90WithTopApps) {
  settings.log = {"ram>80"};
  click(ActionKind::kNewAlert);
  click(ActionKind::kAlertSave);
  EXPECT_EQ(settings.log, (std::vector<std::string>{"ram>80", "cpu>90; data=top"}));
  EXPECT_EQ(host.saves, 1);
  EXPECT_EQ(host.rebuilds, 1);
  EXPECT_EQ(host.pages.back(), std::make_pair(Page::kSettingsSection, 4));
}

TEST_F(AlertEditor, OneAppRuleComposesEveryOption) {
  click(ActionKind::kNewAlert);
  click(ActionKind::kAlertMetric, 7);
  host.fields[kApp] = "Chrome.exe";
  click(ActionKind::kAlertMeasure, 1);
  host.fields[kThr] = "2048";
  click(ActionKind::kAlertDelivery, 1);
  click(ActionKind::kAlertCooldown);  // 60 seconds -> 5 minutes
  click(ActionKind::kAlertIncludeTop);
  click(ActionKind::kAlertSave);
  ASSERT_EQ(settings.log.size(), 1u);
  EXPECT_EQ(settings.log[0],
            "proc:Chrome.exe:ram>2048; file=C:\\Users\\a\\AppData\\Local\\zelmor-alerts.log; cooldown=300; nonotify");
  EXPECT_EQ(host.fields[kApp], "");  // the app name does not linger in the shared field
}

TEST_F(AlertEditor, BelowBothDeliveriesAndThirtySeconds) {
  click(ActionKind::kNewAlert);
  click(ActionKind::kAlertMetric, 3);
  click(ActionKind::kAlertAbove, 0, 0);
  host.fields[kThr] = " 2.50 ";
  click(ActionKind::kAlertDelivery, 2);
  host.fields[kLog] = "  D:\\logs\\a.log ";
  click(ActionKind::kAlertCooldown);
  click(ActionKind::kAlertCooldown);  // 5 minutes -> 30 seconds
  click(ActionKind::kAlertSave);
  EXPECT_EQ(settings.log, (std::vector<std::string>{"disk<2.5; file=D:\\logs\\a.log; data=top; cooldown=30"}));
}

TEST_F(AlertEditor, FileDeliveryWithoutAPathNotifiesNothing) {
  click(ActionKind::kNewAlert);
  click(ActionKind::kAlertDelivery, 1);
  host.fields[kLog] = "   ";
  click(ActionKind::kAlertSave);
  ASSERT_EQ(settings.log, (std::vector<std::string>{"cpu>90; data=top; nonotify"}));
  EXPECT_EQ(describe_rule(settings.log[0]), "cpu>90 → nothing");
}

TEST_F(AlertEditor, AFormThatMakesNoRuleChangesNothing) {
  struct Case {
    const char* what;
    uint8_t metric;
    const char* app;
    const char* threshold;
  };
  const Case cases[] = {
      {"threshold abc", 0, "", "abc"},
      {"empty threshold", 0, "", "  "},
      {"app rule without a name", 7, "  ", "50"},
      {"threshold with a unit", 3, "", "5MB"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    host = AlertRecorder{};
    click(ActionKind::kNewAlert);
    click(ActionKind::kAlertMetric, c.metric);
    host.fields[kApp] = c.app;
    host.fields[kThr] = c.threshold;
    click(ActionKind::kAlertSave);
    EXPECT_TRUE(settings.log.empty());
    EXPECT_EQ(host.saves, 0);
    EXPECT_EQ(host.rebuilds, 0);
    EXPECT_EQ(host.pages.size(), 1u);  // only the opening: the editor stays
    EXPECT_EQ(host.fields[kThr], c.threshold);  // the form keeps its contents
  }
}

TEST_F(AlertEditor, ALogPathWindowsCannotUseNeverReachesTheSettings) {
  const std::string bad[] = {std::string("C:\\logs\\a\0b.log", 15), "C:\\logs\\a|b.log", "C:\\logs\\a.log:stream",
                             "C:\\logs\\what?.log", std::string("C:\\logs\\\x01.log")};
  for (const std::string& path : bad) {
    SCOPED_TRACE(path);
    click(ActionKind::kNewAlert);
    click(ActionKind::kAlertDelivery, 2);
    host.fields[kLog] = path;
    click(ActionKind::kAlertSave);
    EXPECT_TRUE(settings.log.empty());
    EXPECT_EQ(host.saves, 0);
    EXPECT_TRUE(editor.path_rejected);
  }
  // The same path is not used, and so not refused, for desktop delivery.
  click(ActionKind::kAlertDelivery, 0);
  click(ActionKind::kAlertSave);
  EXPECT_EQ(settings.log, (std::vector<std::string>{"cpu>90; data=top"}));
  EXPECT_FALSE(editor.path_rejected);
}

TEST(AlertLogPath, ProblemsAreNamedAndGoodPathsPass) {
  EXPECT_EQ(log_path_problem("C:\\Users\\Zoë\\AppData\\Local\\zelmor-alerts.log"), std::nullopt);
  EXPECT_EQ(log_path_problem("\\\\server\\share\\a.log"), std::nullopt);
  EXPECT_EQ(log_path_problem("relative\\a b.log"), std::nullopt);
  EXPECT_NE(log_path_problem("a<b"), std::nullopt);
  EXPECT_NE(log_path_problem("C:a:b"), std::nullopt);
  EXPECT_NE(log_path_problem(std::string("\x7f", 1)), std::nullopt);
}

TEST(AlertLogPath, DefaultFollowsLocalAppData) {
  EXPECT_EQ(alert_log_path_for(std::string("D:\\Local")), "D:\\Local\\zelmor-alerts.log");
  EXPECT_EQ(alert_log_path_for(std::nullopt), "C:\\zelmor-alerts.log");
  EXPECT_EQ(utf8_if_valid(u"C:\\Zo\u00eb"), std::optional<std::string>("C:\\Zoë"));
  EXPECT_EQ(utf8_if_valid(u"C:\\\U0001F600"), std::optional<std::string>("C:\\\xF0\x9F\x98\x80"));
  const char16_t lone_high[] = {u'a', 0xD800, u'b', 0};
  const char16_t lone_low[] = {0xDC00, 0};
  const char16_t high_at_end[] = {u'a', 0xDBFF, 0};
  EXPECT_EQ(utf8_if_valid(lone_high), std::nullopt);
  EXPECT_EQ(utf8_if_valid(lone_low), std::nullopt);
  EXPECT_EQ(utf8_if_valid(high_at_end), std::nullopt);
}

TEST_F(AlertEditor, CooldownChipCyclesThroughItsThreeChoices) {
  std::vector<int> seen;
  for (int i = 0; i < 3; ++i) {
    click(ActionKind::kAlertCooldown);
    seen.push_back(editor.cooldown);
  }
  EXPECT_EQ(seen, (std::vector<int>{2, 0, 1}));
}

TEST_F(AlertEditor, ChoicesOutsideTheirTablesAreIgnored) {
  click(ActionKind::kAlertMetric, 8);
  click(ActionKind::kAlertMeasure, 5);
  click(ActionKind::kAlertDelivery, 3);
  EXPECT_EQ(editor, AlertEditorState{});
  EXPECT_FALSE(perform_alert_action(editor, settings, host, make_action(ActionKind::kOpenSettings)));
}

TEST_F(AlertEditor, SwitchingAListedRuleRewritesItsLine) {
  settings.log = {"cpu>90", "bogus line", "ram>80;  file=x.log ;"};
  click(ActionKind::kToggleAlertRule, 0);
  EXPECT_EQ(settings.log[0], "cpu>90; off");
  click(ActionKind::kToggleAlertRule, 0);
  EXPECT_EQ(settings.log[0], "cpu>90");
  click(ActionKind::kToggleAlertRule, 1);  // an invalid line can only be switched off
  EXPECT_EQ(settings.log[1], "bogus line; off");
  click(ActionKind::kToggleAlertRule, 1);
  EXPECT_EQ(settings.log[1], "bogus line; off");
  click(ActionKind::kToggleAlertRule, 2);
  EXPECT_EQ(settings.log[2], "ram>80; file=x.log; off");
  EXPECT_EQ(host.saves, 5);
  EXPECT_EQ(host.rebuilds, 5);
}

TEST_F(AlertEditor, RemovingTakesExactlyThatLine) {
  settings.log = {"cpu>90", "(not a rule", "ram>80"};
  click(ActionKind::kRemoveAlertRule, 1);
  EXPECT_EQ(settings.log, (std::vector<std::string>{"cpu>90", "ram>80"}));
  click(ActionKind::kRemoveAlertRule, 2);  // past the end: nothing
  click(ActionKind::kToggleAlertRule, 2);
  EXPECT_EQ(settings.log, (std::vector<std::string>{"cpu>90", "ram>80"}));
  EXPECT_EQ(host.saves, 1);
}

TEST_F(AlertEditor, PickerOffersEachNameOnceSorted) {
  host.live.processes = {ProcessSample{"svchost.exe"}, ProcessSample{"Code.exe"}, ProcessSample{"chrome.exe"},
                         ProcessSample{"svchost.exe"}, ProcessSample{"chrome.exe"}, ProcessSample{"audiodg.exe"}};
  host.fields[kApp] = "typed";
  click(ActionKind::kAlertAppPicker);
  ASSERT_EQ(host.picker_lists.size(), 1u);
  EXPECT_EQ(host.picker_lists[0], (std::vector<std::string>{"audiodg.exe", "chrome.exe", "Code.exe", "svchost.exe"}));
  EXPECT_EQ(host.fields[kApp], "typed");  // the menu opens after the click; the window fills the field
  EXPECT_EQ(host.saves, 0);
}

}  // namespace
}  // namespace qv
