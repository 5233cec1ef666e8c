#include "core/snapshot.h"

#include <gtest/gtest.h>

#include <cmath>
#include <thread>

#include "sampler/publish.h"

namespace qv {
namespace {

HistorySample sample_at(uint64_t ms) {
  HistorySample h;
  h.unix_ms = ms;
  return h;
}

TEST(Snapshot, MemPctHandlesZeroTotal) {
  Snapshot s;
  EXPECT_EQ(mem_pct(s), 0.0f);
  s.mem_used_bytes = 5;  // inconsistent, but still no division by zero
  EXPECT_EQ(mem_pct(s), 0.0f);
  s.mem_total_bytes = 8;
  s.mem_used_bytes = 2;
  EXPECT_FLOAT_EQ(mem_pct(s), 25.0f);
}

TEST(Snapshot, SummaryCombinesRatesAndFps) {
  Snapshot s;
  s.cpu_pct = 12.5f;
  s.mem_total_bytes = 1000;
  s.mem_used_bytes = 333;
  s.disk_read_bps = 7;
  s.disk_write_bps = 8;
  s.net_rx_bps = 100;
  s.net_tx_bps = 23;
  HistorySample h = summarise(s, 42);
  EXPECT_EQ(h.unix_ms, 42u);
  EXPECT_FLOAT_EQ(h.mem_pct, 33.3f);
  EXPECT_EQ(h.disk_bps, 15u);
  EXPECT_EQ(h.net_bps, 123u);
  EXPECT_EQ(h.fps, 0u);
  s.fps = PresentingApp{1, "game.exe", 144};
  EXPECT_EQ(summarise(s, 0).fps, 144u);
}

// A rate saturates when it does not fit; adding two such rates must not wrap to a small one.
TEST(Snapshot, SummarySaturatesAtTheTopOfTheRange) {
  Snapshot s;
  s.disk_read_bps = UINT64_MAX;
  s.disk_write_bps = 2;
  s.net_rx_bps = UINT64_MAX - 5;
  s.net_tx_bps = 5;
  HistorySample h = summarise(s, 0);
  EXPECT_EQ(h.disk_bps, UINT64_MAX);
  EXPECT_EQ(h.net_bps, UINT64_MAX);
  s.net_tx_bps = 6;
  EXPECT_EQ(summarise(s, 0).net_bps, UINT64_MAX);
  s.net_tx_bps = 4;
  EXPECT_EQ(summarise(s, 0).net_bps, UINT64_MAX - 1);
}

TEST(HistoryRing, KeepsTheNewest360InOrder) {
  HistoryRing ring;
  EXPECT_EQ(ring.capacity(), 360u);
  EXPECT_EQ(ring.size(), 0u);
  for (uint64_t i = 0; i < 360; ++i) ring.push(sample_at(i));
  EXPECT_EQ(ring.size(), 360u);
  EXPECT_EQ(ring.at(0).unix_ms, 0u);
  ring.push(sample_at(360));
  EXPECT_EQ(ring.size(), 360u);
  EXPECT_EQ(ring.at(0).unix_ms, 1u);
  EXPECT_EQ(ring.at(359).unix_ms, 360u);
  for (uint64_t i = 361; i < 1000; ++i) ring.push(sample_at(i));
  auto v = ring.to_vector();
  ASSERT_EQ(v.size(), 360u);
  for (size_t i = 0; i < v.size(); ++i) EXPECT_EQ(v[i].unix_ms, 640u + i);
  EXPECT_EQ(ring.capacity(), 360u);  // never grew
}

TEST(Publish, ReadersSeeEmptyRecordBeforeFirstPublication) {
  SharedState state;
  Snapshot s = read_snapshot(state);
  EXPECT_EQ(s, Snapshot());
  EXPECT_EQ(mem_pct(s), 0.0f);
  EXPECT_FALSE(s.fps.has_value());
  EXPECT_TRUE(read_history(state).empty());
}

TEST(Publish, AppendsReplacesAndCounts) {
  SharedState state;
  Snapshot s;
  s.cpu_pct = 50;
  publish(state, s, sample_at(1));
  s.cpu_pct = 60;
  publish(state, s, sample_at(2));
  EXPECT_EQ(state.snapshot_seq.load(), 2u);
  EXPECT_FLOAT_EQ(read_snapshot(state).cpu_pct, 60.0f);
  auto h = read_history(state);
  ASSERT_EQ(h.size(), 2u);
  EXPECT_EQ(h[0].unix_ms, 1u);
  EXPECT_EQ(h[1].unix_ms, 2u);
}

TEST(FreshDetailedSnapshot, ReturnsAtOnceWhenPanelOpenAndProcessesPresent) {
  SharedState state;
  Snapshot s;
  s.processes.push_back(ProcessSample{"a.exe"});
  s.processes_measured = true;
  publish(state, s, {});
  state.panel_open = true;
  const auto start = std::chrono::steady_clock::now();
  Snapshot got = fresh_detailed_snapshot(state);
  EXPECT_EQ(got.processes.size(), 1u);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(90));
  EXPECT_GT(state.detail_until_ms.load(), steady_now_ms());
}

TEST(FreshDetailedSnapshot, WaitsForARecordPublishedAfterTheRequest) {
  SharedState state;
  Snapshot stale;
  stale.cpu_pct = 1;
  stale.processes.push_back(ProcessSample{"old.exe"});
  stale.processes_measured = true;
  publish(state, stale, {});  // has processes but predates the request, panel closed
  std::thread sampler([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(250));
    Snapshot fresh;
    fresh.cpu_pct = 2;
    fresh.processes.push_back(ProcessSample{"new.exe"});
    fresh.processes_measured = true;
    publish(state, fresh, {});
  });
  Snapshot got = fresh_detailed_snapshot(state);
  sampler.join();
  ASSERT_EQ(got.processes.size(), 1u);
  EXPECT_EQ(got.processes[0].name, "new.exe");
}

