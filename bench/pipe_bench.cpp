// Formatting the pipe's largest reply (a full history ring), reading a typical agent report, and
// merging huge agent reports under the registry locks.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "agents/agent_registry.h"
#include "agents/agent_report.h"
#include "core/shared_state.h"
#include "mcp_pipe/replies.h"

namespace {

void BM_FormatHistory360(benchmark::State& state) {
  std::vector<qv::HistorySample> samples;
  for (uint32_t i = 0; i < 360; ++i) {
    samples.push_back({1'765'000'000'000ull + i * 1000ull, 3.7f + static_cast<float>(i % 90), 61.25f + static_cast<float>(i % 7),
                       static_cast<float>(i % 100) * 0.37f, 123'456ull * i, 9'876ull * i, i % 144});
  }
  size_t bytes = 0;
  for (auto _ : state) {
    std::string reply = qv::format_history_reply(samples);
    bytes = reply.size();
    benchmark::DoNotOptimize(reply);
  }
  state.counters["reply_bytes"] = static_cast<double>(bytes);
}
BENCHMARK(BM_FormatHistory360)->Unit(benchmark::kMicrosecond);

void BM_ParseAgentReport20(benchmark::State& state) {
  std::string json = "[";
  for (int i = 0; i < 20; ++i) {
    if (i) json += ',';
    json += "{\"id\":\"agent-" + std::to_string(i) + "\",\"title\":\"Refactor module " + std::to_string(i) +
            "\",\"status\":\"running\",\"detail\":\"Editing src/file" + std::to_string(i) + ".cpp \\u2014 step 3\"}";
  }
  json += "]";
  for (auto _ : state) {
    auto agents = qv::parse_agent_report(json, 1);
    benchmark::DoNotOptimize(agents);
  }
}
BENCHMARK(BM_ParseAgentReport20)->Unit(benchmark::kMicrosecond);

// Two reports of 20,000 agents in one session, the second a new generation of the same list:
// half the ids carry over (kept or finished), half are new. This is the work a client can make
// the registry do while it holds both locks, which the panel takes on every sample and paint.
std::string big_report(int first_id, int count) {
  std::string json = "[";
  for (int i = first_id; i < first_id + count; ++i) {
    if (i != first_id) json += ',';
    json += "{\"id\":\"agent-" + std::to_string(i) + "\",\"title\":\"Task " + std::to_string(i) +
            "\",\"status\":\"" + (i % 7 == 0 ? "done" : "running") + "\",\"detail\":\"step\"}";
  }
  return json + "]";
}

void BM_MergeTwoReports20000(benchmark::State& state) {
  const std::string first = big_report(0, 20000);
  const std::string second = big_report(10000, 20000);
  size_t active = 0;
  for (auto _ : state) {
    state.PauseTiming();
    qv::SharedState shared;
    state.ResumeTiming();
    qv::report_agents(shared, "s", "Tool", first, 1'000);
    active = qv::report_agents(shared, "s", "Tool", second, 2'000).active_count;
  }
  state.counters["active_after"] = static_cast<double>(active);
}
BENCHMARK(BM_MergeTwoReports20000)->Unit(benchmark::kMillisecond);

// The part of the above done under both locks: the merges alone, the reports already parsed.
void BM_MergeTwoReports20000UnderLocks(benchmark::State& state) {
  const std::vector<qv::Agent> first = qv::parse_agent_report(big_report(0, 20000), 1'000);
  const std::vector<qv::Agent> second = qv::parse_agent_report(big_report(10000, 20000), 2'000);
  for (auto _ : state) {
    state.PauseTiming();
    qv::AgentRegistry registry;
    qv::AgentHistory history;
    std::vector<qv::Agent> a = first, b = second;
    state.ResumeTiming();
    qv::merge_report(registry, history, "s", "Tool", std::move(a), 1'000);
    benchmark::DoNotOptimize(qv::merge_report(registry, history, "s", "Tool", std::move(b), 2'000));
  }
}
BENCHMARK(BM_MergeTwoReports20000UnderLocks)->Unit(benchmark::kMillisecond);

}  // namespace
