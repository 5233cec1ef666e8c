// The sampler's trace takes with real image-name look-ups (first sight of a pid opens the
// process; later ticks hit the cache), and the graphics read once its set-up has failed, as it
// does on every tick of a machine without engine counters.
#include <windows.h>

#include <chrono>
#include <cstdio>
#include <string>
#include <unordered_map>
#include <vector>

#include "etw/frame_take_win.h"
#include "gpu/gpu_counters_win.h"
#include "gpu/gpu_tally.h"
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
  gpu.read(pct, per_pid, 1000);  // the one-time set-up attempt
  std::printf("GpuCounters first read (set-up attempt): %.2f us\n", us_since(start, 1));
  constexpr int kRounds = 100000;
  start = std::chrono::steady_clock::now();
  for (int i = 0; i < kRounds; ++i) gpu.read(pct, per_pid, 1000);
  std::printf("GpuCounters read after a failed set-up: %.3f us\n", us_since(start, kRounds));
}
QV_WIN_BENCH("trace_gpu_unavailable", gpu_unavailable);

// The per-tick work behind a successful graphics read, built as the product is built: 400 counter
// items (100 processes with four engines each) summed by engine type and by process.
void gpu_tally_400() {
  std::vector<std::u16string> names;
  const char16_t* engines[] = {u"3D", u"Copy", u"VideoDecode", u"Compute"};
  for (int p = 0; p < 100; ++p) {
    for (int e = 0; e < 4; ++e) {
      const std::string pid = std::to_string(1000 + p * 4);
      names.push_back(u"pid_" + std::u16string(pid.begin(), pid.end()) + u"_luid_0x00000000_0x0000D1B2_phys_0_eng_" +
                      std::u16string(1, static_cast<char16_t>(u'0' + e)) + u"_engtype_" + engines[e]);
    }
  }
  GpuTally tally;
  constexpr int kRounds = 5000;
  float sink = 0;
  const auto start = std::chrono::steady_clock::now();
  for (int i = 0; i < kRounds; ++i) {
    tally.clear();
    for (size_t n = 0; n < names.size(); ++n) tally.add(names[n], static_cast<double>(n % 7) * 3.5);
    sink += tally.machine_pct();
    sink += static_cast<float>(tally.take_per_pid().size());
  }
  std::printf("GpuTally, 400 items: %.2f us (%.0f)\n", us_since(start, kRounds), sink / kRounds);
}
QV_WIN_BENCH("trace_gpu_tally", gpu_tally_400);

}  // namespace
}  // namespace qv::bench
