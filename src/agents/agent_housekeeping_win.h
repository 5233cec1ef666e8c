#pragma once
// The sampler's per-tick agent step: prune the registry and log what finished.
#include <cstdint>

#include "core/shared_state.h"

namespace qv {

// Returns true when agent events were recorded (the caller then posts WM_NOTIFY_QUEUED).
bool agent_housekeeping(SharedState& state, uint64_t now_ms);

}  // namespace qv
