#include "gpu/gpu_tally.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

namespace qv {
namespace {

// The shape the counter API gives its instance names.
std::u16string instance(const std::u16string& pid, const std::u16string& engine, int index = 0) {
  const std::u16string engine_index(1, static_cast<char16_t>(u'0' + index));
  return u"pid_" + pid + u"_luid_0x00000000_0x0000D1B2_phys_0_eng_" + engine_index + u"_engtype_" + engine;
}

TEST(GpuInstance, ReadsPidAndEngineType) {
  // The result points into the name, so the names must outlive it.
  const std::u16string name_a = instance(u"4120", u"3D");
  const std::u16string name_b = instance(u"4294967295", u"VideoDecode");
  GpuInstance a = parse_gpu_instance(name_a);
  EXPECT_EQ(a.pid, std::optional<uint32_t>(4120));
  EXPECT_EQ(a.engine_type, u"3D");
  GpuInstance b = parse_gpu_instance(name_b);
  EXPECT_EQ(b.pid, std::optional<uint32_t>(4294967295u));
  EXPECT_EQ(b.engine_type, u"VideoDecode");
  // Leading zeros do not count toward the size of the number.
  EXPECT_EQ(parse_gpu_instance(u"pid_000000000007_engtype_Copy").pid, std::optional<uint32_t>(7));
}

TEST(GpuInstance, NamesWithoutAUsablePid) {
  for (const char16_t* name : {u"pid__luid_engtype_3D",           // no digit
                               u"pid_x12_engtype_3D",             // non-digit right after the tag
                               u"pid_4294967296_engtype_3D",      // one past the 32-bit range
                               u"pid_99999999999999999999_engtype_3D",
                               u"luid_0x0_phys_0_engtype_3D",     // no tag at all
                               u"PID_12_engtype_3D"}) {           // the tag is lower case
    GpuInstance inst = parse_gpu_instance(name);
    EXPECT_FALSE(inst.pid.has_value()) << std::string(name, name + std::char_traits<char16_t>::length(name));
    EXPECT_EQ(inst.engine_type, u"3D");
  }
  // Only the first "pid_" counts, even when a later one would be readable.
  EXPECT_FALSE(parse_gpu_instance(u"pid_a_pid_12_engtype_3D").pid.has_value());
}

TEST(GpuInstance, EngineTypeIsAfterTheLastTagOrTheWholeName) {
  EXPECT_EQ(parse_gpu_instance(u"pid_1_engtype_x_engtype_Copy").engine_type, u"Copy");
  EXPECT_EQ(parse_gpu_instance(u"pid_1_eng_0").engine_type, u"pid_1_eng_0");
  EXPECT_EQ(parse_gpu_instance(u"pid_1_engtype_").engine_type, u"");
}

TEST(GpuTally, MachineIsTheBusiestEngineTypeSummedOverProcesses) {
  GpuTally t;
  t.add(instance(u"100", u"3D"), 30);
  t.add(instance(u"200", u"3D"), 30);
  t.add(instance(u"300", u"VideoDecode"), 50);
  EXPECT_FLOAT_EQ(t.machine_pct(), 60.0f);
  auto per_pid = t.take_per_pid();
  EXPECT_EQ(per_pid.size(), 3u);
  EXPECT_FLOAT_EQ(per_pid[100], 30.0f);
  EXPECT_FLOAT_EQ(per_pid[300], 50.0f);
}

TEST(GpuTally, ProcessSumsAcrossEngineTypesAreCappedButTheMachineIsNot) {
  GpuTally t;
  t.add(instance(u"77", u"3D"), 80);
  t.add(instance(u"77", u"Copy"), 40);
  EXPECT_FLOAT_EQ(t.machine_pct(), 80.0f);
  EXPECT_FLOAT_EQ(t.take_per_pid()[77], 100.0f);
}

TEST(GpuTally, EnginesOfSeveralAdaptersAddUpAndTheMachineIsCapped) {
  GpuTally t;
  t.add(instance(u"5", u"3D", 0), 70);
  t.add(instance(u"6", u"3D", 1), 70);
  EXPECT_FLOAT_EQ(t.machine_pct(), 100.0f);
}

TEST(GpuTally, IdleAndBrokenItemsContributeNothing) {
  GpuTally t;
  EXPECT_EQ(t.machine_pct(), 0.0f);
  t.add(instance(u"1", u"3D"), 0);
  t.add(instance(u"2", u"3D"), -5);
  t.add(instance(u"3", u"3D"), std::numeric_limits<double>::quiet_NaN());
  t.add(u"", 40);
  EXPECT_EQ(t.machine_pct(), 0.0f);
  EXPECT_TRUE(t.take_per_pid().empty());
}

TEST(GpuTally, ItemWithoutPidCountsOnlyForItsEngineType) {
  GpuTally t;
  t.add(u"pid_x_engtype_Compute", 45);
  t.add(instance(u"9", u"3D"), 10);
  EXPECT_FLOAT_EQ(t.machine_pct(), 45.0f);
  auto per_pid = t.take_per_pid();
  ASSERT_EQ(per_pid.size(), 1u);
  EXPECT_FLOAT_EQ(per_pid[9], 10.0f);
}

TEST(GpuTally, ClearStartsTheNextReadingFromNothing) {
  GpuTally t;
  t.add(instance(u"1", u"3D"), 90);
  t.clear();
  t.add(instance(u"2", u"Copy"), 5);
  EXPECT_FLOAT_EQ(t.machine_pct(), 5.0f);
  auto per_pid = t.take_per_pid();
  EXPECT_EQ(per_pid.count(1), 0u);
  EXPECT_TRUE(t.take_per_pid().empty());  // taking leaves nothing behind
}

}  // namespace
}  // namespace qv

namespace qv {
namespace {

// After hours with the panel closed the first collection averages the whole pause: dropped.
TEST(GpuCollection, APreviousCollectionOlderThanTwoIntervalsIsAPause) {
  struct Case {
    uint64_t previous, now;
    uint32_t interval;
    bool pause;
  };
  const Case cases[] = {
      {10'000, 11'000, 1000, false},   // the next tick
      {10'000, 12'000, 1000, false},   // one tick skipped: exactly two intervals
      {10'000, 12'001, 1000, true},    // just past two intervals
      {10'000, 10'000 + 3'600'000, 1000, true},  // an hour
      {10'000, 10'500, 250, false},    // shortest interval, two ticks
      {10'000, 10'501, 250, true},
      {10'000, 9'000, 1000, false},    // a clock that went back is no pause
  };
  for (const Case& c : cases) {
    EXPECT_EQ(collection_covers_a_pause(c.previous, c.now, c.interval), c.pause)
        << c.previous << " -> " << c.now << " at " << c.interval;
  }
}

}  // namespace
}  // namespace qv
