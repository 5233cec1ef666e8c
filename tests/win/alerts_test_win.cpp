// Alert delivery for real: the evaluator writing rule log files, the program log and the
// notification queue; and the running quorvel.exe firing the rules of its settings file.
#include <gtest/gtest.h>
#include <windows.h>
#include <sddl.h>

#include <regex>
#include <string>
#include <vector>

#include "core/messages.h"
#include "core/shared_state.h"
#include "mcp_pipe/pipe_server_win.h"
#include "rules/alert_evaluator_win.h"
#include "rules/rule_store_win.h"
#include "rules/rule_text.h"
#include "util/log_cap.h"
#include "util/program_log_win.h"
#include "util/user_sid_win.h"
#include "util/user_write_win.h"
#include "util/wide_win.h"
#include "win_support.h"

namespace qv::test {
namespace {

std::vector<std::string> lines_of(const std::string& text) {
  std::vector<std::string> out;
  size_t start = 0;
  for (size_t nl; (nl = text.find('\n', start)) != std::string::npos; start = nl + 1) {
    out.push_back(text.substr(start, nl - start));
  }
  return out;
}

const std::regex kStamp(R"(^\[\d{4}-\d\d-\d\d \d\d:\d\d:\d\d\] )");

using ProgramLogHere = ScopedLocalAppData;

// A message-only window standing in for the panel; counts the wake-ups it was posted.
struct FakePanel {
  HWND hwnd = CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
  ~FakePanel() { DestroyWindow(hwnd); }
  int take_wakeups() {
    int n = 0;
    MSG msg;
    while (PeekMessageW(&msg, hwnd, kWmNotifyQueued, kWmNotifyQueued, PM_REMOVE)) ++n;
    return n;
  }
};

std::vector<AlertRule> rules_of(const std::vector<std::string>& texts) { return parse_rule_lines(texts); }

std::deque<NotificationEntry> take_queue(SharedState& state) {
  std::deque<NotificationEntry> out;
  std::lock_guard lock(state.notifications_mutex);
  out.swap(state.notifications);
  return out;
}

TEST(AlertDelivery, AppendsLogLinesAndQueuesNotificationsWithAWakeUpEach) {
  TempDir dir;
  FakePanel panel;
  ASSERT_NE(panel.hwnd, nullptr);
  SharedState state;
  const std::string log = utf8(dir.file(L"cpu alerts.log"));
  write_file(dir.file(L"cpu alerts.log"), "kept\n");
  const auto rules = rules_of({"cpu>50; file=" + log + "; cooldown=0; nonotify", "cpu>90; cooldown=0", "ram>1"});
  ASSERT_EQ(rules.size(), 3u);

  Snapshot tick;
  tick.cpu_pct = 95.4f;
  AlertEvaluator evaluator;
  evaluator.evaluate(rules, tick, state, panel.hwnd);
  evaluator.evaluate(rules, tick, state, panel.hwnd);
  evaluator.wait_for_log_lines();  // lines are written off the evaluating thread

  const auto lines = lines_of(read_file(dir.file(L"cpu alerts.log")));
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[0], "kept");  // appended, never truncated
  for (size_t i = 1; i < 3; ++i) {
    EXPECT_TRUE(std::regex_search(lines[i], kStamp)) << lines[i];
    EXPECT_EQ(lines[i].substr(22), "value=95.4 (rule: cpu>50; file=" + log + "; cooldown=0; nonotify)");
  }
  auto queue = take_queue(state);
  ASSERT_EQ(queue.size(), 2u);  // the ram rule is skipped: the memory total is unknown
  for (const auto& e : queue) {
    EXPECT_EQ(e.title, "Alert: CPU above 90%");
    EXPECT_EQ(e.body, "CPU reached 95%.");
    EXPECT_FALSE(e.from_ai);
  }
  EXPECT_EQ(panel.take_wakeups(), 2);
}

// More rules true at once than the last-firing map used to hold: each still fires once per
// cooldown, not on every tick.
TEST(AlertDelivery, SixtySixRulesTrueAtOnceFireOnceEach) {
  TempDir dir;
  FakePanel panel;
  SharedState state;
  const std::string log = utf8(dir.file(L"many.log"));
  std::vector<std::string> texts;
  for (int i = 0; i < 66; ++i) texts.push_back("cpu>" + std::to_string(i) + "; cooldown=3600; nonotify; file=" + log);
  const auto rules = rules_of(texts);
  ASSERT_EQ(rules.size(), 66u);
  Snapshot tick;
  tick.cpu_pct = 99;
  AlertEvaluator evaluator;
  for (int i = 0; i < 3; ++i) evaluator.evaluate(rules, tick, state, panel.hwnd);
  evaluator.wait_for_log_lines();
  EXPECT_EQ(lines_of(read_file(dir.file(L"many.log"))).size(), 66u);
}

TEST(LogCap, AFullLogIsSetAsideReplacingTheOlderOneAndANewFileBegun) {
  TempDir dir;
  const std::wstring log = dir.file(L"zelmor.log");
  std::string full(kLogFileCapBytes - 3, 'x');
  full.back() = '\n';
  write_file(log, full);
  write_file(log + L".1", "older generation\n");

  EXPECT_EQ(append_to_file(log, "ab\n"), 0u);  // ends exactly at the cap: stays
  EXPECT_EQ(read_file(log + L".1"), "older generation\n");
  EXPECT_EQ(append_to_file(log, "c\n"), 0u);  // would pass it
  const std::string set_aside = read_file(log + L".1");
  EXPECT_EQ(set_aside.size(), kLogFileCapBytes);
  EXPECT_EQ(set_aside.substr(set_aside.size() - 5), "x\nab\n");
  EXPECT_EQ(read_file(log), "c\n");
}

TEST(LogCap, ARuleWithoutCooldownLogsEveryTickAcrossTheSwitch) {
  TempDir dir;
  FakePanel panel;
  SharedState state;
  const std::wstring log = dir.file(L"every.log");
  write_file(log, std::string(kLogFileCapBytes - 10, '-'));
  const auto rules = rules_of({"cpu>50; file=" + utf8(log) + "; cooldown=0; nonotify"});
  Snapshot tick;
  tick.cpu_pct = 80;
  AlertEvaluator evaluator;
  for (int i = 0; i < 3; ++i) evaluator.evaluate(rules, tick, state, panel.hwnd);
  evaluator.wait_for_log_lines();
  // The first line would already pass the cap: all three go to the new file, none is lost.
  EXPECT_EQ(read_file(log + L".1").size(), kLogFileCapBytes - 10);
  const auto lines = lines_of(read_file(log));
  ASSERT_EQ(lines.size(), 3u);
  for (const auto& line : lines) EXPECT_TRUE(std::regex_search(line, kStamp)) << line;
}

TEST(AlertDelivery, CooldownHoldsAcrossTicksOfOneEvaluator) {
  TempDir dir;
  FakePanel panel;
  SharedState state;
  const auto rules = rules_of({"cpu>50; file=" + utf8(dir.file(L"a.log"))});
  Snapshot tick;
  tick.cpu_pct = 80;
  AlertEvaluator evaluator;
  for (int i = 0; i < 4; ++i) evaluator.evaluate(rules, tick, state, panel.hwnd);
  evaluator.wait_for_log_lines();
  EXPECT_EQ(lines_of(read_file(dir.file(L"a.log"))).size(), 1u);
  EXPECT_EQ(take_queue(state).size(), 1u);
  EXPECT_EQ(panel.take_wakeups(), 1);

  AlertEvaluator restarted;  // the map is not saved: a new sampler fires at once
  restarted.evaluate(rules, tick, state, panel.hwnd);
  restarted.wait_for_log_lines();
  EXPECT_EQ(lines_of(read_file(dir.file(L"a.log"))).size(), 2u);
}

TEST(AlertDelivery, AFileInAMissingFolderIsReportedOnEveryFiringAndTheRestGoesOn) {
  TempDir dir;
  ProgramLogHere here(dir.path());
  FakePanel panel;
  SharedState state;
  const std::string missing = utf8(dir.file(L"no such folder\\x.log"));
  const std::string good = utf8(dir.file(L"good.log"));
  const auto rules = rules_of({"cpu>50; file=" + missing + "; cooldown=0", "cpu>50; file=" + good + "; cooldown=0; nonotify"});
  Snapshot tick;
  tick.cpu_pct = 80;
  AlertEvaluator evaluator;
  evaluator.evaluate(rules, tick, state, panel.hwnd);
  evaluator.evaluate(rules, tick, state, panel.hwnd);
  evaluator.wait_for_log_lines();

  const std::string expected = "rule log open failed (" + missing + "): " + system_error_text(ERROR_PATH_NOT_FOUND);
  EXPECT_EQ(lines_of(read_file(dir.file(L"zelmor.log"))), (std::vector<std::string>{expected, expected}));
  EXPECT_EQ(lines_of(read_file(dir.file(L"good.log"))).size(), 2u);
  EXPECT_EQ(take_queue(state).size(), 2u);  // the notification still goes out
  EXPECT_FALSE(file_exists(dir.file(L"no such folder")));
}

TEST(AlertDelivery, ARelativeLogFileLandsBesideTheSettingsNotInTheCurrentFolder) {
  TempDir settings_dir;
  TempDir current;  // stands in for the system folder the start-up task starts the monitor in
  ProgramLogHere here(settings_dir.path());
  wchar_t saved_cwd[MAX_PATH];
  ASSERT_GT(GetCurrentDirectoryW(MAX_PATH, saved_cwd), 0u);
  ASSERT_TRUE(SetCurrentDirectoryW(current.path().c_str()));
  FakePanel panel;
  SharedState state;
  const auto rules = rules_of({"cpu>50; file=alerts.log; nonotify", "cpu>50; file=logs\\cpu.log; nonotify"});
  Snapshot tick;
  tick.cpu_pct = 80;
  AlertEvaluator evaluator;
  evaluator.evaluate(rules, tick, state, panel.hwnd);
  evaluator.wait_for_log_lines();
  SetCurrentDirectoryW(saved_cwd);

  const auto lines = lines_of(read_file(settings_dir.file(L"alerts.log")));
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(lines[0].substr(22), "value=80.0 (rule: cpu>50; file=alerts.log; nonotify)");  // the rule as written
  EXPECT_FALSE(file_exists(current.file(L"alerts.log")));
  // A missing folder is not created; the failure names the path that was tried.
  EXPECT_EQ(lines_of(read_file(settings_dir.file(L"zelmor.log"))),
            std::vector<std::string>{"rule log open failed (" + utf8(settings_dir.file(L"logs\\cpu.log")) +
                                     "): " + system_error_text(ERROR_PATH_NOT_FOUND)});
}

TEST(AlertDelivery, APathWithANulCharacterIsRefusedNotCut) {
  TempDir dir;
  ProgramLogHere here(dir.path());
  FakePanel panel;
  SharedState state;
  const std::string cut = utf8(dir.file(L"cut.log"));
  const std::string path = cut + std::string(1, '\0') + "rest";
  const auto rules = rules_of({"cpu>50; nonotify; file=" + path});
  ASSERT_EQ(rules.size(), 1u);
  Snapshot tick;
  tick.cpu_pct = 80;
  AlertEvaluator evaluator;
  evaluator.evaluate(rules, tick, state, panel.hwnd);
  evaluator.wait_for_log_lines();
  EXPECT_FALSE(file_exists(dir.file(L"cut.log")));
  const std::string expected = "rule log open failed (" + path + "): " + system_error_text(ERROR_INVALID_NAME);
  EXPECT_EQ(lines_of(read_file(dir.file(L"zelmor.log"))), std::vector<std::string>{expected});
}

TEST(AlertDelivery, WritesIntoALogFileThatSomeoneElseHasOpen) {
  TempDir dir;
  FakePanel panel;
  SharedState state;
  const std::wstring path = dir.file(L"shared.log");
  UniqueFile reader(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                nullptr, CREATE_NEW, 0, nullptr));
  ASSERT_TRUE(reader.valid());
  Snapshot tick;
  tick.cpu_pct = 80;
  AlertEvaluator evaluator;
  evaluator.evaluate(rules_of({"cpu>50; file=" + utf8(path) + "; nonotify"}), tick, state, panel.hwnd);
  evaluator.wait_for_log_lines();
  EXPECT_EQ(lines_of(read_file(path)).size(), 1u);
  EXPECT_EQ(panel.take_wakeups(), 0);
}

