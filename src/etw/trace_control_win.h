#pragma once
// Our real-time trace session: its name, the properties block that starts, queries and stops it,
// stopping it by name (a session outlives the process that started it), and the owner lock that
// says which running monitor the session belongs to.
#include <windows.h>
#include <evntrace.h>

#include "etw/session_start.h"
#include "util/handles_win.h"
#include "util/names.h"

namespace qv {

// The 120-byte properties structure followed by room for the session name, which the system
// copies in behind it. Every call gets a fresh block: the system writes into it.
struct TraceProperties {
  EVENT_TRACE_PROPERTIES props;
  unsigned char logger_name[256];
};
static_assert(sizeof(EVENT_TRACE_PROPERTIES) == 120, "the session block layout is fixed");
static_assert(sizeof(TraceProperties) == 376, "the session block layout is fixed");

// Real time, performance-counter time stamps, buffers flushed every kTraceFlushMs, system
// defaults for buffers otherwise, no log file.
TraceProperties make_trace_properties();

// ControlTraceW stop on the session by name; true when a session was stopped.
bool stop_trace_session();

// The owner lock, tried without waiting when constructed and let go when destroyed. A mutex
// belongs to a thread: the tracing thread keeps this for as long as its session may run, and a
// monitor that ends without letting go leaves it abandoned.
class TraceOwnerLock {
 public:
  TraceOwnerLock();
  TraceOwnerLock(const TraceOwnerLock&) = delete;
  TraceOwnerLock& operator=(const TraceOwnerLock&) = delete;
  ~TraceOwnerLock();
  OwnerLock state() const { return state_; }

 private:
  UniqueHandle mutex_;
  OwnerLock state_ = OwnerLock::kUnavailable;
};

// Records whether this process started the session that is running now.
void set_trace_session_ours(bool ours);
// Stops the session by name, but only one that this process started: a monitor in another user
// session may own the session of that name. Used at exit, when the user's session ends and on
// the panic path. True when a session was stopped.
bool stop_own_trace_session();

}  // namespace qv
