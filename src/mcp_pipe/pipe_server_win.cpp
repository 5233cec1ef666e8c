// The pipe server: one client at a time, one request message and at most one reply line per
// connection. All pipe I/O is overlapped only so that a client that connects and then stalls
// can be cut off after kRequestTimeoutMs; otherwise the server behaves like a blocking loop.
#include "mcp_pipe/pipe_server_win.h"

#include <sddl.h>

#include <algorithm>
#include <optional>
#include <system_error>
#include <thread>
#include <vector>

#include "agents/agent_log_win.h"
#include "core/messages.h"
#include "mcp_pipe/dispatcher.h"
#include "mcp_pipe/pipe_acl.h"
#include "util/handles_win.h"
#include "util/program_log_win.h"
#include "util/user_sid_win.h"
#include "util/wide_win.h"

namespace qv {
namespace {

constexpr DWORD kPipeBufferBytes = 65536;
constexpr DWORD kReadChunkBytes = 4096;
constexpr DWORD kMaxInstances = 4;
// While another process holds the pipe name, how often we try to claim it.
constexpr DWORD kNameRetryMs = 5000;

// Waits for the overlapped operation `ov` on `pipe` for at most `timeout_ms` (INFINITE allowed).
// On time-out the operation is cancelled and its completion awaited, so that the buffer and the
// OVERLAPPED it uses may go out of scope. Returns the operation's result; `last_error` is set
// when it failed.
bool finish_overlapped(HANDLE pipe, OVERLAPPED& ov, DWORD timeout_ms, DWORD& transferred, DWORD& last_error) {
  if (WaitForSingleObject(ov.hEvent, timeout_ms) != WAIT_OBJECT_0) {
    CancelIoEx(pipe, &ov);
    GetOverlappedResult(pipe, &ov, &transferred, TRUE);
    last_error = ERROR_TIMEOUT;
    return false;
  }
  if (GetOverlappedResult(pipe, &ov, &transferred, FALSE)) return true;
  last_error = GetLastError();
  return false;
}

// Starts an overlapped call through `start` (which returns the call's BOOL) and completes it.
// The call itself resets the event; a call that completes at once needs no wait.
template <typename Start>
bool run_overlapped(HANDLE pipe, HANDLE event, DWORD timeout_ms, DWORD& transferred, DWORD& last_error,
                    Start start) {
  OVERLAPPED ov{};
  ov.hEvent = event;
  transferred = 0;
  last_error = ERROR_SUCCESS;
  if (start(&ov)) {
    GetOverlappedResult(pipe, &ov, &transferred, FALSE);
    return true;
  }
  const DWORD err = GetLastError();
  if (err != ERROR_IO_PENDING) {
    // Completed at once with a failure (ERROR_MORE_DATA still carries bytes).
    GetOverlappedResult(pipe, &ov, &transferred, FALSE);
    last_error = err;
    return false;
  }
  return finish_overlapped(pipe, ov, timeout_ms, transferred, last_error);
}

bool wait_for_client(HANDLE pipe, HANDLE event) {
  DWORD transferred = 0, err = 0;
  if (run_overlapped(pipe, event, INFINITE, transferred, err,
                     [&](OVERLAPPED* ov) { return ConnectNamedPipe(pipe, ov); })) {
    return true;
  }
  return err == ERROR_PIPE_CONNECTED;  // the client came between creation and the wait
}

// The whole request message, or nothing when it failed, grew past the limit or did not arrive
// in time.
std::optional<std::string> read_request(HANDLE pipe, HANDLE event) {
  const ULONGLONG deadline = GetTickCount64() + kRequestTimeoutMs;
  std::string message;
  std::vector<char> chunk(kReadChunkBytes);
  for (;;) {
    const ULONGLONG now = GetTickCount64();
    if (now >= deadline) return std::nullopt;
    DWORD got = 0, err = 0;
    const bool ok = run_overlapped(pipe, event, static_cast<DWORD>(deadline - now), got, err, [&](OVERLAPPED* ov) {
      return ReadFile(pipe, chunk.data(), kReadChunkBytes, nullptr, ov);
    });
    message.append(chunk.data(), got);
    if (ok) return message;
    if (err != ERROR_MORE_DATA || message.size() > kPipeRequestLimitBytes) return std::nullopt;
  }
}

// FlushFileBuffers waits until the client has read the reply, which a client that never reads
// (and never closes) would make forever. A helper thread cancels a flush that outlasts the bound,
// so such a client is cut off like a client that never finishes its request. The helper is
// started by the first reply and then kept: a monitor whose link is never used has no thread
// (nor stack) for it, and later replies never wait for a thread to start. The system's own slim
// lock and condition variable are used because waking the helper lies on the path of every
// reply after a quiet spell, and they wake a thread without a round trip through the kernel's
// object manager (under Wine, without one through its server).
class FlushWatchdog {
 public:
  explicit FlushWatchdog(HANDLE server_thread) : shared_(std::make_shared<Shared>()) {
    shared_->server_thread.reset(server_thread);
  }

