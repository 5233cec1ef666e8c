#include "procinfo/apps.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace qv {
namespace {

ProcessSample proc(const char* name, uint32_t pid, float cpu = 0) {
  ProcessSample p;
  p.name = name;
  p.pid = pid;
  p.cpu_pct = cpu;
  return p;
}

std::vector<std::string> names(const std::vector<App>& apps) {
  std::vector<std::string> out;
  for (const auto& a : apps) out.push_back(a.name);
  return out;
}

TEST(Apps, MetricSelectorPicksOneField) {
  ProcessSample p;
  p.cpu_pct = 1.5f;
  p.ram_bytes = 2;
  p.ram_with_shared_bytes = 99;
  p.gpu_pct = 3.5f;
  p.disk_bps = 4;
  p.net_bps = 5;
  p.audio_peak = 0.25f;
  const double expected[] = {1.5, 2, 3.5, 4, 5, 0.25};
  for (int sel = 0; sel < 6; ++sel) EXPECT_DOUBLE_EQ(metric_value(p, sel), expected[sel]) << sel;
  EXPECT_DOUBLE_EQ(metric_value(p, -1), 1.5);
  EXPECT_DOUBLE_EQ(metric_value(p, 6), 1.5);
}

TEST(Apps, GroupsByExactNameKeepingPidOrder) {
  std::vector<ProcessSample> ps{proc("chrome.exe", 10, 1), proc("Chrome.exe", 11, 2), proc("chrome.exe", 12, 3),
                                proc("code.exe", 13, 0)};
  auto apps = group_apps(ps, 0, "");
  ASSERT_EQ(apps.size(), 3u);
  for (const auto& a : apps) {
    if (a.name == "chrome.exe") {
      EXPECT_DOUBLE_EQ(a.sum, 4.0);
      EXPECT_EQ(a.pids, (std::vector<uint32_t>{10, 12}));
    } else if (a.name == "Chrome.exe") {
      EXPECT_EQ(a.pids, (std::vector<uint32_t>{11}));
    }
  }
}

TEST(Apps, FilterIsALowerCaseSubstringOfTheName) {
  std::vector<ProcessSample> ps{proc("Chrome.exe", 1), proc("\xC3\x89" "DITEUR.exe", 2), proc("code.exe", 3)};
  EXPECT_EQ(names(group_apps(ps, 0, "chrome")), (std::vector<std::string>{"Chrome.exe"}));
  EXPECT_EQ(names(group_apps(ps, 0, "\xC3\xA9" "dit")), (std::vector<std::string>{"\xC3\x89" "DITEUR.exe"}));
  EXPECT_EQ(group_apps(ps, 0, ".exe").size(), 3u);
  EXPECT_TRUE(group_apps(ps, 0, "firefox").empty());
}

TEST(Apps, RankingLargestFirstTiesByLowerCaseName) {
  std::vector<App> apps{{"Beta.exe", 5, {1}}, {"alpha.exe", 5, {2}}, {"idle.exe", 0, {3}}, {"big.exe", 9, {4}},
                        {"Gamma.exe", 1, {5}}};
  EXPECT_EQ(names(rank_apps(apps, 10, false)),
            (std::vector<std::string>{"big.exe", "alpha.exe", "Beta.exe", "Gamma.exe"}));
  EXPECT_EQ(names(rank_apps(apps, 2, false)), (std::vector<std::string>{"big.exe", "alpha.exe"}));
  EXPECT_EQ(names(rank_apps(apps, 10, true)).back(), "idle.exe") << "a search also lists idle apps";
  EXPECT_TRUE(rank_apps(apps, 0, false).empty());
}

TEST(Apps, RankingSurvivesSumsThatCannotBeCompared) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  std::vector<App> apps{{"n1.exe", nan, {}}, {"a.exe", 2, {}}, {"n0.exe", nan, {}}, {"b.exe", 0, {}}};
  EXPECT_EQ(names(rank_apps(apps, 10, false)), (std::vector<std::string>{"a.exe"}));
  EXPECT_EQ(names(rank_apps(apps, 10, true)), (std::vector<std::string>{"a.exe", "b.exe", "n0.exe", "n1.exe"}));
}

TEST(Apps, RunningIgnoresAsciiCaseButNeedsTheWholeName) {
  std::vector<ProcessSample> ps{proc("chrome.exe", 1), proc("code.exe", 2)};
  EXPECT_TRUE(is_running(ps, "CHROME.EXE"));
  EXPECT_TRUE(is_running(ps, "chrome.exe"));
  EXPECT_FALSE(is_running(ps, "chrome"));
  EXPECT_FALSE(is_running(ps, "hrome.exe"));
  EXPECT_FALSE(is_running({}, "chrome.exe"));
}

TEST(RoleLabels, EveryRowOfTheTable) {
  const struct {
    const char* command_line;
    const char* label;
  } cases[] = {
      {R"("C:\Apps\Browser\browser.exe" --no-startup-window)", "Main process"},
      {R"(C:\Windows\notepad.exe)", "Main process"},
      {"", ""},
      {R"(browser.exe --type=gpu-process --field-trial-handle=1)", "GPU process"},
      {R"(browser.exe --type=renderer --lang=en)", "Renderer"},
      {R"(browser.exe --type=renderer --extension-process --lang=en)", "Extension"},
      {R"(browser.exe --type=renderer --flags=--extension-process-x)", "Extension"},
      {R"(browser.exe --type=utility)", "Utility"},
      {R"(browser.exe --type=utility --utility-sub-type=network.mojom.NetworkService)", "Network Service"},
      {R"(browser.exe --type=utility --utility-sub-type="storage.mojom.StorageService")", "Storage Service"},
      {R"(browser.exe --type=utility --utility-sub-type=AudioService)", "Audio Service"},
      {R"(browser.exe --type=crashpad-handler --database=x)", "Crashpad handler"},
      {R"(browser.exe --type=broker)", "Broker"},
      {R"(browser.exe --type=zygote)", "Zygote"},
      {R"(browser.exe --type="ppapi")", "ppapi"},
      {R"(browser.exe --type=ppapiBroker)", "ppapi Broker"},
      {"browser.exe\t--type=gpu-process\r\n", "GPU process"},
      {R"(browser.exe --mytype=renderer --type=zygote --type=broker)", "Zygote"},
  };
  for (const auto& c : cases) EXPECT_EQ(role_label_from_command_line(c.command_line), c.label) << c.command_line;
}

TEST(RoleLabels, SplitIntoWordsOnlyBeforeLaterCapitals) {
  EXPECT_EQ(split_into_words("NetworkService"), "Network Service");
  EXPECT_EQ(split_into_words("renderer"), "renderer");
  EXPECT_EQ(split_into_words("GPU"), "G P U");
  EXPECT_EQ(split_into_words(""), "");
  EXPECT_EQ(split_into_words("\xC3\x89tatX"), "\xC3\x89tat X") << "only ASCII capitals split";
}

TEST(ProcessRowFilter, LabelOrPid) {
  EXPECT_TRUE(matches_filter(4120, "Renderer", "12"));
  EXPECT_TRUE(matches_filter(4120, "", "12"));
  EXPECT_TRUE(matches_filter(77, "GPU process", "gpu"));
  EXPECT_FALSE(matches_filter(77, "Renderer", "gpu"));
  EXPECT_TRUE(matches_filter(77, "Renderer", ""));
  EXPECT_FALSE(matches_filter(4120, "Renderer", "13"));
}

}  // namespace
}  // namespace qv
