// The AI tool pipe under Wine: the real quorvel.exe with its own LOCALAPPDATA and settings,
// spoken to by a real pipe client; and a load test against the same server code in-process.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <set>
#include <thread>
#include <vector>

#include "../unit/pipe_json_check.h"
#include "config/settings.h"
#include "core/shared_state.h"
#include "mcp_pipe/pipe_server_win.h"
#include "util/user_sid_win.h"
#include "pipe_client_win.h"
#include "sampler/publish.h"
#include "win_support.h"

namespace qv::test {
namespace {

constexpr const char* kNameHeldLine =
    "mcp pipe: the pipe name is held by another program; AI tools cannot connect until it lets go "
    "(Quorvel tries again every 5 seconds)\n";

const std::wstring kMonitorPipe = kPipeName;

// One monitor for a whole suite: started with its own settings, stopped at the end.
struct Monitor {
  TempDir dir{L"qv pipe"};
  Settings settings;
  Child child;

  explicit Monitor(Settings s) : settings(std::move(s)) {
    write_file(dir.file(L"zelmor.ini"), format_settings(settings));
    child = launch(quorvel_exe(), L"", {{L"LOCALAPPDATA", dir.path()}});
  }
  ~Monitor() { kill(child); }
  std::string program_log() const { return read_file(dir.file(L"zelmor.log")); }
  bool pipe_ready() const {
    return eventually([] { return pipe_request(kMonitorPipe, "rules", 200).has_value(); }, 20000);
  }
};

Settings base_settings(const std::wstring& agent_log) {
  Settings s;
  s.notify_presets = 1 | 4;
  s.notify_rules = {{true, "  tell me when \"deploy\" ends  "}, {false, "never this"}};
  s.agent_log_file = utf8(agent_log);
  return s;
}

class MonitorPipe : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    log_dir_ = new TempDir(L"qv agents");
    monitor_ = new Monitor(base_settings(log_dir_->file(L"agents log.txt")));
    ASSERT_TRUE(monitor_->pipe_ready());
  }
  static void TearDownTestSuite() {
    delete monitor_;
    delete log_dir_;
    monitor_ = nullptr;
    log_dir_ = nullptr;
  }
  static std::string ask(std::string_view message) { return pipe_request(kMonitorPipe, message).value_or("<no pipe>"); }

  static inline Monitor* monitor_ = nullptr;
  static inline TempDir* log_dir_ = nullptr;
};

TEST_F(MonitorPipe, SnapshotHistoryAndFpsReplies) {
  const std::string snap = ask("snapshot");
  EXPECT_TRUE(StrictJson::reply_line(snap)) << snap;
  EXPECT_EQ(snap.rfind(R"({"cpu_pct":)", 0), 0u) << snap;
  EXPECT_NE(snap.find(R"(,"per_app_network_available":)"), std::string::npos);
  const std::string crlf = ask("snapshot\r\n");
  EXPECT_TRUE(StrictJson::reply_line(crlf)) << crlf;
  EXPECT_EQ(crlf.rfind(R"({"cpu_pct":)", 0), 0u) << crlf;

  const std::string history = ask("history");
  EXPECT_TRUE(StrictJson::reply_line(history)) << history;
  EXPECT_EQ(history.rfind(R"({"samples":[)", 0), 0u) << history;

  const std::string fps = ask("fps");
  EXPECT_TRUE(StrictJson::reply_line(fps)) << fps;
  EXPECT_EQ(fps.rfind(R"({"tracking_available":)", 0), 0u) << fps;
}

