#include "etw/etw_thread_win.h"

#include <windows.h>
#include <evntcons.h>
#include <evntrace.h>

#include <atomic>
#include <memory>
#include <span>
#include <string>
#include <system_error>
#include <thread>

#include "etw/session_start.h"
#include "etw/trace_control_win.h"
#include "etw/trace_events.h"
#include "util/handles_win.h"
#include "util/panic.h"
#include "util/program_log_win.h"

namespace qv {

namespace {

// {CA11C036-0102-4A2D-A6AD-F03CFED5D3C9}: presents.
constexpr GUID kDxgiProvider = {0xCA11C036, 0x0102, 0x4A2D, {0xA6, 0xAD, 0xF0, 0x3C, 0xFE, 0xD5, 0xD3, 0xC9}};
// {7DD42A49-5329-4832-8DFD-43D979153A88}: bytes sent and received per process.
constexpr GUID kKernelNetworkProvider = {0x7DD42A49, 0x5329, 0x4832, {0x8D, 0xFD, 0x43, 0xD9, 0x79, 0x15, 0x3A, 0x88}};

struct Provider {
  const char* name;  // as the log lines call it
  const GUID* id;
};
constexpr Provider kProviders[] = {{"DXGI", &kDxgiProvider}, {"Kernel-Network", &kKernelNetworkProvider}};

constexpr UCHAR kVerbose = 5;
constexpr ULONG kProcessTraceMode = PROCESS_TRACE_MODE_EVENT_RECORD | PROCESS_TRACE_MODE_REAL_TIME;

// The callback has no context argument of ours, so it finds the shared state here. Set before the
// trace is opened and cleared after it is closed; events seen while it is null are dropped.
std::atomic<SharedState*> g_trace_state{nullptr};

void WINAPI on_event(EVENT_RECORD* record) {
  SharedState* state = g_trace_state.load(std::memory_order_acquire);
  if (!state || !record) return;
  const EVENT_HEADER& header = record->EventHeader;
  if (IsEqualGUID(header.ProviderId, kDxgiProvider)) {
    account_present_event(*state, header.EventDescriptor.Id, header.ProcessId);
  } else if (IsEqualGUID(header.ProviderId, kKernelNetworkProvider)) {
    std::span<const unsigned char> payload;
    if (record->UserData) payload = {static_cast<const unsigned char*>(record->UserData), record->UserDataLength};
    account_network_event(*state, header.EventDescriptor.Id, payload);
  }
}

// Tracing kernel providers needs the system-profile privilege; a token without it simply makes
// the session start fail further on, which is reported there.
void enable_profile_privilege() {
  UniqueHandle token;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES, token.out())) return;
  TOKEN_PRIVILEGES privileges{};
  privileges.PrivilegeCount = 1;
  privileges.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
  if (!LookupPrivilegeValueW(nullptr, L"SeSystemProfilePrivilege", &privileges.Privileges[0].Luid)) return;
  AdjustTokenPrivileges(token.get(), FALSE, &privileges, sizeof privileges, nullptr, nullptr);
}

// A session of our name that is already running is stopped first only when it is a left-over:
// one owned by a running monitor (of another user session) is left alone.
ULONG start_session(TRACEHANDLE& session, const TraceOwnerLock& owner) {
  return start_reclaiming(
      [&]() -> uint32_t {
        TraceProperties block = make_trace_properties();  // fresh for every call: the system writes into it
        return StartTraceW(&session, kTraceSessionName, &block.props);
      },
      [] { stop_trace_session(); }, may_reclaim_session(owner.state()));
}

// While it lives, the running session counts as this process's own: the exit, the end of the
// user's session and the panic path stop it.
class OwnSession {
 public:
  OwnSession() { set_trace_session_ours(true); }
  OwnSession(const OwnSession&) = delete;
  OwnSession& operator=(const OwnSession&) = delete;
  ~OwnSession() { set_trace_session_ours(false); }
};

// Once the session is gone no process has real per-process network figures, so the flag this
// thread set must not outlive it, however the thread ends.
class NetworkFlag {
 public:
  explicit NetworkFlag(SharedState& state) : state_(state) {}
  NetworkFlag(const NetworkFlag&) = delete;
  NetworkFlag& operator=(const NetworkFlag&) = delete;
  ~NetworkFlag() {
    if (set_) state_.per_app_network_available.store(false);
  }
  void set() {
    set_ = true;
    state_.per_app_network_available.store(true);
  }

 private:
  SharedState& state_;
  bool set_ = false;
};

}  // namespace

std::unique_ptr<TraceOwnerLock> start_event_tracing(std::shared_ptr<SharedState> state) {
  if (!state) return nullptr;
  enable_profile_privilege();

  auto owner = std::make_unique<TraceOwnerLock>();
  TRACEHANDLE session = 0;
  const ULONG started = start_session(session, *owner);
  if (started != ERROR_SUCCESS) {
    log_line("ETW StartTrace failed: " + std::to_string(started) + " (not elevated?)");
    return nullptr;
  }
  // Kept by the reading thread until the session stops; let go of here on any failure before that.
  struct Reader {
    explicit Reader(SharedState& s) : network_flag(s) {}
    OwnSession own_session;
    NetworkFlag network_flag;
    TRACEHANDLE trace = INVALID_PROCESSTRACE_HANDLE;
  };
  auto reader = std::make_unique<Reader>(*state);

  int enabled = 0;
  for (const Provider& p : kProviders) {
    const ULONG status = EnableTraceEx2(session, p.id, EVENT_CONTROL_CODE_ENABLE_PROVIDER, kVerbose,
                                        0xFFFFFFFFFFFFFFFFull, 0, 0, nullptr);
    if (status != ERROR_SUCCESS) {
      log_line(std::string("ETW enable ") + p.name + " failed: " + std::to_string(status));
      continue;
    }
    ++enabled;
    if (p.id == &kKernelNetworkProvider) reader->network_flag.set();
  }
  if (enabled == 0) {
    stop_trace_session();
    return nullptr;
  }

  g_trace_state.store(state.get(), std::memory_order_release);
  std::wstring logger_name = kTraceSessionName;  // the log-file record wants a writable name
  EVENT_TRACE_LOGFILEW logfile{};
  logfile.LoggerName = logger_name.data();
  logfile.ProcessTraceMode = kProcessTraceMode;
  logfile.EventRecordCallback = &on_event;
  reader->trace = OpenTraceW(&logfile);
  if (reader->trace == INVALID_PROCESSTRACE_HANDLE) {
    g_trace_state.store(nullptr, std::memory_order_release);
    log_line("ETW OpenTrace failed");
    stop_trace_session();
    return nullptr;
  }

  state->frame_tracking_active.store(true);
  try {
    std::thread([reader = std::move(reader), state] {
      install_thread_panic_hook();
      ProcessTrace(&reader->trace, 1, nullptr, nullptr);  // returns once the session is stopped
      state->frame_tracking_active.store(false);
      CloseTrace(reader->trace);
      g_trace_state.store(nullptr, std::memory_order_release);
    }).detach();
  } catch (const std::system_error&) {
    panic("start-up", "failed to spawn thread");  // as for every other worker
  }
  return owner;
}

}  // namespace qv