// Under Wine the monitor runs with the user's own rights: files in the user's folders stay
// writable, new and existing alike.
TEST(AlertDelivery, TheSignedInUsersOwnFolderIsWritable) {
  TempDir dir(L"qv own");
  EXPECT_TRUE(signed_in_user_may_write(utf8(dir.file(L"new.log"))));
  write_file(dir.file(L"old.log"), "x\n");
  EXPECT_TRUE(signed_in_user_may_write(utf8(dir.file(L"old.log"))));
}

// Wine runs programs elevated with the user's unelevated token linked, as the start-up task
// runs the monitor on Windows, so the check is made for real here: a folder that refuses the
// user new files is refused in the program log's own words, and nothing is created there.
TEST(AlertDelivery, AnElevatedMonitorRefusesAFolderTheSignedInUserMayNotAddFilesTo) {
  ASSERT_TRUE(running_elevated_with_linked_token());
  TempDir dir;
  ProgramLogHere here(dir.path());
  const std::optional<std::string> sid = current_user_sid();
  ASSERT_TRUE(sid);
  const std::wstring closed = dir.file(L"closed");
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  ASSERT_TRUE(ConvertStringSecurityDescriptorToSecurityDescriptorW(
      widen("D:P(D;OICI;0x2;;;" + *sid + ")(A;OICI;GA;;;" + *sid + ")(A;OICI;GA;;;BA)(A;OICI;GA;;;SY)").c_str(),
      SDDL_REVISION_1, &descriptor, nullptr));
  SECURITY_ATTRIBUTES attributes{sizeof attributes, descriptor, FALSE};
  ASSERT_TRUE(CreateDirectoryW(closed.c_str(), &attributes));
  LocalFree(descriptor);

  const std::string path = utf8(closed + L"\\alerts.log");
  EXPECT_FALSE(signed_in_user_may_write(path));
  FakePanel panel;
  SharedState state;
  Snapshot tick;
  tick.cpu_pct = 80;
  AlertEvaluator evaluator;
  evaluator.evaluate(rules_of({"cpu>50; nonotify; file=" + path}), tick, state, panel.hwnd);
  evaluator.wait_for_log_lines();
  EXPECT_EQ(lines_of(read_file(dir.file(L"zelmor.log"))),
            std::vector<std::string>{"rule log open failed (" + path +
                                     "): the signed-in user may not write there (Quorvel runs as administrator and "
                                     "writes only where you could yourself); choose a file in a folder of your own"});
  EXPECT_FALSE(file_exists(closed + L"\\alerts.log"));
}

