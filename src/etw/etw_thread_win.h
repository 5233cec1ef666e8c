#pragma once
// The event-tracing worker thread.
#include <memory>

#include "core/shared_state.h"

namespace qv {

// The event-tracing worker: starts the real-time session with the present and network
// providers and counts their events into `state` until the session stops. Without the rights
// to trace it logs why and returns; it never retries.
void run_event_tracing(std::shared_ptr<SharedState> state);

}  // namespace qv
