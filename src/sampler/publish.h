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

// How long a request for the process table keeps the sampler in detail, and at most waits:
// two sampling intervals (the first enumeration after a pause only sets the per-process
// baseline; the second measures) plus a margin of half an interval, at least one second.
// 3 s at the default interval, 25 s at the longest.
uint64_t detail_span_ms(uint32_t interval_ms);

// For requests that need the process table: asks the sampler for detail ticks for the next
// detail_span_ms and waits, polling every 100 ms, at most that long for a record published
// after the request (or while the panel is open) whose per-process rates were measured.
// When none comes in time, the current record as it is.
Snapshot fresh_detailed_snapshot(SharedState& state);

}  // namespace qv
