#pragma once
#include <memory>

#include "main/shared_state.h"

namespace qv {

// The event-tracing worker: frame counts and per-process network bytes.
void run_event_tracing(std::shared_ptr<SharedState> state);

}  // namespace qv
