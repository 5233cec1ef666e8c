#include "etw/trace_control_win.h"

#include <atomic>
#include <cstddef>

namespace qv {
namespace {

// FlushTimer counts milliseconds instead of seconds (EVENT_TRACE_USE_MS_FLUSH_TIMER, which not
// every SDK's headers define).
constexpr ULONG kUseMillisecondFlushTimer = 0x00000010;

std::atomic<bool> g_session_ours{false};

}  // namespace

TraceProperties make_trace_properties() {
  TraceProperties block{};
  block.props.Wnode.BufferSize = sizeof(TraceProperties);
  block.props.Wnode.ClientContext = 1;  // query-performance-counter time stamps
  block.props.Wnode.Flags = WNODE_FLAG_TRACED_GUID;
  // The system flushes a real-time session's buffers about once a second by default, which hands
  // the sampler a second's frames at once at shorter intervals: every other tick would see none.
  block.props.LogFileMode = EVENT_TRACE_REAL_TIME_MODE | kUseMillisecondFlushTimer;
  block.props.FlushTimer = kTraceFlushMs;
  block.props.LoggerNameOffset = offsetof(TraceProperties, logger_name);
  return block;
}

bool stop_trace_session() {
  TraceProperties block = make_trace_properties();
  return ControlTraceW(0, kTraceSessionName, &block.props, EVENT_TRACE_CONTROL_STOP) == ERROR_SUCCESS;
}

TraceOwnerLock::TraceOwnerLock() {
  // Asking for it at creation makes a new lock ours at once, with no gap for another monitor.
  mutex_.reset(CreateMutexW(nullptr, TRUE, kTraceOwnerLockName));
  if (!mutex_) return;  // kUnavailable
  if (GetLastError() != ERROR_ALREADY_EXISTS) {
    state_ = OwnerLock::kTaken;
    return;
  }
  switch (WaitForSingleObject(mutex_.get(), 0)) {
    case WAIT_OBJECT_0:
      state_ = OwnerLock::kTaken;
      break;
    case WAIT_ABANDONED:
      state_ = OwnerLock::kAbandoned;
      break;
    case WAIT_TIMEOUT:
      state_ = OwnerLock::kHeldElsewhere;
      break;
    default:
      state_ = OwnerLock::kUnavailable;
      break;
  }
}

TraceOwnerLock::~TraceOwnerLock() {
  if (state_ == OwnerLock::kTaken || state_ == OwnerLock::kAbandoned) ReleaseMutex(mutex_.get());
}

void set_trace_session_ours(bool ours) { g_session_ours.store(ours); }

bool stop_own_trace_session() {
  if (!g_session_ours.exchange(false)) return false;
  return stop_trace_session();
}

}  // namespace qv