TEST_F(MonitorPipe, TopAndApp) {
  // The first request for process figures, with the panel closed: it waits for a tick whose
  // per-process figures are measured, so one request is enough. The monitor is running; its
  // name in capitals still finds it.
  const std::string self = ask("app QUORVEL.EXE");
  EXPECT_TRUE(StrictJson::reply_line(self)) << self;
  EXPECT_EQ(self.rfind(R"({"name":"QUORVEL.EXE","running":true,"process_count":1,"pids":[)" +
                           std::to_string(monitor_->child.pid) + "],",
                       0),
            0u)
      << self;

  const std::string top = ask("top ram 3");
  EXPECT_TRUE(StrictJson::reply_line(top)) << top;
  EXPECT_EQ(top.rfind(R"({"metric":"ram","unit":"bytes","apps":[)", 0), 0u) << top;
  const std::string odd = ask("top we\"ird");
  EXPECT_EQ(odd.rfind(R"({"metric":"we\"ird","unit":"percent","apps":[)", 0), 0u) << odd;
  EXPECT_EQ(ask("app no such app.exe"), "{\"name\":\"no such app.exe\",\"running\":false}\n");
}

TEST_F(MonitorPipe, RulesReturnTheInstructionsForTheSettings) {
  // Presets 1 and 4 and the one enabled request of base_settings, trimmed, quotes escaped.
  EXPECT_EQ(ask("rules"),
            R"({"instructions":"The user of this machine has set notification preferences in Quorvel. )"
            R"(Use the `notify` tool to reach their desktop when:\n)"
            R"(  - a build, test run or other long-running task finishes\n  - you need their input to continue\n)"
            R"(Additional instructions from the user, follow them exactly:\n  - tell me when \"deploy\" ends\n)"
            R"(Also call `report_agents` when you start, finish or change what your sub-agents are doing, so the user )"
            R"(can see current activity in the app. Send the full current list each time; it replaces the previous one."})"
            "\n");
}

TEST_F(MonitorPipe, NotifyAndAgents) {
  EXPECT_EQ(ask("notify Build\tfinished"), "{\"ok\":true}\n");
  EXPECT_EQ(ask("notify"), "{\"ok\":true}\n");
  EXPECT_EQ(ask("agents s1\tWine test\t[{\"id\":\"A\",\"title\":\"Compile\",\"status\":\"running\"},"
                "{\"id\":\"B\",\"title\":\"Lint\",\"status\":\"failed\",\"detail\":\"2 errors\"}]"),
            "{\"ok\":true,\"agents\":1}\n");
  EXPECT_EQ(ask("agents s1\tWine test\t[]"), "{\"ok\":true,\"agents\":0}\n");
  EXPECT_EQ(ask("agents []"), "{\"ok\":true,\"agents\":0}\n");
  const std::wstring log = log_dir_->file(L"agents log.txt");
  std::string text;
  ASSERT_TRUE(eventually([&] { return (text = read_file(log)).find("Compile") != std::string::npos; }, 5000));
  // Lint first (finished by the first report), then Compile (vanished from the second).
  const size_t lint = text.find(" | agent failed | Lint | 2 errors | 0s\n");
  const size_t compile = text.find(" | agent done | Compile |  | ");
  EXPECT_NE(lint, std::string::npos) << text;
  EXPECT_NE(compile, std::string::npos) << text;
  EXPECT_LT(lint, compile);
  EXPECT_EQ(text[4], '-');
  EXPECT_EQ(text[19], ' ');
}

TEST_F(MonitorPipe, WhiteSpaceOnlyUnknownAndEmptyMessages) {
  EXPECT_EQ(ask(" \t\r\n "), "{\"error\":\"unknown command\"}\n");
  EXPECT_EQ(ask("SNAPSHOT"), "{\"error\":\"unknown command\"}\n");
  const ULONGLONG start = GetTickCount64();
  EXPECT_EQ(ask(""), "");  // a zero-byte message gets no reply
  const ULONGLONG took = GetTickCount64() - start;
  EXPECT_LT(took, static_cast<ULONGLONG>(kRequestTimeoutMs)) << "the empty message was not seen as a message";
  EXPECT_EQ(ask("rules").rfind("{\"instructions\":", 0), 0u);
}

TEST_F(MonitorPipe, TwoMessagesOnOneConnectionGetOneReply) {
  UniqueFile pipe = connect_pipe(kMonitorPipe);
  ASSERT_TRUE(pipe);
  ASSERT_TRUE(write_message(pipe.get(), "notify one"));
  write_message(pipe.get(), "snapshot");  // may fail once the server has hung up
  EXPECT_EQ(read_until_closed(pipe.get()), "{\"ok\":true}\n");
}

