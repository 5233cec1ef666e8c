#include "etw/trace_control_win.h"

#include <cstddef>

namespace qv {

TraceProperties make_trace_properties() {
  TraceProperties block{};
  block.props.Wnode.BufferSize = sizeof(TraceProperties);
  block.props.Wnode.ClientContext = 1;  // query-performance-counter time stamps
  block.props.Wnode.Flags = WNODE_FLAG_TRACED_GUID;
  block.props.LogFileMode = EVENT_TRACE_REAL_TIME_MODE;
  block.props.LoggerNameOffset = offsetof(TraceProperties, logger_name);
  return block;
}

bool stop_trace_session() {
  TraceProperties block = make_trace_properties();
  return ControlTraceW(0, kTraceSessionName, &block.props, EVENT_TRACE_CONTROL_STOP) == ERROR_SUCCESS;
}

}  // namespace qv
