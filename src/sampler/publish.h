#pragma once
// Handing a finished tick to the readers, and reading it back.
#include <cstdint>
#include <vector>

#include "core/clock.h"
#include "core/shared_state.h"

namespace qv {

// Appends the summary to the ring, then replaces the snapshot, then bumps snapshot_seq.
// The two locks are taken one after the other, never together.
void publish(SharedState& state, Snapshot snapshot, const HistorySample& sample);
Snapshot read_snapshot(SharedState& state);
std::vector<HistorySample> read_history(SharedState& state);

// For requests that need the process table: asks the sampler for detail ticks for the next
// 5 seconds and waits (at most 40 polls of 100 ms) for a record that has processes.
Snapshot fresh_detailed_snapshot(SharedState& state);

}  // namespace qv
