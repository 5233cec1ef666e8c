#include "etw/trace_control_win.h"

#include <windows.h>
#include <evntrace.h>

#include <cstring>
#include <vector>

namespace qv {

bool stop_trace_session() {
  // The properties block must have room behind it for the session name.
  std::vector<unsigned char> block(sizeof(EVENT_TRACE_PROPERTIES) + 256 * sizeof(wchar_t), 0);
  auto* props = reinterpret_cast<EVENT_TRACE_PROPERTIES*>(block.data());
  props->Wnode.BufferSize = static_cast<ULONG>(block.size());
  props->LoggerNameOffset = sizeof(EVENT_TRACE_PROPERTIES);
  return ControlTraceW(0, kTraceSessionName, props, EVENT_TRACE_CONTROL_STOP) == ERROR_SUCCESS;
}

}  // namespace qv
