#include "sampler/publish.h"

#include <algorithm>
#include <chrono>
#include <thread>
#include <utility>

#include "sampler/tick_math.h"

namespace qv {

void publish(SharedState& state, Snapshot snapshot, const HistorySample& sample) {
  {
    std::lock_guard lock(state.history_mutex);
    state.history.push(sample);
  }
  Snapshot old;
  {
    std::lock_guard lock(state.snapshot_mutex);
    old = std::exchange(state.snapshot, std::move(snapshot));
  }
  state.snapshot_seq.fetch_add(1);
}

Snapshot read_snapshot(SharedState& state) {
  std::lock_guard lock(state.snapshot_mutex);
  return state.snapshot;
}

std::vector<HistorySample> read_history(SharedState& state) {
  std::lock_guard lock(state.history_mutex);
  return state.history.to_vector();
}

uint64_t detail_span_ms(uint32_t interval_ms) {
  const uint64_t interval = clamp_interval_ms(interval_ms);
  return 2 * interval + std::max<uint64_t>(1000, interval / 2);
}

Snapshot fresh_detailed_snapshot(SharedState& state) {
  const uint64_t span = detail_span_ms(state.interval_ms.load());
  // Never shortens a window that an earlier request opened further. On the steady clock: setting
  // the wall clock back must not keep full sampling on, nor forward make requests wait in vain.
  const uint64_t until = steady_now_ms() + span;
  uint64_t current = state.detail_until_ms.load();
  while (current < until && !state.detail_until_ms.compare_exchange_weak(current, until)) {
  }
  const uint64_t seq_at_request = state.snapshot_seq.load();
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(span);
  for (;;) {
    {
      std::lock_guard lock(state.snapshot_mutex);
      const bool moved_on = state.snapshot_seq.load() > seq_at_request;
      if (state.snapshot.processes_measured && (moved_on || state.panel_open.load())) {
        return state.snapshot;
      }
    }
    if (std::chrono::steady_clock::now() >= deadline) break;
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  return read_snapshot(state);
}

}  // namespace qv
