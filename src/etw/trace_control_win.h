#pragma once
// Our real-time trace session: its name, the properties block that starts, queries and stops it,
// and stopping it by name (a session outlives the process that started it).
#include <windows.h>
#include <evntrace.h>

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

// Real time, performance-counter time stamps, system defaults for buffers, no log file.
TraceProperties make_trace_properties();

// ControlTraceW stop on the session by name; true when a session was stopped.
bool stop_trace_session();

}  // namespace qv
