// The agent registry: sessions, finishing rules, history and pruning.
#include <gtest/gtest.h>

#include <thread>

#include "agents/agent_log.h"
#include "agents/agent_registry.h"
#include "agents/agent_report.h"
#include "core/shared_state.h"

namespace qv {
namespace {

constexpr uint64_t kT0 = 1'700'000'000'000;

struct Registry {
  AgentRegistry sessions;
  AgentHistory history;
  ReportOutcome report(std::string_view json, uint64_t now, std::string_view session = "s",
                       std::string_view label = "Tool") {
    return merge_report(sessions, history, session, label, parse_agent_report(json, now), now);
  }
  const AgentSession* session(std::string_view id) const {
    for (const auto& s : sessions) {
      if (s.id == id) return &s;
    }
    return nullptr;
  }
};

TEST(AgentsRegistry, VanishedAgentIsDoneWithItsDurationInTheLogLine) {
  Registry r;
  auto out = r.report(R"([{"id":"A","title":"Build","status":"running","detail":"make"}])", kT0);
  EXPECT_EQ(out.active_count, 1u);
  EXPECT_TRUE(out.finished.empty());
  out = r.report(R"([{"id":"A","title":"Build","status":"running","detail":"linking"}])", kT0 + 30'000);
  EXPECT_EQ(r.session("s")->agents[0].started_ms, kT0);  // kept across reports
  EXPECT_EQ(r.session("s")->agents[0].updated_ms, kT0 + 30'000);
  EXPECT_EQ(r.session("s")->agents[0].detail, "linking");

  out = r.report("[]", kT0 + 65'000);
  EXPECT_EQ(out.active_count, 0u);
  ASSERT_EQ(out.finished.size(), 1u);
  const FinishedAgent done{"A", "Build", "done", "linking", "Tool", kT0, kT0 + 65'000};
  EXPECT_EQ(out.finished[0], done);
  ASSERT_EQ(r.history.size(), 1u);
  EXPECT_EQ(r.history[0], done);
  EXPECT_EQ(format_agent_log_line(done, {2026, 3, 4, 5, 6, 7}),
            "2026-03-04 05:06:07 | agent done | Build | linking | 1m 05s\n");
}

TEST(AgentsRegistry, FinalStatusIsRecordedOnce) {
  Registry r;
  r.report(R"([{"id":"A","title":"Tests","status":"running"}])", kT0);
  auto out = r.report(R"([{"id":"A","title":"Tests","status":"failed","detail":"3 failures"}])", kT0 + 10'000);
  EXPECT_EQ(out.active_count, 0u);
  ASSERT_EQ(out.finished.size(), 1u);
  EXPECT_EQ(out.finished[0].status, "failed");
  EXPECT_EQ(out.finished[0].started_ms, kT0);
  EXPECT_TRUE(r.session("s")->agents.empty());
  out = r.report("[]", kT0 + 20'000);
  EXPECT_TRUE(out.finished.empty());
  ASSERT_EQ(r.history.size(), 1u);
  EXPECT_EQ(r.history[0].status, "failed");
}

TEST(AgentsRegistry, ActiveStatuses) {
  EXPECT_TRUE(is_active_status(""));
  EXPECT_TRUE(is_active_status("running"));
  EXPECT_TRUE(is_active_status("waiting"));
  EXPECT_FALSE(is_active_status("Running"));
  EXPECT_FALSE(is_active_status("done"));
  EXPECT_FALSE(is_active_status("cancelled"));
}

TEST(AgentsRegistry, ReappearingAgentStartsAgain) {
  Registry r;
  r.report(R"([{"id":"A","title":"Lint"}])", kT0);
  r.report("[]", kT0 + 1000);
  auto out = r.report(R"([{"id":"A","title":"Lint","status":"waiting"}])", kT0 + 2000);
  EXPECT_EQ(out.active_count, 1u);
  EXPECT_EQ(r.session("s")->agents[0].started_ms, kT0 + 2000);
  r.report("[]", kT0 + 5000);
  ASSERT_EQ(r.history.size(), 2u);
  EXPECT_EQ(r.history[0].started_ms, kT0 + 2000);  // newest first
  EXPECT_EQ(r.history[0].finished_ms, kT0 + 5000);
  EXPECT_EQ(r.history[1].started_ms, kT0);
}

TEST(AgentsRegistry, SessionsAreSeparateAndKeepTheLatestLabel) {
  Registry r;
  r.report(R"([{"id":"A","title":"one"}])", kT0, "s1", "First");
  r.report(R"([{"id":"A","title":"two"},{"id":"B","title":"three"}])", kT0, "s2", "Second");
  auto out = r.report("[]", kT0 + 1, "s1", "Renamed");
  ASSERT_EQ(out.finished.size(), 1u);
  EXPECT_EQ(out.finished[0].label, "Renamed");
  ASSERT_EQ(r.sessions.size(), 2u);
  EXPECT_EQ(r.sessions[0].id, "s1");
  EXPECT_EQ(r.sessions[0].label, "Renamed");
  EXPECT_EQ(r.sessions[1].agents.size(), 2u);
  EXPECT_EQ(running_agent_count(r.sessions, kT0 + 1), 2u);
}

TEST(AgentsRegistry, AbandonedAfterThirtyMinutesWithFinishedAtLastUpdate) {
  Registry r;
  r.report(R"([{"id":"A","title":"Deploy","status":"running"}])", kT0);
  r.report(R"([{"id":"A","title":"Deploy","status":"running"}])", kT0 + 60'000);
  EXPECT_EQ(running_agent_count(r.sessions, kT0 + 60'000 + kAgentQuietMs - 1), 1u);
  EXPECT_EQ(running_agent_count(r.sessions, kT0 + 60'000 + kAgentQuietMs), 0u);  // gone quiet
  EXPECT_TRUE(prune_registry(r.sessions, r.history, kT0 + 60'000 + kAgentAbandonMs - 1).empty());
  auto abandoned = prune_registry(r.sessions, r.history, kT0 + 60'000 + kAgentAbandonMs);
  ASSERT_EQ(abandoned.size(), 1u);
  const FinishedAgent expected{"A", "Deploy", "abandoned", "", "Tool", kT0, kT0 + 60'000};
  EXPECT_EQ(abandoned[0], expected);
  EXPECT_EQ(r.history[0], expected);
  EXPECT_EQ(format_agent_log_line(abandoned[0], {}).substr(19), " | agent abandoned | Deploy |  | 1m 00s\n");
  // Its session was last seen with that update, so the same prune removes the emptied session.
  EXPECT_TRUE(r.sessions.empty());
}

TEST(AgentsRegistry, PruneToleratesClockGoingBackAndKeepsBusySessions) {
  Registry r;
  r.report(R"([{"id":"A","title":"x"}])", kT0);
  EXPECT_TRUE(prune_registry(r.sessions, r.history, kT0 - 10 * kAgentAbandonMs).empty());
  EXPECT_EQ(r.sessions.size(), 1u);
  EXPECT_EQ(running_agent_count(r.sessions, kT0 - 5), 1u);
  r.report("[]", kT0 + 1, "quiet", "Q");
  prune_registry(r.sessions, r.history, kT0 + 1 + kAgentAbandonMs);
  EXPECT_EQ(r.session("quiet"), nullptr);
  EXPECT_EQ(r.session("s"), nullptr);  // its agent was abandoned, then the empty session went too
}

TEST(AgentsRegistry, ReportAlsoPrunesAndListsAbandonedAfterFinished) {
  Registry r;
  r.report(R"([{"id":"old","title":"stale"}])", kT0, "other", "O");
  r.report(R"([{"id":"A","title":"a"}])", kT0 + kAgentAbandonMs - 1000);
  auto out = r.report(R"([{"id":"A","title":"a","status":"done"}])", kT0 + kAgentAbandonMs);
  ASSERT_EQ(out.finished.size(), 2u);
  EXPECT_EQ(out.finished[0].id, "A");
  EXPECT_EQ(out.finished[1].id, "old");
  EXPECT_EQ(out.finished[1].status, "abandoned");
  EXPECT_EQ(out.finished[1].label, "O");
}

TEST(AgentsRegistry, HistoryHoldsTwoHundredNewestFirst) {
  Registry r;
  for (int i = 0; i < 201; ++i) {
    r.report("[{\"id\":\"a" + std::to_string(i) + "\",\"title\":\"t\",\"status\":\"done\"}]", kT0 + i);
  }
  ASSERT_EQ(r.history.size(), kAgentHistoryLength);
  EXPECT_EQ(r.history.front().id, "a200");
  EXPECT_EQ(r.history.back().id, "a1");  // a0 was dropped
}

TEST(AgentsRegistry, SameIdAndStartReplacesInPlace) {
  AgentHistory h;
  record_finished(h, {"a", "t", "done", "", "L", 1, 2});
  record_finished(h, {"b", "t", "done", "", "L", 1, 2});
  record_finished(h, {"a", "t2", "failed", "", "L", 1, 3});
  ASSERT_EQ(h.size(), 2u);
  EXPECT_EQ(h[0].id, "b");
  EXPECT_EQ(h[1].status, "failed");
  record_finished(h, {"a", "t", "done", "", "L", 9, 10});  // another start: a new entry
  EXPECT_EQ(h.size(), 3u);
}

TEST(AgentsRegistry, LongTitlesAreCutInHistoryOnly) {
  Registry r;
  std::string title;
  for (int i = 0; i < 250; ++i) title += (i % 2) ? "é" : "x";  // mixed one- and two-byte characters
  std::string detail(300, 'd');
  r.report("[{\"id\":\"A\",\"title\":\"" + title + "\",\"detail\":\"" + detail + "\"}]", kT0);
  EXPECT_EQ(r.session("s")->agents[0].title, title);
  auto out = r.report("[]", kT0 + 1);
  ASSERT_EQ(out.finished.size(), 1u);
  EXPECT_EQ(out.finished[0].title, title.substr(0, 300));  // 200 characters = 100 x + 100 é
  EXPECT_EQ(out.finished[0].detail, std::string(200, 'd'));
  EXPECT_EQ(cut_characters("日本語", 2), "日本");
  EXPECT_EQ(cut_characters("ab", 5), "ab");
  EXPECT_EQ(cut_characters("ab", 0), "");
}

std::string running_agents(int count, std::string_view prefix = "a") {
  std::string json = "[";
  for (int i = 0; i < count; ++i) {
    if (i) json += ',';
    json += "{\"id\":\"" + std::string(prefix) + std::to_string(i) + "\",\"title\":\"t\",\"status\":\"running\"}";
  }
  return json + "]";
}

TEST(AgentsLimits, ASessionKeepsTheFirstThousandActiveAgentsAndSaysSoOnce) {
  Registry r;
  auto out = r.report(running_agents(1001), kT0);
  EXPECT_EQ(out.active_count, kMaxSessionAgents);
  ASSERT_EQ(r.session("s")->agents.size(), 1000u);
  EXPECT_EQ(r.session("s")->agents.back().id, "a999");
  EXPECT_EQ(out.log_lines, std::vector<std::string>{"mcp pipe: agents of session \"s\" beyond 1000 dropped (1 in this report)"});
  // The same list again: the dropped agent has not vanished, so it is not finished, and the
  // note is not repeated.
  out = r.report(running_agents(1500), kT0 + 1000);
  EXPECT_EQ(out.active_count, 1000u);
  EXPECT_TRUE(out.finished.empty());
  EXPECT_TRUE(out.log_lines.empty());
  EXPECT_EQ(r.session("s")->agents[0].started_ms, kT0);
  // Exactly at the limit nothing is dropped; final statuses beyond it still reach the history.
  Registry exact;
  std::string json = running_agents(1000);
  json.back() = ',';
  json += R"({"id":"f","title":"t","status":"failed"}])";
  out = exact.report(json, kT0);
  EXPECT_EQ(out.active_count, 1000u);
  EXPECT_TRUE(out.log_lines.empty());
  ASSERT_EQ(out.finished.size(), 1u);
  EXPECT_EQ(out.finished[0].id, "f");
}

TEST(AgentsLimits, NewSessionsBeyondTheLimitAreRefusedAndChangeNothing) {
  Registry r;
  for (size_t i = 0; i < kMaxAgentSessions; ++i) r.report(R"([{"title":"t"}])", kT0, "s" + std::to_string(i));
  const AgentRegistry before = r.sessions;
  auto out = r.report(R"([{"title":"t"}])", kT0 + 1, "one too many");
  EXPECT_TRUE(out.refused);
  EXPECT_EQ(out.active_count, 0u);
  EXPECT_EQ(r.sessions, before);
  EXPECT_FALSE(r.report("[]", kT0 + 1, "s0").refused);  // known sessions still report
  // Once idle sessions have been pruned there is room again.
  prune_registry(r.sessions, r.history, kT0 + 1 + kAgentAbandonMs);
  EXPECT_FALSE(r.report(R"([{"title":"t"}])", kT0 + 2 + kAgentAbandonMs, "one too many").refused);
}

TEST(AgentsLimits, ReportedTextsAreCutToSaneLengths) {
  Registry r;
  const std::string id(300, 'i'), title(600, 't'), status(100, 's'), detail(1500, 'd'), label(600, 'L');
  const std::string session(300, 'S');
  r.report("[{\"id\":\"" + id + "\",\"title\":\"" + title + "\",\"status\":\"" + status + "\",\"detail\":\"" +
               detail + "\"},{\"title\":\"" + title + "\"}]",
           kT0, session, label);
  ASSERT_EQ(r.sessions.size(), 1u);
  EXPECT_EQ(r.sessions[0].id, std::string(256, 'S'));
  EXPECT_EQ(r.sessions[0].label, std::string(500, 'L'));
  ASSERT_EQ(r.sessions[0].agents.size(), 1u);
  EXPECT_EQ(r.sessions[0].agents[0].id, std::string(500, 't'));  // the title stands in for the id
  EXPECT_EQ(r.sessions[0].agents[0].title, std::string(500, 't'));
  ASSERT_EQ(r.history.size(), 1u);
  EXPECT_EQ(r.history[0].id, std::string(256, 'i'));
  EXPECT_EQ(r.history[0].status, std::string(64, 's'));
  EXPECT_EQ(r.history[0].detail, std::string(200, 'd'));
  // A session id that only differs beyond the cut is the same session.
  r.report("[]", kT0 + 1, session + "x", "other");
  EXPECT_EQ(r.sessions.size(), 1u);
}

TEST(AgentsRegistry, EmptyOrBrokenReportFinishesEveryActiveAgent) {
  Registry r;
  r.report(R"([{"id":"A","title":"a"},{"id":"B","title":"b"}])", kT0);
  auto out = r.report("{{{ not json", kT0 + 1);
  EXPECT_EQ(out.active_count, 0u);
  ASSERT_EQ(out.finished.size(), 2u);
  EXPECT_EQ(out.finished[0].id, "A");
  EXPECT_EQ(out.finished[1].id, "B");
  EXPECT_EQ(r.history[0].id, "B");
}

TEST(AgentsLog, Durations) {
  EXPECT_EQ(format_agent_duration(0, 0), "0s");
  EXPECT_EQ(format_agent_duration(0, 45'999), "45s");
  EXPECT_EQ(format_agent_duration(0, 59'999), "59s");
  EXPECT_EQ(format_agent_duration(0, 60'000), "1m 00s");
  EXPECT_EQ(format_agent_duration(0, 65'000), "1m 05s");
  EXPECT_EQ(format_agent_duration(0, 3'599'999), "59m 59s");
  EXPECT_EQ(format_agent_duration(0, 3'600'000), "1h 00m");
  EXPECT_EQ(format_agent_duration(0, 7'500'000), "2h 05m");
  EXPECT_EQ(format_agent_duration(0, 100 * 3'600'000ull), "100h 00m");
  EXPECT_EQ(format_agent_duration(5000, 1000), "0s");
}

TEST(AgentsRegistry, SharedStateReportAndPruneFromTwoThreads) {
  SharedState state;
  std::thread pruner([&] {
    for (int i = 0; i < 2000; ++i) prune_agents(state, kT0 + static_cast<uint64_t>(i));
  });
  for (int i = 0; i < 200; ++i) {
    auto out = report_agents(state, "s", "L", "[{\"id\":\"x" + std::to_string(i % 3) + "\",\"title\":\"t\"}]",
                             kT0 + static_cast<uint64_t>(i));
    EXPECT_EQ(out.active_count, 1u);
  }
  pruner.join();
  EXPECT_EQ(running_agent_count(state, kT0 + 200), 1u);
  std::lock_guard lock(state.agent_history_mutex);
  EXPECT_EQ(state.agent_history.size(), 199u);  // every replaced agent finished once as done
}

}  // namespace
}  // namespace qv
