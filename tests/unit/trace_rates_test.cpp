#include "etw/trace_rates.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <map>

namespace qv {
namespace {

// A path reader over a fixed table that records which pids it was asked for.
struct FakeProcesses {
  std::map<uint32_t, std::string> paths;
  std::vector<uint32_t> asked;
  ImageNameCache::PathReader reader() {
    return [this](uint32_t pid) -> std::optional<std::string> {
      asked.push_back(pid);
      auto it = paths.find(pid);
      if (it == paths.end()) return std::nullopt;
      return it->second;
    };
  }
};

TEST(FrameRates, TruncatesOverTheMeasuredInterval) {
  EXPECT_EQ(frames_per_second(144, 1.000), 144u);
  EXPECT_EQ(frames_per_second(144, 1.013), 142u);
  EXPECT_EQ(frames_per_second(1, 0.5), 2u);
  EXPECT_EQ(frames_per_second(0, 1.0), 0u);
  EXPECT_EQ(frames_per_second(UINT64_MAX, 0.001), UINT32_MAX);
  EXPECT_EQ(frames_per_second(4294967295ull, 1.0), UINT32_MAX);
  EXPECT_EQ(frames_per_second(4294967296ull, 1.0), UINT32_MAX);
}

TEST(ByteRates, TruncateAndSaturate) {
  EXPECT_EQ(bytes_per_second(1000, 0.3), 3333u);
  EXPECT_EQ(bytes_per_second(0, 1), 0u);
  EXPECT_EQ(bytes_per_second(-5, 1), 0u);
  EXPECT_EQ(bytes_per_second(std::nan(""), 1), 0u);
  EXPECT_EQ(bytes_per_second(1e30, 1), UINT64_MAX);
  EXPECT_EQ(bytes_per_second(18446744073709551616.0, 1), UINT64_MAX);
}

TEST(FrameRates, ThresholdsForListingAndForTheHeadline) {
  FakeProcesses procs;
  procs.paths = {{10, "C:\\Apps\\clock.exe"}, {11, "C:\\Apps\\slow.exe"}, {12, "C:\\Apps\\viewer.exe"}};
  ImageNameCache names(procs.reader());
  Snapshot s;
  // Over 2 s: 3 frames is 1.5 fps, 4 is exactly 2, 9 is 4.5.
  select_presenting_apps({{10, 3}, {11, 4}, {12, 9}}, 2.0, names, s);
  ASSERT_EQ(s.presenting_apps.size(), 2u);
  EXPECT_EQ(s.presenting_apps[0], (PresentingApp{12, "viewer.exe", 4}));
  EXPECT_EQ(s.presenting_apps[1], (PresentingApp{11, "slow.exe", 2}));
  EXPECT_FALSE(s.fps.has_value());  // 4 fps is listed but is not the frame-rate app
  // A pid below the listing threshold is never looked up.
  EXPECT_EQ(std::count(procs.asked.begin(), procs.asked.end(), 10u), 0);

  select_presenting_apps({{12, 10}, {11, 4}}, 2.0, names, s);
  ASSERT_TRUE(s.fps.has_value());
  EXPECT_EQ(*s.fps, (PresentingApp{12, "viewer.exe", 5}));
}

TEST(FrameRates, HighestFirstAndAnEmptyTickClearsEverything) {
  FakeProcesses procs;
  procs.paths = {{1, "a.exe"}, {2, "D:\\g\\game.exe"}, {3, "C:\\x\\video.exe"}};
  ImageNameCache names(procs.reader());
  Snapshot s;
  select_presenting_apps({{1, 30}, {2, 144}, {3, 60}}, 1.0, names, s);
  ASSERT_EQ(s.presenting_apps.size(), 3u);
  EXPECT_EQ(s.presenting_apps[0].name, "game.exe");
  EXPECT_EQ(s.presenting_apps[1].name, "video.exe");
  EXPECT_EQ(s.presenting_apps[2].name, "a.exe");  // no backslash: the whole text
  EXPECT_EQ(s.fps->pid, 2u);
  select_presenting_apps({}, 1.0, names, s);
  EXPECT_TRUE(s.presenting_apps.empty());
  EXPECT_FALSE(s.fps.has_value());
}

TEST(FrameRates, CompositorIsLeftOutInAnyLetterCase) {
  for (const char* path : {"C:\\Windows\\System32\\dwm.exe", "C:\\WINDOWS\\system32\\DWM.EXE", "Dwm.Exe"}) {
    FakeProcesses procs;
    procs.paths = {{88, path}, {5, "C:\\app.exe"}};
    ImageNameCache names(procs.reader());
    Snapshot s;
    select_presenting_apps({{88, 240}, {5, 30}}, 1.0, names, s);
    ASSERT_EQ(s.presenting_apps.size(), 1u) << path;
    EXPECT_EQ(s.presenting_apps[0].name, "app.exe");
    EXPECT_EQ(s.fps->name, "app.exe");  // the compositor never takes the headline either
  }
  EXPECT_FALSE(is_desktop_compositor("dwm.exe.bak"));
  EXPECT_FALSE(is_desktop_compositor("xdwm.exe"));
}

TEST(ImageNames, UnreadableProcessesAreNamedByPidAndCachedLikeOthers) {
  FakeProcesses procs;
  ImageNameCache names(procs.reader());
  Snapshot s;
  select_presenting_apps({{4711, 60}}, 1.0, names, s);
  ASSERT_EQ(s.presenting_apps.size(), 1u);
  EXPECT_EQ(s.presenting_apps[0].name, "pid 4711");
  procs.paths[4711] = "C:\\late.exe";  // a cached failure is not retried
  EXPECT_EQ(names.name(4711), "pid 4711");
  EXPECT_EQ(procs.asked.size(), 1u);
}

TEST(ImageNames, CacheHoldsAtMost257AndStartsOverBeyond) {
  FakeProcesses procs;
  for (uint32_t pid = 1; pid <= 300; ++pid) procs.paths[pid] = "p" + std::to_string(pid) + ".exe";
  ImageNameCache names(procs.reader());
  for (uint32_t pid = 1; pid <= 257; ++pid) names.name(pid);
  EXPECT_EQ(names.size(), 257u);
  EXPECT_EQ(procs.asked.size(), 257u);
  names.name(100);  // a hit neither grows nor empties the cache
  EXPECT_EQ(names.size(), 257u);
  EXPECT_EQ(procs.asked.size(), 257u);
  EXPECT_EQ(names.name(258), "p258.exe");  // the 258th name empties the cache first
  EXPECT_EQ(names.size(), 1u);
  names.name(100);  // and so pid 100 is read again
  EXPECT_EQ(procs.asked.size(), 259u);
  EXPECT_EQ(procs.asked.back(), 100u);
}

TEST(NetworkRates, SentPlusReceivedOverTheIntervalReplacingTheLastTick) {
  std::unordered_map<uint32_t, uint64_t> rates{{999, 5}};
  network_rates({{10, NetBytes{1500, 500}}, {11, NetBytes{0, 1}}}, 2.0, rates);
  EXPECT_EQ(rates, (std::unordered_map<uint32_t, uint64_t>{{10, 1000}, {11, 0}}));
  // Two counters near the top of the range saturate rather than wrap around.
  network_rates({{12, NetBytes{UINT64_MAX, UINT64_MAX}}}, 1.0, rates);
  EXPECT_EQ(rates, (std::unordered_map<uint32_t, uint64_t>{{12, UINT64_MAX}}));
  network_rates({}, 1.0, rates);
  EXPECT_TRUE(rates.empty());
}

}  // namespace
}  // namespace qv

