// Graphics counters, sound meters and event tracing against the real system calls. Under Wine the
// three facilities are missing (no graphics engine counters, no playback device, trace sessions
// that start but cannot be opened), which exercises their failure paths and log lines; the
// property block and the frame/network takes are checked as the system sees them.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "audio/sound_meters_win.h"
#include "etw/etw_thread_win.h"
#include "etw/frame_take_win.h"
#include "etw/trace_control_win.h"
#include "gpu/gpu_counters_win.h"
#include "win_support.h"

namespace qv::test {
namespace {

// Points this process's LOCALAPPDATA (and so its program log) at a fresh directory for one test.
class ScopedLogDir {
 public:
  std::string log() const { return read_file(dir_.file(L"zelmor.log")); }

 private:
  TempDir dir_{L"qvtrace"};
  ScopedLocalAppData here_{dir_.path()};
};

TEST(TraceGpuCounters, UnavailableCountersLogOnceAndAreNeverRetried) {
  ScopedLogDir dir;
  GpuCounters gpu;
  std::unordered_map<uint32_t, float> per_pid{{7, 12.5f}};
  for (int tick = 0; tick < 3; ++tick) {
    float machine = 99;
    EXPECT_FALSE(gpu.read(machine, per_pid, 1000)) << tick;
    EXPECT_EQ(machine, 0.0f);
  }
  EXPECT_EQ(per_pid.size(), 1u);  // an unavailable reading leaves the last map alone
  EXPECT_EQ(dir.log(), "GPU PDH counters unavailable\n");
}

// COM is entered per thread: give the sound meters a fresh thread like the sampler's.
TEST(TraceSoundMeters, NoPlaybackDeviceLogsOnceAndReportsUnavailable) {
  ScopedLogDir dir;
  std::vector<bool> results;
  std::vector<float> peaks;
  std::thread([&] {
    SoundMeters meters;
    std::unordered_map<uint32_t, float> per_pid;
    for (int tick = 0; tick < 3; ++tick) {
      float peak = 5;
      results.push_back(meters.read(peak, per_pid));
      peaks.push_back(peak);
    }
  }).join();
  EXPECT_EQ(results, (std::vector<bool>{false, false, false}));
  EXPECT_EQ(peaks, (std::vector<float>{0, 0, 0}));
  EXPECT_EQ(dir.log(), "audio: no default playback device\n");
}

TEST(TraceSession, PropertiesBlockIsTheFixedLayout) {
  TraceProperties block = make_trace_properties();
  ASSERT_EQ(sizeof block, 376u);
  EXPECT_EQ(block.props.Wnode.BufferSize, 376u);
  EXPECT_EQ(block.props.Wnode.ClientContext, 1u);
  EXPECT_EQ(block.props.Wnode.Flags, 0x20000u);
  EXPECT_EQ(block.props.LogFileMode, 0x110u);  // real time, flush timer in milliseconds
  EXPECT_EQ(block.props.FlushTimer, 100u);
  EXPECT_EQ(block.props.LoggerNameOffset, 120u);
  // Everything else is zero: system defaults, no log file, an empty name area.
  block.props.Wnode.BufferSize = 0;
  block.props.Wnode.ClientContext = 0;
  block.props.Wnode.Flags = 0;
  block.props.LogFileMode = 0;
  block.props.FlushTimer = 0;
  block.props.LoggerNameOffset = 0;
  const std::vector<unsigned char> zero(sizeof block, 0);
  EXPECT_EQ(std::memcmp(&block, zero.data(), sizeof block), 0);
}

// What a monitor's tracing thread finds when it tries the owner lock, tried on a thread of its own.
OwnerLock owner_lock_seen_by_another_monitor() {
  OwnerLock seen = OwnerLock::kUnavailable;
  std::thread([&] {
    TraceOwnerLock lock;
    seen = lock.state();
  }).join();
  return seen;
}

TEST(TraceSession, TheOwnerLockTellsALiveOwnerFromALeftOver) {
  EXPECT_EQ(owner_lock_seen_by_another_monitor(), OwnerLock::kTaken);  // nobody traces

  {
    TraceOwnerLock live;  // this thread plays the running monitor
    ASSERT_EQ(live.state(), OwnerLock::kTaken);
    EXPECT_EQ(owner_lock_seen_by_another_monitor(), OwnerLock::kHeldElsewhere);
  }
  EXPECT_EQ(owner_lock_seen_by_another_monitor(), OwnerLock::kTaken);  // let go at its end

  // A monitor that ended without letting go (killed): the next one finds the lock abandoned
  // and may reclaim the session; after that, the lock is an ordinary free one again.
  UniqueHandle crashed;
  std::thread([&] { crashed.reset(CreateMutexW(nullptr, TRUE, kTraceOwnerLockName)); }).join();
  ASSERT_TRUE(crashed.valid());
  EXPECT_EQ(owner_lock_seen_by_another_monitor(), OwnerLock::kAbandoned);
  EXPECT_EQ(owner_lock_seen_by_another_monitor(), OwnerLock::kTaken);
}

TEST(TraceSession, OpenFailureStopsTracingWithoutAThreadAndLetsGoOfEverything) {
  ScopedLogDir dir;
  auto state = std::make_shared<SharedState>();
  const size_t threads_before = thread_count_of(GetCurrentProcessId());
  ASSERT_GT(threads_before, 0u);
  EXPECT_EQ(start_event_tracing(state), nullptr);
  // Starting the session and enabling both providers worked (no failure line for either), so
  // per-process network figures had been claimed; with the trace unopened that is withdrawn.
  EXPECT_EQ(dir.log(), "ETW OpenTrace failed\n");
  EXPECT_FALSE(state->per_app_network_available.load());
  EXPECT_FALSE(state->frame_tracking_active.load());
  // Nothing was left behind: no reading thread, and the owner lock is free for the next monitor.
  EXPECT_EQ(thread_count_of(GetCurrentProcessId()), threads_before);
  EXPECT_EQ(owner_lock_seen_by_another_monitor(), OwnerLock::kTaken);
}

TEST(TraceTakes, FrameRatesNameProcessesThroughTheSystem) {
  auto state = std::make_shared<SharedState>();
  const uint32_t self = GetCurrentProcessId();
  const uint32_t gone = 0xFFFFFFF0u;  // no such process: named by its number
  state->present_counts = {{self, 120}, {gone, 30}, {12345678u, 1}};
  TraceTake take;
  Snapshot s;
  take.take_frame_rates(*state, 2.0, s);
  ASSERT_EQ(s.presenting_apps.size(), 2u);
  EXPECT_EQ(s.presenting_apps[0], (PresentingApp{self, "win_tests.exe", 60}));
  EXPECT_EQ(s.presenting_apps[1], (PresentingApp{gone, "pid 4294967280", 15}));
  ASSERT_TRUE(s.fps.has_value());
  EXPECT_EQ(s.fps->pid, self);
  EXPECT_TRUE(state->present_counts.empty());  // taken, not copied

  // The next tick sees only what was counted after the take.
  take.take_frame_rates(*state, 1.0, s);
  EXPECT_TRUE(s.presenting_apps.empty());
  EXPECT_FALSE(s.fps.has_value());
}

TEST(TraceTakes, NetworkRatesReplaceTheLastTickAndEmptyTheSharedMap) {
  auto state = std::make_shared<SharedState>();
  state->net_by_pid = {{40, NetBytes{600, 400}}};
  TraceTake take;
  std::unordered_map<uint32_t, uint64_t> rates{{1, 1}};
  take.take_network(*state, 0.5, rates);
  EXPECT_EQ(rates, (std::unordered_map<uint32_t, uint64_t>{{40, 2000}}));
  EXPECT_TRUE(state->net_by_pid.empty());
  take.take_network(*state, 0.5, rates);
  EXPECT_TRUE(rates.empty());
}

size_t count_lines(const std::string& text, const std::string& line) {
  size_t n = 0;
  for (size_t start = 0, nl; (nl = text.find('\n', start)) != std::string::npos; start = nl + 1)
    n += text.compare(start, nl - start, line) == 0;
  return n;
}

// The running program: a graphics rule and a sound rule make every tick ask for the counters and
// the meters (with the panel closed nothing else does), so a set-up that were retried would log
// again within a few quarter-second ticks.
TEST(TraceProgramLog, EachMissingFacilityIsLoggedOnceByTheRunningProgram) {
  TempDir dir;
  write_file(dir.file(L"zelmor.ini"), "interval_ms=250\nlog1=gpu>99\nlog2=sound>99\n");
  Child child = launch(quorvel_exe(), L"", {{L"LOCALAPPDATA", dir.path()}});
  ASSERT_TRUE(child.process.valid());
  const std::vector<std::string> expected = {"GPU PDH counters unavailable", "audio: no default playback device",
                                             "ETW OpenTrace failed"};
  const auto all_logged = [&] {
    const std::string text = read_file(dir.file(L"zelmor.log"));
    for (const auto& line : expected)
      if (count_lines(text, line) == 0) return false;
    return true;
  };
  // Generous: on a loaded machine a fresh Wine session can take many seconds to start a GUI program.
  const bool logged = eventually(all_logged, 60000);
  Sleep(2000);
  const std::string text = read_file(dir.file(L"zelmor.log"));
  const std::optional<DWORD> ended = wait_exit(child, 0);
  kill(child);
  ASSERT_TRUE(logged) << (ended ? "the program ended with code " + std::to_string(*ended) : "the program still ran")
                      << "; its log:\n" << text;
  for (const auto& line : expected) EXPECT_EQ(count_lines(text, line), 1u) << line << "\n" << text;
  EXPECT_EQ(text.find("ETW StartTrace failed"), std::string::npos) << text;
  EXPECT_EQ(text.find("ETW enable"), std::string::npos) << text;
}

}  // namespace
}  // namespace qv::test
