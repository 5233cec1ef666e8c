#include "sampler/publish.h"

#include <chrono>
#include <thread>
#include <utility>

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

Snapshot fresh_detailed_snapshot(SharedState& state) {
  state.detail_until_ms.store(unix_now_ms() + 5000);
  const uint64_t seq_at_request = state.snapshot_seq.load();
  for (int attempt = 0; attempt < 40; ++attempt) {
    {
      std::lock_guard lock(state.snapshot_mutex);
      const bool moved_on = state.snapshot_seq.load() > seq_at_request;
      if (!state.snapshot.processes.empty() && (moved_on || state.panel_open.load())) {
        return state.snapshot;
      }
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  return read_snapshot(state);
}

}  // namespace qv
