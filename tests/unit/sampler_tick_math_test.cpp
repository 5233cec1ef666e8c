#include "sampler/tick_math.h"

#include <gtest/gtest.h>

#include "procinfo/process_records.h"

#include <algorithm>
#include <cstring>
#include <span>
#include <vector>

namespace qv {
namespace {

TEST(SamplerInterval, ClampsToQuarterSecondAndTenSeconds) {
  const struct {
    uint32_t in, out;
  } cases[] = {{0, 250},       {100, 250},     {249, 250},     {250, 250},   {251, 251},
               {1000, 1000},   {9999, 9999},   {10000, 10000}, {60000, 10000}, {UINT32_MAX, 10000}};
  for (const auto& c : cases) EXPECT_EQ(clamp_interval_ms(c.in), c.out) << c.in;
}

TEST(SamplerElapsed, BackwardsOrStalledClockGivesOneMillisecond) {
  EXPECT_DOUBLE_EQ(elapsed_seconds(5'000'000'000, 4'000'000'000), 0.001);
  EXPECT_DOUBLE_EQ(elapsed_seconds(5'000'000'000, 5'000'000'000), 0.001);
  EXPECT_DOUBLE_EQ(elapsed_seconds(0, 100'000), 0.001);  // 0.1 ms is raised to 1 ms
  EXPECT_DOUBLE_EQ(elapsed_seconds(1'000'000'000, 3'250'000'000), 2.25);
}

TEST(SamplerRate, CountersForwardBackwardAndSaturated) {
  EXPECT_EQ(rate(3000, 1000, 2.0), 1000u);
  EXPECT_EQ(rate(1000, 1000, 1.0), 0u);
  EXPECT_EQ(rate(10, 0, 3.0), 3u);  // truncated toward zero
  EXPECT_EQ(rate(500, 600, 1.0), 0u) << "a counter that went backwards gives 0";
  EXPECT_EQ(rate(1000, 0, 0.5), 2000u);
  EXPECT_EQ(rate(UINT64_MAX, 0, 0.001), UINT64_MAX);
  EXPECT_EQ(rate(UINT64_MAX / 2, 0, 0.25), UINT64_MAX);
  EXPECT_EQ(rate(UINT64_MAX, 0, 1.0), UINT64_MAX);  // rounds up to 2^64 as a double
}

// The free-space query gives the caller's available bytes and total; under a 10 GB quota on a
// volume with 50 GB free, the volume's free figure must not be shown against the quota's total.
TEST(SamplerDrives, FreeAndTotalAreOneConsistentPair) {
  constexpr uint64_t kGB = 1ull << 30;
  struct Case {
    uint64_t available, total;
    DriveInfo want;
  };
  const Case cases[] = {
      {4 * kGB, 10 * kGB, {'C', 10 * kGB, 4 * kGB}},    // under a quota
      {50 * kGB, 500 * kGB, {'C', 500 * kGB, 50 * kGB}},  // no quota
      {10 * kGB, 10 * kGB, {'C', 10 * kGB, 10 * kGB}},    // empty drive
      {11 * kGB, 10 * kGB, {'C', 10 * kGB, 10 * kGB}},    // never more free than total
      {0, 0, {'C', 0, 0}},
  };
  for (const Case& c : cases) EXPECT_EQ(drive_space('C', c.available, c.total), c.want) << c.available << " of " << c.total;
}

TEST(SamplerCpu, BusyShareFromIdleAndTotal) {
  // 1 s of total time of which 0.75 s idle: 25 % busy.
  EXPECT_FLOAT_EQ(busy_pct({17'500'000, 40'000'000}, {10'000'000, 30'000'000}), 25.0f);
  // Idle went backwards: counted as no idle at all.
  EXPECT_FLOAT_EQ(busy_pct({5, 200}, {10, 100}), 100.0f);
  // More idle than total passed: clamped to 0, not negative.
  EXPECT_FLOAT_EQ(busy_pct({500, 200}, {0, 100}), 0.0f);
  // Total did not grow (or went back): nothing can be said.
  EXPECT_FLOAT_EQ(busy_pct({50, 100}, {10, 100}), 0.0f);
  EXPECT_FLOAT_EQ(busy_pct({50, 90}, {10, 100}), 0.0f);
}

TEST(SamplerCpu, MachineLoadNeedsABaseline) {
  EXPECT_FLOAT_EQ(system_cpu_pct({100, 1000}, {0, 0}), 0.0f);
  EXPECT_FLOAT_EQ(system_cpu_pct({100, 1000}, {0, 500}), 80.0f);
}

struct CoreEntry {
  uint64_t idle, kernel, user;
};

// The per-processor answer as the system lays it out: 48 bytes per core, idle/kernel/user first.
std::vector<std::byte> core_answer(const std::vector<CoreEntry>& cores) {
  std::vector<std::byte> bytes(cores.size() * kCoreEntryBytes, std::byte{0xEE});
  for (size_t i = 0; i < cores.size(); ++i) {
    std::memcpy(&bytes[i * kCoreEntryBytes], &cores[i].idle, 8);
    std::memcpy(&bytes[i * kCoreEntryBytes + 8], &cores[i].kernel, 8);
    std::memcpy(&bytes[i * kCoreEntryBytes + 16], &cores[i].user, 8);
  }
  return bytes;
}

TEST(SamplerCores, FirstReadingPrimesThenLoadsPerCore) {
  std::vector<CpuTimes> baseline;
  auto first = core_answer({{100, 200, 0}, {100, 150, 50}});
  auto loads = core_loads(first, baseline);
  EXPECT_EQ(loads, (std::vector<float>{0.0f, 0.0f}));
  EXPECT_EQ(baseline, (std::vector<CpuTimes>{{100, 200}, {100, 200}}));

  // Core 0: 100 more total, 100 more idle -> 0 %. Core 1: 100 kernel + 100 user, 50 idle -> 75 %.
  auto second = core_answer({{200, 300, 0}, {150, 300, 100}});
  loads = core_loads(second, baseline);
  ASSERT_EQ(loads.size(), 2u);
  EXPECT_FLOAT_EQ(loads[0], 0.0f);
  EXPECT_FLOAT_EQ(loads[1], 75.0f);
  EXPECT_EQ(baseline[1], (CpuTimes{150, 400}));
}

// A 128-processor machine answers for one group of 64 per query; every group is read in turn.
TEST(SamplerCores, EveryProcessorGroupIsRead) {
  // Group g's core i: busy for (g * 64 + i) of every 1000 units on the second reading.
  auto group_answer = [](uint16_t group, bool second) {
    std::vector<CoreEntry> cores;
    for (uint64_t i = 0; i < 64; ++i) {
      const uint64_t busy = second ? group * 64 + i : 0;
      cores.push_back({second ? 1000 - busy : 0, second ? uint64_t{1000} : 0, 0});
    }
    return core_answer(cores);
  };
  std::vector<std::byte> buffer(kCoreBufferBytes);
  std::vector<uint16_t> asked;
  bool second = false;
  auto machine = [&](uint16_t group, std::span<std::byte> out) {
    asked.push_back(group);
    const auto answer = group_answer(group, second);
    std::memcpy(out.data(), answer.data(), std::min(out.size(), answer.size()));
    return CoreQuery{0, answer.size()};
  };
  std::vector<CpuTimes> baseline;
  CoreQuery q = query_all_groups(2, buffer, machine);
  EXPECT_EQ(q.returned, 6144u);
  core_loads(std::span<const std::byte>(buffer.data(), q.returned), baseline);
  second = true;
  q = query_all_groups(2, buffer, machine);
  const auto loads = core_loads(std::span<const std::byte>(buffer.data(), q.returned), baseline);
  EXPECT_EQ(asked, (std::vector<uint16_t>{0, 1, 0, 1}));
  ASSERT_EQ(loads.size(), 128u);
  EXPECT_FLOAT_EQ(loads[0], 0.0f);
  EXPECT_FLOAT_EQ(loads[63], 6.3f);
  EXPECT_FLOAT_EQ(loads[64], 6.4f);
  EXPECT_FLOAT_EQ(loads[127], 12.7f);

  // One group failing fails the reading; a machine larger than the buffer is cut at a whole core.
  auto failing = [](uint16_t group, std::span<std::byte>) {
    return group == 1 ? CoreQuery{static_cast<int32_t>(0xC0000003), 0} : CoreQuery{0, 3072};
  };
  EXPECT_EQ(query_all_groups(2, buffer, failing).status, static_cast<int32_t>(0xC0000003));
  std::vector<std::byte> small(100);
  EXPECT_EQ(query_all_groups(2, small, machine).returned, 96u);
  // No group count known: the one group is asked.
  asked.clear();
  EXPECT_EQ(query_all_groups(0, buffer, machine).returned, 3072u);
  EXPECT_EQ(asked, std::vector<uint16_t>{0});
}

TEST(SamplerCores, PartialEntriesAndNewCores) {
  std::vector<CpuTimes> baseline{{0, 100}};
  auto bytes = core_answer({{50, 150, 50}, {0, 100, 0}});
  bytes.resize(bytes.size() + 20);  // a trailing partial entry is not a core
  auto loads = core_loads(bytes, baseline);
  ASSERT_EQ(loads.size(), 2u);
  EXPECT_FLOAT_EQ(loads[0], 50.0f);
  EXPECT_FLOAT_EQ(loads[1], 0.0f) << "a core without a baseline shows 0";
  EXPECT_EQ(baseline.size(), 2u);

  loads = core_loads({}, baseline);
  EXPECT_TRUE(loads.empty());
  EXPECT_TRUE(baseline.empty());
}

TEST(SamplerCores, LogTexts) {
  EXPECT_EQ(core_report_line(8, 384, 8.0), "cores reported: 8 (384 bytes, parallelism 8)");
  EXPECT_EQ(core_report_line(0, 0, 1.0), "cores reported: 0 (0 bytes, parallelism 1)");
  EXPECT_EQ(core_report_line(256, 12288, 256.0), "cores reported: 256 (12288 bytes, parallelism 256)");
  EXPECT_EQ(core_failure_line(0xC0000004u), "core query failed: status 0xc0000004");
  EXPECT_EQ(core_failure_line(0x80000005u), "core query failed: status 0x80000005");
  EXPECT_EQ(core_failure_line(0x1u), "core query failed: status 0x1");
}

TEST(SamplerProcessors, EveryProcessorGroupCountsForPerProcessShares) {
  EXPECT_EQ(logical_processor_count(128, 64), 128.0);  // two groups of 64
  EXPECT_EQ(logical_processor_count(8, 8), 8.0);
  EXPECT_EQ(logical_processor_count(0, 8), 8.0);  // the all-groups count is unknown
  EXPECT_EQ(logical_processor_count(0, 0), 1.0);

  // A process busy on 64 of 128 processors for a whole second is at half the machine.
  ProcessRecord r;
  r.pid = 40;
  r.name = "render.exe";
  ProcessBaseline base;
  build_process_samples({r}, base, 1.0, logical_processor_count(128, 64), {});
  r.cpu_time = 64 * 10'000'000ull;
  const auto s = build_process_samples({r}, base, 1.0, logical_processor_count(128, 64), {});
  ASSERT_EQ(s.size(), 1u);
  EXPECT_FLOAT_EQ(s[0].cpu_pct, 50.0f);
}

TEST(SamplerDetail, PanelPipeRequestOrPriming) {
  EXPECT_FALSE(is_detail_tick(false, 1000, 0, false));
  EXPECT_FALSE(is_detail_tick(false, 1000, 1000, false)) << "the window ends at detail_until_ms";
  EXPECT_TRUE(is_detail_tick(false, 999, 1000, false));
  EXPECT_TRUE(is_detail_tick(true, 1000, 0, false));
  EXPECT_TRUE(is_detail_tick(false, 1000, 0, true));
}

}  // namespace
}  // namespace qv
