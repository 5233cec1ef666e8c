// Walking the system's process list and grouping it into apps, for machines with 2,000 and
// 10,000 processes (the second tells whether any step grows faster than its input): the per-tick cost of the process table on the sampler thread and of the panel's
// grouping on the UI thread.
#include <benchmark/benchmark.h>

#include <cstring>
#include <string>
#include <vector>

#include "procinfo/apps.h"
#include "procinfo/process_records.h"

namespace {

namespace pr = qv::process_record;
constexpr uint64_t kBase = 0x20000000;

// `count` records as the system lays them out (fixed part, room for threads, names at the end),
// 250 distinct image names.
std::vector<std::byte> synthetic_process_list(size_t count, uint64_t tick) {
  constexpr size_t stride = 256 + 4 * 80;  // four threads each
  std::vector<std::u16string> names;
  for (size_t i = 0; i < count; ++i) {
    const std::string n = "process-name-" + std::to_string(i % 250) + ".exe";
    names.emplace_back(n.begin(), n.end());
  }
  size_t name_bytes = 0;
  for (const auto& n : names) name_bytes += n.size() * 2;
  std::vector<std::byte> b(count * stride + name_bytes);
  size_t name_at = count * stride;
  auto put = [&](size_t at, auto v) { std::memcpy(&b[at], &v, sizeof v); };
  for (size_t i = 0; i < count; ++i) {
    const size_t r = i * stride;
    put(r + pr::kNextEntryOffset, static_cast<uint32_t>(i + 1 < count ? stride : 0));
    put(r + pr::kWorkingSetPrivateSize, static_cast<int64_t>(1 << 20));
    put(r + pr::kUserTime, static_cast<int64_t>(tick * 1000 * (i % 7)));
    put(r + pr::kKernelTime, static_cast<int64_t>(tick * 300));
    put(r + pr::kUniqueProcessId, static_cast<uint64_t>(4 * (i + 1)));
    put(r + pr::kWorkingSetSize, static_cast<uint64_t>(3 << 20));
    put(r + pr::kReadTransferCount, static_cast<int64_t>(tick * 4096));
    const auto len = static_cast<uint16_t>(names[i].size() * 2);
    put(r + pr::kImageNameLength, len);
    put(r + pr::kImageNameBuffer, kBase + name_at);
    std::memcpy(&b[name_at], names[i].data(), len);
    name_at += len;
  }
  return b;
}

void BM_WalkOnly(benchmark::State& state) {
  const auto list = synthetic_process_list(static_cast<size_t>(state.range(0)), 2);
  std::vector<qv::ProcessRecord> records;
  for (auto _ : state) benchmark::DoNotOptimize(qv::walk_process_records(list, kBase, records));
}
BENCHMARK(BM_WalkOnly)->Arg(2000)->Arg(10000)->Unit(benchmark::kMicrosecond);

void BM_GroupAndRankOnly(benchmark::State& state) {
  const auto list = synthetic_process_list(static_cast<size_t>(state.range(0)), 2);
  std::vector<qv::ProcessRecord> records;
  qv::ProcessBaseline baseline;
  qv::walk_process_records(list, kBase, records);
  const auto samples = qv::build_process_samples(records, baseline, 1.0, 8, {});
  for (auto _ : state) benchmark::DoNotOptimize(qv::rank_apps(qv::group_apps(samples, 0, ""), 10, false));
}
BENCHMARK(BM_GroupAndRankOnly)->Arg(2000)->Arg(10000)->Unit(benchmark::kMicrosecond);

void BM_WalkAndBuildProcessList(benchmark::State& state) {
  const auto before = synthetic_process_list(static_cast<size_t>(state.range(0)), 1);
  const auto after = synthetic_process_list(static_cast<size_t>(state.range(0)), 2);
  std::vector<qv::ProcessRecord> records;
  qv::ProcessBaseline baseline;
  qv::walk_process_records(before, kBase, records);
  qv::build_process_samples(records, baseline, 1.0, 8, {});
  for (auto _ : state) {
    qv::walk_process_records(after, kBase, records);
    auto samples = qv::build_process_samples(records, baseline, 1.0, 8, {});
    benchmark::DoNotOptimize(samples.data());
  }
}
BENCHMARK(BM_WalkAndBuildProcessList)->Arg(2000)->Arg(10000)->Unit(benchmark::kMicrosecond);

void BM_WalkBuildGroupAndRank(benchmark::State& state) {
  const auto before = synthetic_process_list(static_cast<size_t>(state.range(0)), 1);
  const auto after = synthetic_process_list(static_cast<size_t>(state.range(0)), 2);
  std::vector<qv::ProcessRecord> records;
  qv::ProcessBaseline baseline;
  qv::walk_process_records(before, kBase, records);
  qv::build_process_samples(records, baseline, 1.0, 8, {});
  for (auto _ : state) {
    qv::walk_process_records(after, kBase, records);
    auto samples = qv::build_process_samples(records, baseline, 1.0, 8, {});
    auto ranked = qv::rank_apps(qv::group_apps(samples, 0, ""), 10, false);
    benchmark::DoNotOptimize(ranked.data());
  }
}
BENCHMARK(BM_WalkBuildGroupAndRank)->Arg(2000)->Arg(10000)->Unit(benchmark::kMicrosecond);

}  // namespace
