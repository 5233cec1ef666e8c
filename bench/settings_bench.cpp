// Loading and saving a settings file that holds 200 alert rule lines.
#include <benchmark/benchmark.h>

#include <string>

#include "config/settings.h"

namespace {

qv::Settings settings_with_rules(int count) {
  qv::Settings s;
  for (int i = 0; i < count; ++i) {
    s.log.push_back("proc:app" + std::to_string(i) + ".exe:ram>" + std::to_string(100 + i) +
                    "; file=C:\\logs\\alerts" + std::to_string(i) + ".log; data=top; cooldown=300");
  }
  s.notify_rules.push_back({true, "Tell me when a long build finishes"});
  return s;
}

void BM_LoadSettings200Rules(benchmark::State& state) {
  const std::string text = qv::format_settings(settings_with_rules(200));
  for (auto _ : state) {
    qv::Settings s = qv::settings_from_file_bytes(text);
    benchmark::DoNotOptimize(s);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
}
BENCHMARK(BM_LoadSettings200Rules);

void BM_SaveSettings200Rules(benchmark::State& state) {
  const qv::Settings s = settings_with_rules(200);
  for (auto _ : state) {
    std::string text = qv::format_settings(s);
    benchmark::DoNotOptimize(text);
  }
}
BENCHMARK(BM_SaveSettings200Rules);

}  // namespace