  // Runs FlushFileBuffers on `pipe`, cancelled after `timeout_ms`.
  void flush(HANDLE pipe, DWORD timeout_ms) {
    AcquireSRWLockExclusive(&shared_->lock);
    shared_->deadline = GetTickCount64() + timeout_ms;
    shared_->armed = true;
    ++shared_->generation;
    const bool wake_watchdog = shared_->idle;
    ReleaseSRWLockExclusive(&shared_->lock);
    if (!started_) start();
    // A watchdog that is still timing an earlier flush picks the new one up when that earlier
    // deadline passes, so busy traffic costs one wake-up per bound, not one per request.
    if (wake_watchdog) WakeConditionVariable(&shared_->wake);
    FlushFileBuffers(pipe);
    // Until this lock is taken the watchdog may still cancel, but then it cancels nothing: the
    // server thread does no other I/O in between.
    AcquireSRWLockExclusive(&shared_->lock);
    shared_->armed = false;
    ReleaseSRWLockExclusive(&shared_->lock);
  }

 private:
  struct Shared {
    SRWLOCK lock = SRWLOCK_INIT;
    CONDITION_VARIABLE wake = CONDITION_VARIABLE_INIT;
    bool armed = false;       // a flush is running
    bool idle = true;         // the watchdog waits for a flush rather than for a deadline
    uint64_t generation = 0;  // one per flush, so an old deadline never cancels a newer flush
    ULONGLONG deadline = 0;   // GetTickCount64 time
    UniqueHandle server_thread;
  };

  void start() {
    started_ = true;
    try {
      std::thread([s = shared_] { watch(*s); }).detach();
    } catch (const std::system_error&) {
      // No thread to be had: flushes run unbounded, as they would without a watchdog.
    }
  }

  static void watch(Shared& s) {
    AcquireSRWLockExclusive(&s.lock);
    for (;;) {
      s.idle = true;
      while (!s.armed) SleepConditionVariableSRW(&s.wake, &s.lock, INFINITE, 0);
      s.idle = false;
      while (s.armed) {
        const uint64_t generation = s.generation;
        const ULONGLONG deadline = s.deadline;
        const ULONGLONG now = GetTickCount64();
        if (now < deadline) SleepConditionVariableSRW(&s.wake, &s.lock, static_cast<DWORD>(deadline - now), 0);
        if (s.armed && s.generation == generation && GetTickCount64() >= deadline) {
          CancelSynchronousIo(s.server_thread.get());
          s.armed = false;
        }
      }
    }
  }