TEST(RuleStore, SavesTheSettingsAndReplacesTheListWithTheLinesThatParse) {
  TempDir dir;
  ProgramLogHere here(dir.path());
  Settings settings;
  auto state = make_shared_state(settings, parse_rule_lines({"cpu>1"}), "");
  settings.log = {"ram>80; off", "not a rule", "proc:x.exe:cpu>5"};
  save_and_reload_rules(settings, *state);
  {
    std::lock_guard lock(state->rules_mutex);
    ASSERT_EQ(state->rules.size(), 2u);
    EXPECT_EQ(state->rules[0].text, "ram>80; off");
    EXPECT_EQ(state->rules[1].text, "proc:x.exe:cpu>5");
  }
  const std::string saved = read_file(dir.file(L"zelmor.ini"));
  EXPECT_NE(saved.find("log1=ram>80; off\nlog2=not a rule\nlog3=proc:x.exe:cpu>5\n"), std::string::npos) << saved;
}

// The real program with a settings file of its own.
struct Monitor {
  TempDir dir{L"qv alerts"};
  Child child;
  HWND panel = nullptr;
  void start(const std::vector<std::string>& rule_lines, int interval_ms) {
    std::string ini = "interval_ms=" + std::to_string(interval_ms) + "\n";
    for (size_t i = 0; i < rule_lines.size(); ++i) ini += "log" + std::to_string(i + 1) + "=" + rule_lines[i] + "\n";
    start_with(ini);
  }
  void start_with(const std::string& ini) {
    write_file(dir.file(L"zelmor.ini"), ini);
    child = launch(quorvel_exe(), L"", {{L"LOCALAPPDATA", dir.path()}});
    panel = find_monitor_window(child);
  }
  ~Monitor() { kill(child); }
};

