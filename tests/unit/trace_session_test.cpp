#include "etw/session_start.h"
#include "sampler/tick_math.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace qv {
namespace {

// Plays back a list of start results and records the calls in order ("start", "stop").
struct FakeSession {
  std::vector<uint32_t> results;
  std::vector<std::string> calls;
  uint32_t run(OwnerLock owner = OwnerLock::kTaken) {
    size_t next = 0;
    return start_reclaiming(
        [&] {
          calls.push_back("start");
          return results.at(next++);
        },
        [&] { calls.push_back("stop"); }, may_reclaim_session(owner));
  }
};

// With the default flush of about a second, a 500 ms tick alternates between no frames and two
// ticks' worth. The flush must come at least twice within the shortest interval.
TEST(TraceSessionFlush, BuffersAreHandedOverWellWithinTheShortestInterval) {
  EXPECT_LE(kTraceFlushMs * 2, clamp_interval_ms(0));
  EXPECT_GT(kTraceFlushMs, 0u);
}

TEST(TraceSessionStart, LeftOverSessionIsStoppedAndStartedOnceMore) {
  FakeSession ok{{0}, {}};
  EXPECT_EQ(ok.run(), 0u);
  EXPECT_EQ(ok.calls, (std::vector<std::string>{"start"}));

  FakeSession left_over{{183, 0}, {}};
  EXPECT_EQ(left_over.run(), 0u);
  EXPECT_EQ(left_over.calls, (std::vector<std::string>{"start", "stop", "start"}));

  // Only one reclaim: a second "already exists" is the result that gets reported.
  FakeSession stubborn{{183, 183}, {}};
  EXPECT_EQ(stubborn.run(), 183u);
  EXPECT_EQ(stubborn.calls, (std::vector<std::string>{"start", "stop", "start"}));

  // Any other failure (no rights) is reported as it is, without touching a session.
  FakeSession denied{{5}, {}};
  EXPECT_EQ(denied.run(), 5u);
  EXPECT_EQ(denied.calls, (std::vector<std::string>{"start"}));
}

TEST(TraceSessionStart, OnlyASessionNoRunningMonitorOwnsIsReclaimed) {
  // The owner ended without letting go of the lock (a crash, a kill): its session is a left-over.
  FakeSession abandoned{{183, 0}, {}};
  EXPECT_EQ(abandoned.run(OwnerLock::kAbandoned), 0u);
  EXPECT_EQ(abandoned.calls, (std::vector<std::string>{"start", "stop", "start"}));

  // A monitor of another user session holds the lock: its session keeps running.
  FakeSession live{{183, 0}, {}};
  EXPECT_EQ(live.run(OwnerLock::kHeldElsewhere), 183u);
  EXPECT_EQ(live.calls, (std::vector<std::string>{"start"}));

  // Without the lock nothing is known, so nothing is stopped either.
  FakeSession unknown{{183, 0}, {}};
  EXPECT_EQ(unknown.run(OwnerLock::kUnavailable), 183u);
  EXPECT_EQ(unknown.calls, (std::vector<std::string>{"start"}));

  // With no session of that name there is nothing to stop, whoever holds the lock.
  FakeSession fresh{{0}, {}};
  EXPECT_EQ(fresh.run(OwnerLock::kHeldElsewhere), 0u);
  EXPECT_EQ(fresh.calls, (std::vector<std::string>{"start"}));
}

}  // namespace
}  // namespace qv