  std::shared_ptr<Shared> shared_;
  bool started_ = false;  // only the server thread reads or writes it
};

void write_reply(HANDLE pipe, HANDLE event, FlushWatchdog& watchdog, const std::string& reply) {
  DWORD written = 0, err = 0;
  // A client that never reads a large reply must not hold the link either.
  const bool ok = run_overlapped(pipe, event, kRequestTimeoutMs, written, err, [&](OVERLAPPED* ov) {
    return WriteFile(pipe, reply.data(), static_cast<DWORD>(reply.size()), nullptr, ov);
  });
  if (ok) watchdog.flush(pipe, kRequestTimeoutMs);  // the client has read the reply before we disconnect
}

}  // namespace

void serve_pipe(const std::wstring& pipe_name, std::shared_ptr<SharedState> state, HWND panel) {
  const std::string sddl = pipe_sddl(current_user_sid());
  log_line("mcp pipe acl: " + sddl);
  // Kept for the life of the process. If the text cannot be converted the descriptor stays null
  // and the pipe gets the process's default security; remote clients are refused either way.
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  ConvertStringSecurityDescriptorToSecurityDescriptorW(widen(sddl).c_str(), SDDL_REVISION_1, &descriptor, nullptr);
  SECURITY_ATTRIBUTES attributes{sizeof attributes, descriptor, FALSE};

  UniqueHandle event(CreateEventW(nullptr, TRUE, FALSE, nullptr));
  if (!event) {
    log_line("mcp pipe: CreateEventW failed; AI tools cannot connect until Quorvel is restarted");
    return;
  }

  HANDLE this_thread = nullptr;
  DuplicateHandle(GetCurrentProcess(), GetCurrentThread(), GetCurrentProcess(), &this_thread, 0, FALSE,
                  DUPLICATE_SAME_ACCESS);
  FlushWatchdog watchdog(this_thread);

  LinkHooks hooks;
  hooks.wake_panel = [panel] {
    if (panel) PostMessageW(panel, kWmNotifyQueued, 0, 0);
  };
  hooks.write_agent_log = [&state](const std::vector<FinishedAgent>& entries) { append_agent_log(*state, entries); };
  hooks.log = [](const std::string& line) { log_line(line); };

  // Pipe names are machine-wide. The first instance must create the name, never join one that
  // another process made: a client could otherwise reach that process instead of us. Later
  // instances are made while one of ours is still open, so they can only join our own name.
  const auto make_instance = [&](bool first) {
    DWORD open_mode = PIPE_ACCESS_DUPLEX | FILE_FLAG_OVERLAPPED;
    if (first) open_mode |= FILE_FLAG_FIRST_PIPE_INSTANCE;
    return UniqueFile(CreateNamedPipeW(
        pipe_name.c_str(), open_mode,
        PIPE_TYPE_MESSAGE | PIPE_READMODE_MESSAGE | PIPE_WAIT | PIPE_REJECT_REMOTE_CLIENTS, kMaxInstances,
        kPipeBufferBytes, kPipeBufferBytes, 0, &attributes));
  };
  // Claims the name, waiting while another process holds it; nothing on any other failure.
  const auto claim_name = [&] {
    bool logged = false;
    for (;;) {
      UniqueFile first = make_instance(true);
      if (first) {
        // Our first instance must be the only one. Where the system lets the flag pass (Wine
        // does), another process's instances show in the count: let go of ours and wait.
        DWORD instances = 0;
        if (!GetNamedPipeHandleStateW(first.get(), nullptr, &instances, nullptr, nullptr, nullptr, 0) ||
            instances <= 1) {
          return first;
        }
        first.reset();
      } else {
        const DWORD error = GetLastError();
        if (error != ERROR_ACCESS_DENIED && error != ERROR_PIPE_BUSY) return first;
      }
      if (!logged) log_line(
          "mcp pipe: the pipe name is held by another program; AI tools cannot connect until it lets go "
          "(Quorvel tries again every 5 seconds)");
      logged = true;
      Sleep(kNameRetryMs);
    }
  };
  UniqueFile next = claim_name();
  for (;;) {
    UniqueFile pipe = std::move(next);
    // All our instances were closed (the last attempt at a next one failed): claim afresh.
    if (!pipe) pipe = claim_name();
    if (!pipe) {
      log_line("mcp pipe: CreateNamedPipeW failed");
      return;
    }
    const bool connected = wait_for_client(pipe.get(), event.get());
    // Clients are still served one at a time, but the next one already finds a listening
    // instance: a client that reconnects at once never sees the pipe name missing.
    next = make_instance(false);
    if (connected) {
      if (std::optional<std::string> message = read_request(pipe.get(), event.get())) {
        if (std::optional<std::string> reply = answer_message(*message, *state, hooks)) {
          write_reply(pipe.get(), event.get(), watchdog, *reply);
        }
      }
    }
    DisconnectNamedPipe(pipe.get());
  }
}

void run_pipe_server(std::shared_ptr<SharedState> state, HWND panel) {
  serve_pipe(kPipeName, std::move(state), panel);
}

}  // namespace qv