TEST(AlertsInTheProgram, AnAlwaysTrueRuleLogsOneLinePerTick) {
  Monitor m;
  const std::string log = utf8(m.dir.file(L"always.log"));
  m.start({"cpu>-1; file=" + log + "; cooldown=0; nonotify", "this is no rule; file=" + log}, 500);
  ASSERT_NE(m.panel, nullptr);
  ASSERT_TRUE(eventually([&] { return !read_file(m.dir.file(L"always.log")).empty(); }, 10000))
      << "no alert line within 10 s";
  const ULONGLONG t0 = GetTickCount64();
  const size_t first = lines_of(read_file(m.dir.file(L"always.log"))).size();
  Sleep(3000);
  const auto lines = lines_of(read_file(m.dir.file(L"always.log")));
  const double ticks = static_cast<double>(GetTickCount64() - t0) / 500.0;
  // One line per tick: a tick is the interval plus its own work, so never more than the
  // interval allows, and not far fewer.
  EXPECT_LE(static_cast<double>(lines.size() - first), ticks + 1) << lines.size();
  EXPECT_GE(static_cast<double>(lines.size() - first), ticks / 3) << lines.size();
  const std::regex line_form(R"(^\[\d{4}-\d\d-\d\d \d\d:\d\d:\d\d\] value=\d+\.\d \(rule: cpu>-1; file=.*; cooldown=0; nonotify\)$)");
  for (const auto& l : lines) EXPECT_TRUE(std::regex_match(l, line_form)) << l;
  const std::string tail = "(rule: cpu>-1; file=" + log + "; cooldown=0; nonotify)";
  ASSERT_GE(lines.back().size(), tail.size());
  EXPECT_EQ(lines.back().substr(lines.back().size() - tail.size()), tail);
}