TEST_F(MonitorPipe, OversizedRequestIsDroppedAndTheNextClientServed) {
  UniqueFile pipe = connect_pipe(kMonitorPipe);
  ASSERT_TRUE(pipe);
  std::string big(2u << 20, 'x');
  big.replace(0, 7, "notify ");
  write_message(pipe.get(), big);  // fails part way when the server gives up on it
  EXPECT_EQ(read_until_closed(pipe.get()), "");
  pipe.reset();
  EXPECT_EQ(ask("agents []"), "{\"ok\":true,\"agents\":0}\n");
}

TEST_F(MonitorPipe, StalledClientsAreCutOffAfterTheBound) {
  // Connects and sends nothing. The clock starts before the connection, so it can only start
  // earlier than the server's.
  const ULONGLONG start = GetTickCount64();
  UniqueFile silent = connect_pipe(kMonitorPipe);
  ASSERT_TRUE(silent);
  // The next client waits for a free instance, then is served.
  std::string reply = ask("rules");
  const ULONGLONG waited = GetTickCount64() - start;
  EXPECT_EQ(reply.rfind("{\"instructions\":", 0), 0u) << reply;
  EXPECT_GE(waited, kRequestTimeoutMs - 100);
  EXPECT_LT(waited, kRequestTimeoutMs + 4000);
  EXPECT_EQ(read_until_closed(silent.get()), "");  // cut off without a reply
}

TEST_F(MonitorPipe, ClientThatNeverReadsItsReplyIsCutOffAfterTheBound) {
  // Replies read at once just before: the server's watch over earlier replies is still running.
  for (int i = 0; i < 3; ++i) EXPECT_EQ(ask("fps").rfind("{\"tracking_available\":", 0), 0u);
  const ULONGLONG start = GetTickCount64();
  UniqueFile deaf = connect_pipe(kMonitorPipe);
  ASSERT_TRUE(deaf);
  ASSERT_TRUE(write_message(deaf.get(), "rules"));
  // The server waits for the reply to be read, but not for ever.
  const std::string reply = ask("snapshot");
  const ULONGLONG waited = GetTickCount64() - start;
  EXPECT_EQ(reply.rfind("{\"cpu_pct\":", 0), 0u) << reply;
  EXPECT_GE(waited, kRequestTimeoutMs - 100);
  EXPECT_LT(waited, kRequestTimeoutMs + 4000);
}

TEST_F(MonitorPipe, ClientThatNeverReadsIsCutOffAfterAQuietSpellToo) {
  // Longer than the bound without a reply: the server's watch over replies has gone back to
  // waiting for a reply, and must wake for this one.
  EXPECT_EQ(ask("fps").rfind("{\"tracking_available\":", 0), 0u);
  Sleep(kRequestTimeoutMs + 1500);
  const ULONGLONG start = GetTickCount64();
  UniqueFile deaf = connect_pipe(kMonitorPipe);
  ASSERT_TRUE(deaf);
  ASSERT_TRUE(write_message(deaf.get(), "rules"));
  const std::string reply = ask("snapshot");
  const ULONGLONG waited = GetTickCount64() - start;
  EXPECT_EQ(reply.rfind("{\"cpu_pct\":", 0), 0u) << reply;
  EXPECT_GE(waited, kRequestTimeoutMs - 100);
  EXPECT_LT(waited, kRequestTimeoutMs + 4000);
}

TEST_F(MonitorPipe, ProgramLogNamesTheUsersSid) {
  const std::optional<std::string> sid = current_user_sid();
  ASSERT_TRUE(sid);
  EXPECT_EQ(sid->rfind("S-1-", 0), 0u);
  const std::string line = "mcp pipe acl: D:(D;;GA;;;NU)(A;;GA;;;" + *sid + ")(A;;GA;;;SY)(A;;GA;;;BA)\n";
  EXPECT_NE(monitor_->program_log().find(line), std::string::npos) << monitor_->program_log();
}

