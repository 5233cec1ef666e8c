// Formatting the pipe's largest reply (a full history ring) and reading a typical agent report.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "agents/agent_report.h"
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

}  // namespace
