// The dispatcher against a real SharedState: gate, commands that change state, and the reply
// line of every command.
#include <gtest/gtest.h>

#include <limits>

#include "agents/agent_registry.h"
#include "core/shared_state.h"
#include "mcp_pipe/dispatcher.h"
#include "mcp_pipe/replies.h"
#include "pipe_json_check.h"
#include "sampler/publish.h"

namespace qv {
namespace {

struct Link {
  SharedState state;
  int wakes = 0;
  std::vector<std::vector<FinishedAgent>> logged;
  std::vector<std::string> program_log;
  LinkHooks hooks{[this] { ++wakes; }, [this](const std::vector<FinishedAgent>& e) { logged.push_back(e); },
                  [this](const std::string& line) { program_log.push_back(line); }};

  std::optional<std::string> answer(std::string_view message) { return answer_message(message, state, hooks); }
  std::vector<NotificationEntry> take_notifications() {
    std::lock_guard lock(state.notifications_mutex);
    std::vector<NotificationEntry> out(state.notifications.begin(), state.notifications.end());
    state.notifications.clear();
    return out;
  }
};

TEST(PipeDispatch, EmptyWhiteSpaceAndUnknownMessages) {
  Link link;
  EXPECT_EQ(link.answer(""), std::nullopt);
  EXPECT_EQ(link.answer(" \r\n"), R"({"error":"unknown command"})" "\n");
  EXPECT_EQ(link.answer("Snapshot"), R"({"error":"unknown command"})" "\n");  // case-sensitive
  EXPECT_EQ(link.answer("notify\tx"), R"({"error":"unknown command"})" "\n");
  EXPECT_EQ(link.answer("\xff\xfe"), R"({"error":"unknown command"})" "\n");
  EXPECT_EQ(link.wakes, 0);
}

TEST(PipeDispatch, DisabledLinkRefusesEverythingAndChangesNothing) {
  Link link;
  link.state.mcp_enabled = false;
  for (const char* m : {"snapshot", "notify hi", "agents [{\"title\":\"x\"}]", "bogus", " "}) {
    EXPECT_EQ(link.answer(m), R"({"error":"MCP is disabled in Quorvel settings"})" "\n") << m;
  }
  EXPECT_EQ(link.answer(""), std::nullopt);
  EXPECT_TRUE(link.take_notifications().empty());
  EXPECT_TRUE(link.state.agent_sessions.empty());
  EXPECT_EQ(link.wakes, 0);
}

TEST(PipeDispatch, SnapshotWithTrailingCrLfAndIgnoredWords) {
  Link link;
  Snapshot s;
  s.cpu_pct = 50;
  publish(link.state, s, summarise(s, 123));
  const std::string expected = format_snapshot_reply(s) + "\n";
  EXPECT_EQ(link.answer("snapshot\r\n"), expected);
  EXPECT_EQ(link.answer("snapshot extra words here"), expected);
  EXPECT_EQ(link.answer("history"), R"({"samples":[{"unix_ms":123,"cpu_pct":50.0,"mem_pct":0.0,"gpu_pct":0.0,)"
                                    R"("disk_bps":0,"net_bps":0,"fps":0}]})" "\n");
  EXPECT_EQ(link.answer("fps please"), R"({"tracking_available":false,"presenting_apps":[]})" "\n");
}

TEST(PipeDispatch, NotifyQueuesAndWakesThePanel) {
  Link link;
  EXPECT_EQ(link.answer("notify Done building"), R"({"ok":true})" "\n");
  EXPECT_EQ(link.answer("notify Tests\tAll green\r\n"), R"({"ok":true})" "\n");
  EXPECT_EQ(link.answer("notify"), R"({"ok":true})" "\n");
  EXPECT_EQ(link.wakes, 3);
  const std::vector<NotificationEntry> expected = {
      {"Claude Code", "Done building", true}, {"Tests", "All green", true}, {"Claude Code", "", true}};
  EXPECT_EQ(link.take_notifications(), expected);
}

TEST(PipeDispatch, AgentsUpdateTheRegistryAndLogFinishedOnes) {
  Link link;
  EXPECT_EQ(link.answer("agents []"), R"({"ok":true,"agents":0})" "\n");
  ASSERT_EQ(link.state.agent_sessions.size(), 1u);
  EXPECT_EQ(link.state.agent_sessions[0].id, "legacy");
  EXPECT_EQ(link.state.agent_sessions[0].label, "AI assistant");
  EXPECT_EQ(link.answer("agents s1\tTool\t[{\"id\":\"a\",\"title\":\"A\"},{\"id\":\"b\",\"title\":\"B\"},"
                        "{\"id\":\"c\",\"title\":\"C\",\"status\":\"done\"}]"),
            R"({"ok":true,"agents":2})" "\n");
  ASSERT_EQ(link.logged.size(), 1u);
  EXPECT_EQ(link.logged[0][0].id, "c");
  EXPECT_EQ(link.answer("agents s1\tTool\t[{\"id\":\"b\",\"title\":\"B\"}]"), R"({"ok":true,"agents":1})" "\n");
  ASSERT_EQ(link.logged.size(), 2u);
  EXPECT_EQ(link.logged[1][0].id, "a");
  EXPECT_EQ(link.logged[1][0].status, "done");
  EXPECT_EQ(link.wakes, 3);
  EXPECT_EQ(running_agent_count(link.state, unix_now_ms()), 1u);
}

TEST(PipeDispatch, RulesHandsOutTheCurrentInstructions) {
  Link link;
  EXPECT_EQ(link.answer("rules"), R"({"instructions":""})" "\n");
  {
    std::lock_guard lock(link.state.instructions_mutex);
    link.state.instructions = "Head:\n  - \"quoted\"\ttab";
  }
  EXPECT_EQ(link.answer("rules anything"), R"({"instructions":"Head:\n  - \"quoted\"\ttab"})" "\n");
}

TEST(PipeDispatch, TopAndAppUseTheProcessTable) {
  Link link;
  Snapshot s;
  ProcessSample a;
  a.name = "Game.exe";
  a.pid = 77;
  a.cpu_pct = 20;
  a.ram_bytes = 1000;
  ProcessSample b = a;
  b.name = "tool.exe";
  b.pid = 78;
  b.cpu_pct = 5;
  b.ram_bytes = 5000;
  s.processes = {a, b};
  s.processes_measured = true;
  s.presenting_apps = {{77, "Game.exe", 90}};
  publish(link.state, s, summarise(s, 1));
  link.state.panel_open = true;  // the current record counts as fresh while the panel is open

  EXPECT_EQ(link.answer("top"),
            R"({"metric":"cpu","unit":"percent","apps":[{"name":"Game.exe","value":20.0,"processes":1},)"
            R"({"name":"tool.exe","value":5.0,"processes":1}]})" "\n");
  EXPECT_EQ(link.answer("top ram 1"),
            R"({"metric":"ram","unit":"bytes","apps":[{"name":"tool.exe","value":5000.0,"processes":1}]})" "\n");
  EXPECT_EQ(link.answer("top  5"),  // an empty metric word is echoed; "5" is not its count here
            R"({"metric":"","unit":"percent","apps":[{"name":"Game.exe","value":20.0,"processes":1},)"
            R"({"name":"tool.exe","value":5.0,"processes":1}]})" "\n");
  EXPECT_EQ(link.answer("top cpu 1 2"),  // "1 2" is not a number: ten
            R"({"metric":"cpu","unit":"percent","apps":[{"name":"Game.exe","value":20.0,"processes":1},)"
            R"({"name":"tool.exe","value":5.0,"processes":1}]})" "\n");
  EXPECT_EQ(link.answer("app  GAME.EXE "),
            R"({"name":"GAME.EXE","running":true,"process_count":1,"pids":[77],"cpu_pct":20.0,"ram_bytes":1000,)"
            R"("ram_with_shared_bytes":0,"gpu_pct":0.0,"disk_bps":0,"net_bps":0,"fps":90})" "\n");
  EXPECT_EQ(link.answer("app Visual Studio Code.exe"), R"({"name":"Visual Studio Code.exe","running":false})" "\n");
  EXPECT_GT(link.state.detail_until_ms.load(), steady_now_ms());  // asked the sampler for detail
}

TEST(PipeDispatch, EveryReplyIsOneCompactJsonLine) {
  Link link;
  Snapshot s;
  s.drives = {{'C', 1, 1}};
  s.fps = PresentingApp{1, "\x1b\"\\", 60};
  ProcessSample p;
  p.name = "n\xc3\xa9\x01";
  p.pid = 1;
  p.cpu_pct = std::numeric_limits<float>::quiet_NaN();
  ProcessSample q = p;
  q.cpu_pct = 3;
  s.processes = {p, q};
  s.processes_measured = true;
  publish(link.state, s, summarise(s, 9));
  link.state.panel_open = true;
  for (const char* m : {"snapshot", "history", "top", "top gpu 0", "app n\xc3\xa9\x01", "fps", "notify a\tb",
                        "agents x\ty\t[{\"title\":\"\\u0000\"}]", "rules", "nope", "app \xff"}) {
    const auto reply = link.answer(m);
    ASSERT_TRUE(reply) << m;
    EXPECT_TRUE(test::StrictJson::reply_line(*reply)) << m << " -> " << *reply;
    EXPECT_EQ(reply->find('\n'), reply->size() - 1) << m;
  }
}

TEST(PipeDispatch, ANewSessionBeyondTheLimitIsRefusedNotReportedAsStored) {
  Link link;
  for (size_t i = 0; i < kMaxAgentSessions; ++i) {
    ASSERT_EQ(link.answer("agents s" + std::to_string(i) + "\tL\t[{\"title\":\"t\"}]"),
              "{\"ok\":true,\"agents\":1}\n");
  }
  const int wakes = link.wakes;
  EXPECT_EQ(link.answer("agents extra\tL\t[{\"title\":\"t\"}]"), "{\"error\":\"too many agent sessions\"}\n");
  EXPECT_EQ(link.answer("agents more\tL\t[{\"title\":\"t\"}]"), "{\"error\":\"too many agent sessions\"}\n");
  EXPECT_EQ(link.wakes, wakes);
  EXPECT_EQ(link.program_log,
            std::vector<std::string>{"mcp pipe: 256 agent sessions reached; reports of new sessions dropped"});
  {
    std::lock_guard lock(link.state.agent_sessions_mutex);
    EXPECT_EQ(link.state.agent_sessions.size(), kMaxAgentSessions);
  }
  // Sessions already known are still served.
  EXPECT_EQ(link.answer("agents s7\tL\t[]"), "{\"ok\":true,\"agents\":0}\n");
}

}  // namespace
}  // namespace qv
