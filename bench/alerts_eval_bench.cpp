// One tick of alert evaluation: 50 rules (half of them watching an app) against a tick with
// 2,000 processes. Quiet: no condition holds. Firing: every rule fires (cooldown 0) and builds
// its log line with the top processes and its notification texts.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "rules/alert_eval.h"
#include "rules/rule_text.h"

namespace {

qv::Snapshot tick_with_processes(size_t count) {
  qv::Snapshot s;
  s.cpu_pct = 42;
  s.mem_total_bytes = 16ull << 30;
  s.mem_used_bytes = 9ull << 30;
  s.gpu_available = true;
  s.gpu_pct = 12;
  s.disk_read_bps = 3 << 20;
  s.net_rx_bps = 120 << 10;
  for (size_t i = 0; i < count; ++i) {
    qv::ProcessSample p;
    p.name = "Process" + std::to_string(i % 400) + ".exe";
    p.pid = static_cast<uint32_t>(4 + i * 4);
    p.cpu_pct = static_cast<float>((i * 37) % 100) / 10.0f;
    p.ram_bytes = (i % 50 + 1) << 20;
    p.disk_bps = i * 100;
    s.processes.push_back(std::move(p));
  }
  return s;
}

std::vector<qv::AlertRule> fifty_rules(bool firing) {
  static const char* kMachine[] = {"cpu", "ram", "gpu", "disk", "net", "fps", "sound"};
  static const char* kApp[] = {"cpu", "ram", "disk", "net", "sound"};
  std::vector<std::string> lines;
  const std::string options = firing ? "; file=C:\\logs\\a.log; data=top; cooldown=0" : "; file=C:\\logs\\a.log; data=top";
  for (int i = 0; i < 25; ++i) {
    lines.push_back(std::string(kMachine[i % 7]) + (firing ? ">-" : ">1e9") + std::to_string(i) + options);
    lines.push_back("proc:process" + std::to_string(i * 13) + ".exe:" + kApp[i % 5] + (firing ? ">-" : ">1e9") +
                    std::to_string(i) + options);
  }
  auto rules = qv::parse_rule_lines(lines);
  if (rules.size() != 50) std::abort();
  return rules;
}

void run(benchmark::State& state, bool firing) {
  const qv::Snapshot tick = tick_with_processes(2000);
  const auto rules = fifty_rules(firing);
  qv::LastFiring last;
  uint64_t now_ms = 0;
  const qv::LocalTime local{2026, 3, 1, 9, 5, 7};
  size_t fired = 0;
  for (auto _ : state) {
    auto out = qv::evaluate_rules(rules, tick, last, now_ms, local);
    fired = out.size();
    benchmark::DoNotOptimize(out);
    now_ms += 1000;
  }
  state.counters["fired"] = static_cast<double>(fired);
}

void BM_Alerts50Rules2000ProcessesQuiet(benchmark::State& state) { run(state, false); }
void BM_Alerts50Rules2000ProcessesAllFiring(benchmark::State& state) { run(state, true); }
BENCHMARK(BM_Alerts50Rules2000ProcessesQuiet)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Alerts50Rules2000ProcessesAllFiring)->Unit(benchmark::kMicrosecond);

}  // namespace
