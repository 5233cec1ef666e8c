#pragma once
// Event tracing: frame rates and per-app network.
#include <memory>

#include "core/shared_state.h"
#include "etw/trace_control_win.h"

namespace qv {

// Starts the real-time session with the present and network providers on the calling thread and
// opens it for reading; a worker thread of its own then counts the events into `state` until the
// session stops. Without the rights to trace, or where the events cannot be read, it logs why,
// starts no thread and returns null; it never retries (so a monitor that cannot trace never pays
// for a thread that would end at once).
// The returned lock tells other monitors that the session is live: the caller keeps it for as long
// as the process runs, on a thread that lives as long (a lock belongs to the thread that took it).
std::unique_ptr<TraceOwnerLock> start_event_tracing(std::shared_ptr<SharedState> state);

}  // namespace qv
