#pragma once
// The companion's side of the monitor's pipe: one connection per request, the server's identity
// checked before anything is sent.
#include <windows.h>

#include <functional>
#include <optional>
#include <string>

#include "companion/identity.h"
#include "companion/mcp_server.h"
#include "util/handles_win.h"

namespace qv::companion {

// How long a busy pipe (every instance serving someone) is waited for.
inline constexpr unsigned long kBusyWaitMs = 2000;
// How long a missing pipe name is retried: the monitor may be between two instances.
inline constexpr unsigned long kMissingWaitMs = 250;

struct PipeClient {
  std::wstring pipe_name;
  Diagnostic diagnostic;
  std::string own_folder;  // where this program runs from, and so where the monitor must; found when empty
  bool warned_unverified = false;  // the "cannot verify" warning goes to stderr once
  // The last server found trustworthy, kept open: while we hold a handle its process id cannot
  // be given to another process, so the same id on a later connection is the same monitor and
  // need not be checked again.
  DWORD trusted_pid = 0;
  UniqueHandle trusted_process;
  // The manual-reset event every request's reads and writes wait on, made on first use: one
  // request at a time uses a client.
  UniqueHandle event;
  // Called whenever a request is about to wait (for a free or present pipe, for a write to drain,
  // for the reply), possibly more than once per request; empty: nothing is called.
  std::function<void()> before_wait;
};

// Sends one request line and returns the monitor's reply line, or why there is none, within
// `wait_ms` in all (a busy pipe is waited for at most kBusyWaitMs of that).
PipeOutcome send_request(PipeClient& client, const std::string& request_line, unsigned long wait_ms = kReplyWaitMs);

// The reply line on a pipe opened for overlapped I/O, without its line feed (empty when the
// server closed without one), or nothing when no complete reply came within `timeout_ms`.
std::optional<std::string> read_reply(HANDLE pipe, unsigned long timeout_ms);
// The same with the caller's manual-reset event for the waits, calling `before_wait` (when given)
// before each of them.
std::optional<std::string> read_reply(HANDLE pipe, HANDLE event, unsigned long timeout_ms,
                                      const std::function<void()>& before_wait = {});

// What the system says about who serves the connected pipe `pipe` (opened with read access, which
// includes reading its owner); `process` receives the serving process opened for query and
// waiting, when it could be opened.
ServerFacts server_facts(HANDLE pipe, UniqueHandle* process = nullptr);

// The folder of this program's executable; empty if the system cannot say.
std::string own_folder();

}  // namespace qv::companion