// With the panel closed, the first tick after a request enumerates processes against no
// baseline (every process at 0 %); only the tick after it has real per-process figures.
TEST(FreshDetailedSnapshot, SkipsTheRecordThatOnlySetTheBaseline) {
  SharedState state;
  std::thread sampler([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(150));
    Snapshot priming;
    priming.processes.push_back(ProcessSample{"app.exe"});
    publish(state, priming, {});
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    Snapshot measured;
    ProcessSample p{"app.exe"};
    p.cpu_pct = 12;
    measured.processes.push_back(p);
    measured.processes_measured = true;
    publish(state, measured, {});
  });
  const Snapshot got = fresh_detailed_snapshot(state);
  sampler.join();
  ASSERT_EQ(got.processes.size(), 1u);
  EXPECT_TRUE(got.processes_measured);
  EXPECT_EQ(got.processes[0].cpu_pct, 12.0f);
}

TEST(FreshDetailedSnapshot, DetailWindowAndWaitCoverTwoIntervalsAndAMargin) {
  const struct {
    uint32_t interval_ms;
    uint64_t span_ms;
  } cases[] = {{100, 1500}, {250, 1500}, {1000, 3000}, {2000, 5000}, {5000, 12500}, {10000, 25000}, {60000, 25000}};
  for (const auto& c : cases) EXPECT_EQ(detail_span_ms(c.interval_ms), c.span_ms) << c.interval_ms;

  // At the longest interval the sampler stays in detail long enough for two ticks.
  SharedState state;
  state.interval_ms = 10000;
  Snapshot s;
  s.processes.push_back(ProcessSample{"a.exe"});
  s.processes_measured = true;
  publish(state, s, {});
  state.panel_open = true;
  // The window is measured on the steady clock, which a change of the wall clock does not move.
  const uint64_t before = steady_now_ms();
  fresh_detailed_snapshot(state);
  EXPECT_GE(state.detail_until_ms.load(), before + 25000);
  EXPECT_LE(state.detail_until_ms.load(), steady_now_ms() + 25000);

  // A later request never shortens the window an earlier one opened.
  state.interval_ms = 1000;
  fresh_detailed_snapshot(state);
  EXPECT_GE(state.detail_until_ms.load(), before + 25000);
}

TEST(FreshDetailedSnapshot, GivesUpAfterTheSpanWithTheCurrentRecord) {
  SharedState state;
  state.interval_ms = 250;  // span 1.5 s
  Snapshot unmeasured;
  unmeasured.processes.push_back(ProcessSample{"a.exe"});
  publish(state, unmeasured, {});
  const auto start = std::chrono::steady_clock::now();
  const Snapshot got = fresh_detailed_snapshot(state);
  const auto waited = std::chrono::steady_clock::now() - start;
  EXPECT_EQ(got, unmeasured);
  EXPECT_GE(waited, std::chrono::milliseconds(1500));
  EXPECT_LT(waited, std::chrono::milliseconds(10000));
}

}  // namespace
}  // namespace qv