TEST(MonitorPipeDisabled, EveryRequestGetsTheDisabledError) {
  Settings s;
  s.mcp_enabled = false;
  Monitor monitor(s);
  ASSERT_TRUE(monitor.pipe_ready());
  for (const char* m : {"snapshot", "rules", "notify hi", "agents []", "nonsense", "  "}) {
    EXPECT_EQ(pipe_request(kMonitorPipe, m), "{\"error\":\"MCP is disabled in Quorvel settings\"}\n") << m;
  }
  EXPECT_EQ(pipe_request(kMonitorPipe, ""), "");
}

// At the longest interval the first tick after start-up comes 10 s later, and the one after it
// is the first with measured per-process figures: the request waits for it (about 20 s here)
// instead of giving up first and calling a running app not running.
TEST(MonitorPipeLongInterval, AppAnswersFromAMeasuredTickAtTheLongestInterval) {
  Settings s;
  s.interval_ms = 10000;
  Monitor monitor(s);
  ASSERT_TRUE(monitor.pipe_ready());
  const ULONGLONG start = GetTickCount64();
  const std::optional<std::string> self = pipe_request(kMonitorPipe, "app quorvel.exe", 30000);
  const ULONGLONG waited = GetTickCount64() - start;
  ASSERT_TRUE(self);
  EXPECT_EQ(self->rfind(R"({"name":"quorvel.exe","running":true,"process_count":1,"pids":[)" +
                            std::to_string(monitor.child.pid) + "],",
                        0),
            0u)
      << *self;
  EXPECT_LT(waited, 26000u);
}

// Pipe names are machine-wide. This test process plays another program (another user's, or a
// second elevated monitor) that made the monitor's pipe name first: the monitor must not join
// that name, where clients could reach either process, but wait and serve once it is free.
TEST(MonitorPipeSquatted, NeverJoinsANameAnotherProcessHoldsAndServesOnceItIsFree) {
  UniqueFile squatter(CreateNamedPipeW(kMonitorPipe.c_str(), PIPE_ACCESS_DUPLEX,
                                       PIPE_TYPE_MESSAGE | PIPE_READMODE_MESSAGE | PIPE_WAIT, 4, 4096, 4096, 0, nullptr));
  ASSERT_TRUE(squatter);
  // Our own client takes the squatter's only listening instance, so from here on a client can
  // reach the monitor only through an instance the monitor added to the squatted name.
  UniqueFile occupant = connect_pipe(kMonitorPipe, 5000);
  ASSERT_TRUE(occupant);

  // Where the system lets the first-instance flag pass (Wine), the monitor's instance exists for
  // a moment before it sees the other process's one and lets go; a client that connects in that
  // moment is cut off without a reply. Only a reply counts as the monitor answering.
  const auto reply_to = [](std::string_view message, DWORD connect_ms) {
    std::optional<std::string> reply = pipe_request(kMonitorPipe, message, connect_ms);
    if (reply && reply->empty()) reply.reset();
    return reply;
  };
  Monitor monitor{Settings{}};
  std::optional<std::string> answered;
  const bool waiting = eventually(
      [&] {
        if (monitor.program_log().find(kNameHeldLine) != std::string::npos) return true;
        answered = reply_to("rules", 50);
        return answered.has_value();
      },
      20000);
  ASSERT_TRUE(waiting) << "the monitor neither said the name is taken nor answered";
  ASSERT_FALSE(answered.has_value()) << "the monitor answered through a name another process holds: " << *answered;
  // It has failed to claim the name, so nothing of it answers there.
  EXPECT_EQ(reply_to("rules", 1000), std::nullopt);

  occupant.reset();
  squatter.reset();
  // It retries every 5 seconds.
  std::optional<std::string> reply;
  ASSERT_TRUE(eventually([&] { return (reply = reply_to("rules", 200)).has_value(); }, 15000));
  EXPECT_EQ(reply->rfind("{\"instructions\":", 0), 0u) << *reply;
  const std::string log = monitor.program_log();
  const size_t first = log.find(kNameHeldLine);
  ASSERT_NE(first, std::string::npos);
  EXPECT_EQ(log.find(kNameHeldLine, first + 1), std::string::npos) << log;
  EXPECT_EQ(log.find("CreateNamedPipeW failed"), std::string::npos) << log;
}

