// The sampler's trace takes with real image-name look-ups (first sight of a pid opens the
// process; later ticks hit the cache), and the graphics read once its set-up has failed, as it
// does on every tick of a machine without engine counters.
#include <windows.h>

#include <chrono>
#include <cstdio>
#include <unordered_map>

#include "etw/frame_take_win.h"
#include "gpu/gpu_counters_win.h"
#include "win_bench.h"

namespace qv::bench {
namespace {

double us_since(std::chrono::steady_clock::time_point start, int n) {
  return std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - start).count() / n;
}

void frame_take() {
  const uint32_t self = GetCurrentProcessId();
  SharedState state;
  constexpr int kRounds = 2000;

  // Uncached: a fresh take per round, so each round opens and queries the process once.
  auto start = std::chrono::steady_clock::now();
  for (int i = 0; i < kRounds; ++i) {
    TraceTake take;
    Snapshot s;
    state.present_counts = {{self, 60}};
    take.take_frame_rates(state, 1.0, s);
  }
  std::printf("take_frame_rates, 1 pid, name not cached: %.2f us\n", us_since(start, kRounds));

  // Cached: ten presenting pids (all but ours unreadable, so named by number) on a warm cache.
  TraceTake take;
  Snapshot s;
  start = std::chrono::steady_clock::now();
  for (int i = 0; i < kRounds; ++i) {
    state.present_counts.clear();
    state.present_counts[self] = 144;
    for (uint32_t pid = 1; pid < 10; ++pid) state.present_counts[0xFFFF0000u + pid] = 30 + pid;
    take.take_frame_rates(state, 1.0, s);
  }
  std::printf("take_frame_rates, 10 pids, names cached: %.2f us (listed %zu)\n", us_since(start, kRounds),
              s.presenting_apps.size());

  std::unordered_map<uint32_t, uint64_t> rates;
  start = std::chrono::steady_clock::now();
  for (int i = 0; i < kRounds; ++i) {
    for (uint32_t pid = 0; pid < 200; ++pid) state.net_by_pid[pid * 4] = NetBytes{pid * 100ull, pid * 7ull};
    take.take_network(state, 1.0, rates);
  }
  std::printf("take_network, 200 pids (refill included): %.2f us\n", us_since(start, kRounds));
}
QV_WIN_BENCH("trace_frame_take", frame_take);

void gpu_unavailable() {
  GpuCounters gpu;
  std::unordered_map<uint32_t, float> per_pid;
  float pct = 0;
  auto start = std::chrono::steady_clock::now();
  gpu.read(pct, per_pid);  // the one-time set-up attempt
  std::printf("GpuCounters first read (set-up attempt): %.2f us\n", us_since(start, 1));
  constexpr int kRounds = 100000;
  start = std::chrono::steady_clock::now();
  for (int i = 0; i < kRounds; ++i) gpu.read(pct, per_pid);
  std::printf("GpuCounters read after a failed set-up: %.3f us\n", us_since(start, kRounds));
}
QV_WIN_BENCH("trace_gpu_unavailable", gpu_unavailable);

}  // namespace
}  // namespace qv::bench