// Notepad saves with a byte-order mark before the first line; that first setting still counts.
TEST(AlertsInTheProgram, ASettingsFileWithAByteOrderMarkKeepsItsFirstSetting) {
  Monitor m;
  const std::string log = utf8(m.dir.file(L"first.log"));
  m.start_with("\xEF\xBB\xBFlog1=cpu>-1; file=" + log + "; cooldown=0; nonotify\r\ninterval_ms=500\r\n");
  ASSERT_NE(m.panel, nullptr);
  EXPECT_TRUE(eventually([&] { return !read_file(m.dir.file(L"first.log")).empty(); }, 10000))
      << "the first line's rule wrote nothing within 10 s";
}

TEST(AlertsInTheProgram, TopProcessesListAtMostFive) {
  Monitor m;
  const std::string log = utf8(m.dir.file(L"top.log"));
  m.start({"cpu>-1; file=" + log + "; cooldown=0; nonotify; data=top"}, 500);
  ASSERT_NE(m.panel, nullptr);
  ASSERT_TRUE(eventually([&] { return lines_of(read_file(m.dir.file(L"top.log"))).size() >= 3; }, 12000));
  const std::regex entry(R"(^.+ cpu=\d+\.\d% ram=(\d+ B|\d+\.\d [KMGT]B)$)");
  for (const auto& l : lines_of(read_file(m.dir.file(L"top.log")))) {
    const size_t bar = l.find(" | top: ");
    ASSERT_NE(bar, std::string::npos) << l;  // the process table is read for such a rule
    std::vector<std::string> entries;
    const std::string list = l.substr(bar + 8);
    size_t start = 0;
    for (size_t sep; (sep = list.find(", ", start)) != std::string::npos; start = sep + 2) {
      entries.push_back(list.substr(start, sep - start));
    }
    entries.push_back(list.substr(start));
    EXPECT_GE(entries.size(), 1u) << l;
    EXPECT_LE(entries.size(), 5u) << l;
    for (const auto& e : entries) EXPECT_TRUE(std::regex_match(e, entry)) << e;
  }
}

TEST(AlertsInTheProgram, AMissingFolderIsReportedOnEveryFiringWhileOtherRulesWork) {
  Monitor m;
  const std::string missing = utf8(m.dir.file(L"gone\\a.log"));
  const std::string good = utf8(m.dir.file(L"good.log"));
  m.start({"cpu>-1; file=" + missing + "; cooldown=0; nonotify", "cpu>-1; file=" + good + "; cooldown=0; nonotify"},
          500);
  ASSERT_NE(m.panel, nullptr);
  ASSERT_TRUE(eventually([&] { return lines_of(read_file(m.dir.file(L"good.log"))).size() >= 3; }, 12000));
  const std::string expected = "rule log open failed (" + missing + "): " + system_error_text(ERROR_PATH_NOT_FOUND);
  // The broken rule comes first in every tick, so reading the good file first and the program
  // log second sees at least as many failures as good lines, and at most a tick or two more.
  const size_t good_lines = lines_of(read_file(m.dir.file(L"good.log"))).size();
  size_t failures = 0;
  for (const auto& l : lines_of(read_file(m.dir.file(L"zelmor.log")))) failures += l == expected ? 1 : 0;
  EXPECT_GE(failures, good_lines) << read_file(m.dir.file(L"zelmor.log"));
  EXPECT_LE(failures, good_lines + 2);
}

}  // namespace
}  // namespace qv::test
