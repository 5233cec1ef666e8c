// The agent log file and the sampler's per-tick agent step, against the real file system.
#include <gtest/gtest.h>

#include <map>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "agents/agent_housekeeping_win.h"
#include "agents/agent_log_win.h"
#include "agents/agent_registry.h"
#include "core/shared_state.h"
#include "sampler/publish.h"
#include "util/program_log_win.h"
#include "util/wide_win.h"
#include "win_support.h"

namespace qv::test {
namespace {

void set_log_file(SharedState& state, const std::string& path) {
  std::lock_guard lock(state.agent_log_file_mutex);
  state.agent_log_file = path;
}

TEST(PipeAgentLog, HousekeepingAbandonsSilentAgentsAndAppendsThem) {
  TempDir dir;
  const std::wstring log = dir.file(L"agents.log");
  SharedState state;
  set_log_file(state, "  " + utf8(log) + " ");  // the path is trimmed
  const uint64_t now = unix_now_ms();
  report_agents(state, "s", "Tool", R"([{"id":"A","title":"Slow job","detail":"step 2"}])", now - kAgentAbandonMs - 65'000);
  EXPECT_FALSE(agent_housekeeping(state, now - kAgentAbandonMs - 1000));  // not yet
  EXPECT_FALSE(file_exists(log));
  EXPECT_TRUE(agent_housekeeping(state, now));
  EXPECT_FALSE(agent_housekeeping(state, now));  // only once
  const std::string text = read_file(log);
  ASSERT_EQ(text.size(), 19u + std::string(" | agent abandoned | Slow job | step 2 | 0s\n").size()) << text;
  EXPECT_EQ(text.substr(19), " | agent abandoned | Slow job | step 2 | 0s\n");
  // Local date and time, "YYYY-MM-DD HH:MM:SS".
  SYSTEMTIME t{};
  GetLocalTime(&t);
  EXPECT_EQ(text.substr(0, 5), std::to_string(t.wYear) + "-");
  EXPECT_EQ(text[10], ' ');
  EXPECT_EQ(text[13], ':');

  // Appends, never rewrites.
  append_agent_log(state, {{"B", "Second", "done", "ok", "Tool", 0, 3'700'000}});
  const std::string after = read_file(log);
  EXPECT_EQ(after.substr(0, text.size()), text);
  EXPECT_EQ(after.substr(text.size() + 19), " | agent done | Second | ok | 1h 01m\n");
}

TEST(PipeAgentLog, AgentsFinishingOnSeveralThreadsAtOnceAreAllLogged) {
  TempDir dir;
  const std::wstring log = dir.file(L"agents.log");
  SharedState state;
  set_log_file(state, utf8(log));
  // The pipe's thread and the sampler's both append; more threads make a clash likelier.
  std::vector<std::thread> threads;
  for (int t = 0; t < 6; ++t) {
    threads.emplace_back([&state, t] {
      const std::string title = "thread " + std::to_string(t);
      for (int i = 0; i < 1000; ++i) append_agent_log(state, {{"A", title, "done", "", "L", 0, 0}});
    });
  }
  for (auto& thread : threads) thread.join();
  std::map<std::string, int> lines_per_thread;
  std::istringstream text(read_file(log));
  for (std::string line; std::getline(text, line);) ++lines_per_thread[line.size() > 19 ? line.substr(19) : line];
  const std::map<std::string, int> expected{
      {" | agent done | thread 0 |  | 0s", 1000}, {" | agent done | thread 1 |  | 0s", 1000},
      {" | agent done | thread 2 |  | 0s", 1000}, {" | agent done | thread 3 |  | 0s", 1000},
      {" | agent done | thread 4 |  | 0s", 1000}, {" | agent done | thread 5 |  | 0s", 1000}};
  EXPECT_EQ(lines_per_thread, expected);
}

TEST(PipeAgentLog, NoPathMeansNoLogAndAnUnopenableFileIsReported) {
  TempDir dir;
  ScopedLocalAppData local(dir.path());
  SharedState state;
  append_agent_log(state, {{"A", "t", "done", "", "L", 0, 0}});  // empty path: nothing happens

  const std::wstring folder = dir.file(L"a folder");
  CreateDirectoryW(folder.c_str(), nullptr);
  set_log_file(state, utf8(folder));  // a directory cannot be opened for appending
  const auto program_log = *local_app_data_dir() + L"\\zelmor.log";
  const size_t before = read_file(program_log).size();
  append_agent_log(state, {{"A", "t", "done", "", "L", 0, 0}});
  const std::string added = read_file(program_log).substr(before);
  ASSERT_FALSE(added.empty());
  EXPECT_EQ(added.rfind("agent log open failed (" + utf8(folder) + "): ", 0), 0u) << added;
  EXPECT_GT(added.size(), std::string("agent log open failed (" + utf8(folder) + "): \n").size());
  EXPECT_EQ(added.back(), '\n');
}

// The monitor started at log-on runs in the system folder: a relative or drive-relative agent log
// is written beside the settings, as a rule's log is.
TEST(PipeAgentLog, RelativeAndDriveRelativePathsLandBesideTheSettings) {
  TempDir dir;
  ScopedLocalAppData local(dir.path());
  SharedState state;
  set_log_file(state, "agents here.log");
  append_agent_log(state, {{"A", "First", "done", "", "L", 0, 0}});
  set_log_file(state, "C:drive.log");
  append_agent_log(state, {{"B", "Second", "done", "", "L", 0, 0}});
  const std::string first = read_file(dir.file(L"agents here.log"));
  const std::string second = read_file(dir.file(L"drive.log"));
  ASSERT_GT(first.size(), 19u) << "nothing beside the settings";
  ASSERT_GT(second.size(), 19u) << "nothing beside the settings";
  EXPECT_EQ(first.substr(19), " | agent done | First |  | 0s\n");
  EXPECT_EQ(second.substr(19), " | agent done | Second |  | 0s\n");
}

TEST(PipeAgentLog, DefaultPathFollowsLocalAppData) {
  ScopedLocalAppData local(L"D:\\Users\\Zoë\\AppData\\Local");
  EXPECT_EQ(default_agent_log_path(), "D:\\Users\\Zoë\\AppData\\Local\\zelmor-agents.log");
  SetEnvironmentVariableW(L"LOCALAPPDATA", nullptr);
  EXPECT_EQ(default_agent_log_path(), "C:\\zelmor-agents.log");
}

}  // namespace
}  // namespace qv::test