namespace qv {
namespace {

// A pid that stops presenting (its process ended) may be handed to another process: the next
// one to present under it is looked up afresh rather than shown under the old name.
TEST(FrameRates, AReusedPidIsLookedUpAfresh) {
  std::unordered_map<uint32_t, std::string> paths = {{7, "C:\\Games\\game.exe"}};
  ImageNameCache names([&](uint32_t pid) -> std::optional<std::string> {
    auto it = paths.find(pid);
    if (it == paths.end()) return std::nullopt;
    return it->second;
  });
  Snapshot s;
  select_presenting_apps({{7, 60}}, 1.0, names, s);
  EXPECT_EQ(s.fps->name, "game.exe");
  select_presenting_apps({{7, 61}, {9, 1}}, 1.0, names, s);  // still presenting: no new look-up
  paths[7] = "C:\\Tools\\editor.exe";
  select_presenting_apps({{7, 62}}, 1.0, names, s);
  EXPECT_EQ(s.fps->name, "game.exe") << "a pid that keeps presenting keeps its name";
  select_presenting_apps({}, 1.0, names, s);  // the game ended
  EXPECT_EQ(names.size(), 0u);
  select_presenting_apps({{7, 30}}, 1.0, names, s);
  EXPECT_EQ(s.fps->name, "editor.exe");
}

}  // namespace
}  // namespace qv
