// Per-tick work of the graphics, frame-rate and network steps, and the per-event cost of the
// tracing callback's accounting (it runs for every packet of the whole machine).
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "audio/sound_merge.h"
#include "etw/trace_events.h"
#include "etw/trace_rates.h"
#include "gpu/gpu_tally.h"

namespace {

// A busy desktop: `processes` processes, each with 3D, Copy, VideoDecode and Compute engines.
std::vector<std::u16string> gpu_instances(int processes) {
  const char16_t* engines[] = {u"3D", u"Copy", u"VideoDecode", u"Compute"};
  std::vector<std::u16string> names;
  for (int p = 0; p < processes; ++p) {
    for (int e = 0; e < 4; ++e) {
      std::string pid = std::to_string(1000 + p * 4);
      const std::u16string engine_index(1, static_cast<char16_t>(u'0' + e));
      names.push_back(u"pid_" + std::u16string(pid.begin(), pid.end()) + u"_luid_0x00000000_0x0000D1B2_phys_0_eng_" +
                      engine_index + u"_engtype_" + engines[e]);
    }
  }
  return names;
}

void BM_GpuTally(benchmark::State& state) {
  const auto names = gpu_instances(static_cast<int>(state.range(0)) / 4);
  qv::GpuTally tally;
  for (auto _ : state) {
    tally.clear();
    for (size_t i = 0; i < names.size(); ++i) tally.add(names[i], (i % 7) * 3.5);
    benchmark::DoNotOptimize(tally.machine_pct());
    auto per_pid = tally.take_per_pid();
    benchmark::DoNotOptimize(per_pid);
  }
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * names.size()));
}
BENCHMARK(BM_GpuTally)->Arg(400)->Arg(2000);

void BM_SelectPresentingApps(benchmark::State& state) {
  qv::ImageNameCache names([](uint32_t pid) -> std::optional<std::string> {
    return "C:\\Program Files\\App\\app" + std::to_string(pid) + ".exe";
  });
  std::unordered_map<uint32_t, uint64_t> frames;
  for (uint32_t pid = 0; pid < static_cast<uint32_t>(state.range(0)); ++pid) frames[4 + pid * 4] = pid * 7 % 150;
  qv::Snapshot s;
  for (auto _ : state) {
    qv::select_presenting_apps(frames, 1.013, names, s);
    benchmark::DoNotOptimize(s.presenting_apps.data());
  }
}
BENCHMARK(BM_SelectPresentingApps)->Arg(10)->Arg(100);

void BM_NetworkRates(benchmark::State& state) {
  std::unordered_map<uint32_t, qv::NetBytes> bytes;
  for (uint32_t pid = 0; pid < static_cast<uint32_t>(state.range(0)); ++pid) {
    bytes[pid * 4] = {pid * 1000ull, pid * 30ull};
  }
  std::unordered_map<uint32_t, uint64_t> rates;
  for (auto _ : state) {
    qv::network_rates(bytes, 1.013, rates);
    benchmark::DoNotOptimize(rates);
  }
}
BENCHMARK(BM_NetworkRates)->Arg(100)->Arg(1000);

void BM_AccountNetworkEvent(benchmark::State& state) {
  qv::SharedState shared;
  std::vector<unsigned char> payload(48, 0);
  uint32_t n = 0;
  for (auto _ : state) {
    payload[0] = static_cast<unsigned char>(n++ & 63);  // 64 busy processes
    qv::account_network_event(shared, 10, payload);
  }
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations()));
}
BENCHMARK(BM_AccountNetworkEvent);

void BM_MergeSoundSessions(benchmark::State& state) {
  std::vector<qv::SoundSession> sessions;
  for (int i = 0; i < qv::kMaxSoundSessions; ++i) {
    sessions.push_back({i % 3 != 0, static_cast<uint32_t>(i % 40), 0.01f * static_cast<float>(i % 100)});
  }
  for (auto _ : state) {
    qv::SoundLevels levels = qv::merge_sound_sessions(sessions);
    benchmark::DoNotOptimize(levels);
  }
}
BENCHMARK(BM_MergeSoundSessions);

}  // namespace