// Eight clients for a while against the server code in this process, on a pipe of its own so
// the monitor's tests are not disturbed. Each client connects once per request.
TEST(PipeServerLoad, EightClientsMixedCommands) {
  // Unique per run: a server from an earlier repetition still owns its own name.
  static int run = 0;
  const std::wstring name =
      L"\\\\.\\pipe\\qv-load-" + std::to_wstring(GetCurrentProcessId()) + L"-" + std::to_wstring(++run);
  auto state = std::make_shared<SharedState>();
  Snapshot s;
  ProcessSample p;
  p.name = "load.exe";
  p.pid = 4;
  p.cpu_pct = 3;
  s.processes = {p};
  s.processes_measured = true;
  publish(*state, s, summarise(s, 1));
  state->panel_open = true;  // top and app answer from the current record without waiting
  std::thread([name, state] { serve_pipe(name, state, nullptr); }).detach();

  DWORD seconds = 30;
  if (const char* env = std::getenv("QV_PIPE_LOAD_SECONDS")) seconds = static_cast<DWORD>(std::atoi(env));
  const ULONGLONG end = GetTickCount64() + seconds * 1000ull;
  std::atomic<int> bad{0}, lost{0};
  std::vector<std::vector<std::string>> sent_bodies(8);
  std::vector<int> counts(8, 0);
  std::vector<std::thread> clients;
  for (int t = 0; t < 8; ++t) {
    clients.emplace_back([&, t] {
      const char* fixed[] = {"snapshot", "history", "fps", "rules", "top", "app load.exe", "bogus"};
      for (int i = 0; GetTickCount64() < end; ++i) {
        std::string message;
        const bool is_notify = i % 3 == 0;
        if (is_notify) {
          message = "notify load\t" + std::to_string(t) + "-" + std::to_string(i);
        } else if (i % 3 == 1) {
          message = "agents t" + std::to_string(t) + "\tL\t[{\"id\":\"" + std::to_string(i % 5) + "\",\"title\":\"x\"}]";
        } else {
          message = fixed[(i / 3) % 7];
        }
        const std::optional<std::string> reply = pipe_request(name, message, 30000);
        if (!reply) {
          ++lost;
          continue;
        }
        if (!StrictJson::reply_line(*reply) || reply->find('\n') != reply->size() - 1) {
          ++bad;
          continue;
        }
        if (is_notify && *reply == "{\"ok\":true}\n") sent_bodies[t].push_back(message.substr(12));
        ++counts[t];
      }
    });
  }
  for (auto& c : clients) c.join();
  EXPECT_EQ(bad.load(), 0);
  EXPECT_EQ(lost.load(), 0);
  int total = 0;
  for (int c : counts) total += c;
  std::printf("load: %d replies from 8 clients in %lu s\n", total, seconds);
  EXPECT_GT(total, 8);

  // Still answering afterwards.
  EXPECT_EQ(pipe_request(name, "agents []"), "{\"ok\":true,\"agents\":0}\n");

  std::multiset<std::string> queued;
  {
    std::lock_guard lock(state->notifications_mutex);
    for (const auto& n : state->notifications) {
      EXPECT_EQ(n.title, "load");
      EXPECT_TRUE(n.from_ai);
      queued.insert(n.body);
    }
  }
  size_t sent = 0;
  for (const auto& bodies : sent_bodies) {
    for (const auto& b : bodies) {
      EXPECT_EQ(queued.count(b), 1u) << b;
      ++sent;
    }
  }
  EXPECT_EQ(queued.size(), sent);  // nothing queued that was not answered, nothing twice
}

}  // namespace
}  // namespace qv::test
