#include "audio/sound_merge.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace qv {
namespace {

SoundSession active(uint32_t pid, std::optional<float> peak) { return SoundSession{true, pid, peak}; }

TEST(SoundMerge, LoudestSessionPerProcessAndOverall) {
  SoundLevels l = merge_sound_sessions({active(40, 0.3f), active(40, 0.6f), active(41, 0.2f)});
  EXPECT_FLOAT_EQ(l.loudest, 0.6f);
  EXPECT_EQ(l.per_pid.size(), 2u);
  EXPECT_FLOAT_EQ(l.per_pid[40], 0.6f);
  EXPECT_FLOAT_EQ(l.per_pid[41], 0.2f);
}

TEST(SoundMerge, InactiveSessionsNeverCount) {
  SoundLevels l = merge_sound_sessions({SoundSession{false, 40, 0.9f}, active(41, 0.1f)});
  EXPECT_FLOAT_EQ(l.loudest, 0.1f);
  EXPECT_EQ(l.per_pid.count(40), 0u);
}

TEST(SoundMerge, MetersAreClampedAndNonFiniteReadingsIgnored) {
  const float inf = std::numeric_limits<float>::infinity();
  SoundLevels l = merge_sound_sessions({active(1, 1.7f), active(2, -0.5f), active(3, std::nanf("")), active(4, inf),
                                        active(5, -inf), active(6, std::nullopt)});
  EXPECT_FLOAT_EQ(l.loudest, 1.0f);
  EXPECT_FLOAT_EQ(l.per_pid[1], 1.0f);
  EXPECT_EQ(l.per_pid.at(2), 0.0f);  // a negative reading is a silent session, not a missing one
  for (uint32_t pid : {3u, 4u, 5u, 6u}) EXPECT_EQ(l.per_pid.count(pid), 0u) << pid;
}

TEST(SoundMerge, SessionsWithoutPidCountOnlyOverall) {
  SoundLevels l = merge_sound_sessions({active(0, 0.8f), active(9, 0.4f)});
  EXPECT_FLOAT_EQ(l.loudest, 0.8f);
  EXPECT_EQ(l.per_pid.size(), 1u);
  EXPECT_EQ(l.per_pid.count(0), 0u);
}

TEST(SoundMerge, NoSessionsIsSilence) {
  SoundLevels l = merge_sound_sessions({});
  EXPECT_EQ(l.loudest, 0.0f);
  EXPECT_TRUE(l.per_pid.empty());
}

TEST(SoundMerge, OnlyTheFirst256SessionsAreExamined) {
  EXPECT_EQ(sound_sessions_to_examine(-3), 0u);
  EXPECT_EQ(sound_sessions_to_examine(0), 0u);
  EXPECT_EQ(sound_sessions_to_examine(7), 7u);
  EXPECT_EQ(sound_sessions_to_examine(256), 256u);
  EXPECT_EQ(sound_sessions_to_examine(100000), 256u);
}

}  // namespace
}  // namespace qv

namespace qv {
namespace {

// A headset that is unplugged and plugged in again: the device fails, is looked for at once,
// is missing for a while (looked for every 10 s, not on every tick), then returns.
TEST(PlaybackDevice, ADeviceThatFailsIsTakenAgainAndLookedForEveryTenSecondsWhileMissing) {
  PlaybackDeviceSchedule device;
  EXPECT_TRUE(device.should_look(0)) << "the first reading takes the default device";
  device.found();
  EXPECT_FALSE(device.should_look(1'000));
  EXPECT_TRUE(device.has_device());

  device.lost();  // its session list failed at 5 s
  EXPECT_FALSE(device.has_device());
  EXPECT_TRUE(device.should_look(6'000)) << "the next reading looks again at once";
  device.not_found(6'000);
  for (uint64_t t : {7'000, 10'000, 15'999}) EXPECT_FALSE(device.should_look(t)) << t;
  EXPECT_TRUE(device.should_look(16'000));
  device.not_found(16'000);
  EXPECT_FALSE(device.should_look(25'999));
  EXPECT_TRUE(device.should_look(26'000));
  device.found();
  EXPECT_TRUE(device.has_device());
  EXPECT_FALSE(device.should_look(27'000));

  // No device at start-up: looked for again later, not never.
  // Only a device that is gone is let go; other failures of the session list are one tick's.
  EXPECT_TRUE(playback_device_gone(static_cast<int32_t>(0x88890004)));   // device invalidated
  EXPECT_TRUE(playback_device_gone(static_cast<int32_t>(0x88890010)));   // audio service not running
  EXPECT_FALSE(playback_device_gone(static_cast<int32_t>(0x80004001)));  // not implemented
  EXPECT_FALSE(playback_device_gone(static_cast<int32_t>(0x8007000E)));  // out of memory
  EXPECT_FALSE(playback_device_gone(0));

  PlaybackDeviceSchedule none;
  none.not_found(0);
  EXPECT_FALSE(none.should_look(9'999));
  EXPECT_TRUE(none.should_look(10'000));
}

}  // namespace
}  // namespace qv
