#include "companion/pipe_client_win.h"

#include <algorithm>
#include <functional>
#include <vector>

#include <aclapi.h>

#include "util/handles_win.h"
#include "util/wide_win.h"

namespace qv::companion {
namespace {

// One piece of a process's token (TokenUser, TokenOwner); empty when it cannot be read.
std::vector<BYTE> token_information(HANDLE process, TOKEN_INFORMATION_CLASS what) {
  UniqueHandle token;
  if (!OpenProcessToken(process, TOKEN_QUERY, token.out())) return {};
  DWORD size = 0;
  GetTokenInformation(token.get(), what, nullptr, 0, &size);
  if (size == 0) return {};
  std::vector<BYTE> buffer(size);
  if (!GetTokenInformation(token.get(), what, buffer.data(), size, &size)) return {};
  return buffer;
}

std::vector<BYTE> token_user(HANDLE process) { return token_information(process, TokenUser); }

// Error codes that say a call does not exist on this system, as opposed to a call that failed.
bool call_missing(DWORD error) {
  return error == ERROR_CALL_NOT_IMPLEMENTED || error == ERROR_NOT_SUPPORTED || error == ERROR_INVALID_FUNCTION ||
         error == ERROR_PROC_NOT_FOUND;
}

PSID sid_of(std::vector<BYTE>& user) { return reinterpret_cast<TOKEN_USER*>(user.data())->User.Sid; }

// Opens the pipe, waiting a bounded time while it is busy or briefly missing. The client's
// identity is offered for identification only: the server may check who we are, never act as us.
UniqueFile open_pipe(const std::wstring& name, DWORD& error, unsigned long busy_wait_ms,
                     const std::function<void()>& before_wait) {
  const ULONGLONG start = GetTickCount64();
  for (;;) {
    UniqueFile pipe(CreateFileW(name.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                SECURITY_SQOS_PRESENT | SECURITY_IDENTIFICATION | FILE_FLAG_OVERLAPPED, nullptr));
    if (pipe) return pipe;
    error = GetLastError();
    const ULONGLONG waited = GetTickCount64() - start;
    if (error == ERROR_PIPE_BUSY && waited < busy_wait_ms) {
      if (before_wait) before_wait();
      WaitNamedPipeW(name.c_str(), static_cast<DWORD>(busy_wait_ms - waited));
    } else if (error == ERROR_FILE_NOT_FOUND && waited < kMissingWaitMs) {
      if (before_wait) before_wait();
      Sleep(10);
    } else {
      return UniqueFile();
    }
  }
}

enum class Transfer { kDone, kMoreData, kTimedOut, kFailed };

// One read or write on the overlapped pipe handle, waited for until `deadline` (GetTickCount64)
// and cancelled when it passes. `event` is a manual-reset event; starting the transfer resets it.
Transfer transfer(HANDLE pipe, HANDLE event, bool write, char* data, DWORD size, DWORD& moved, ULONGLONG deadline,
                  const std::function<void()>& before_wait) {
  moved = 0;
  if (!event) return Transfer::kFailed;
  OVERLAPPED ov{};
  ov.hEvent = event;
  const BOOL started = write ? WriteFile(pipe, data, size, nullptr, &ov) : ReadFile(pipe, data, size, nullptr, &ov);
  if (!started) {
    const DWORD error = GetLastError();
    if (error == ERROR_IO_PENDING) {
      if (before_wait) before_wait();
      const ULONGLONG now = GetTickCount64();
      if (WaitForSingleObject(event, now < deadline ? static_cast<DWORD>(deadline - now) : 0) != WAIT_OBJECT_0) {
        CancelIoEx(pipe, &ov);
        GetOverlappedResult(pipe, &ov, &moved, TRUE);  // the buffer stays ours until the cancel lands
        return Transfer::kTimedOut;
      }
    } else if (error != ERROR_MORE_DATA) {
      return Transfer::kFailed;
    }
  }
  if (GetOverlappedResult(pipe, &ov, &moved, FALSE)) return Transfer::kDone;
  return GetLastError() == ERROR_MORE_DATA ? Transfer::kMoreData : Transfer::kFailed;
}

}  // namespace

std::optional<std::string> read_reply(HANDLE pipe, unsigned long timeout_ms) {
  const UniqueHandle event(CreateEventW(nullptr, TRUE, FALSE, nullptr));
  return read_reply(pipe, event.get(), timeout_ms);
}

std::optional<std::string> read_reply(HANDLE pipe, HANDLE event, unsigned long timeout_ms,
                                      const std::function<void()>& before_wait) {
  const ULONGLONG deadline = GetTickCount64() + timeout_ms;
  std::string reply;
  char buffer[8192];
  for (;;) {
    DWORD got = 0;
    const Transfer t = transfer(pipe, event, false, buffer, sizeof buffer, got, deadline, before_wait);
    reply.append(buffer, got);
    if (t == Transfer::kTimedOut) return std::nullopt;
    if (t == Transfer::kFailed) break;  // the server disconnected after its reply
    if (t == Transfer::kDone && !reply.empty() && reply.back() == '\n') break;
  }
  if (!reply.empty() && reply.back() == '\n') reply.pop_back();
  if (!reply.empty() && reply.back() == '\r') reply.pop_back();
  return reply;
}

ServerFacts server_facts(HANDLE pipe, UniqueHandle* opened) {
  ServerFacts facts;
  auto failed = [&facts](const char* call, DWORD error) {
    if (!facts.failed.empty()) facts.failed += "; ";
    facts.failed += std::string(call) + " failed with error " + std::to_string(error);
  };
  ULONG pid = 0;
  if (GetNamedPipeServerProcessId(pipe, &pid)) {
    facts.process_id = pid;
  } else if (const DWORD error = GetLastError(); !call_missing(error)) {
    failed("GetNamedPipeServerProcessId", error);
  }

  ULONG server_session = 0;
  DWORD our_session = 0;
  if (!GetNamedPipeServerSessionId(pipe, &server_session)) {
    if (const DWORD error = GetLastError(); !call_missing(error)) failed("GetNamedPipeServerSessionId", error);
  } else if (!ProcessIdToSessionId(GetCurrentProcessId(), &our_session)) {
    failed("ProcessIdToSessionId", GetLastError());
  } else {
    facts.same_session = server_session == our_session;
  }

  // The pipe object's owner: the creator's user, or the Administrators group when the creator is
  // elevated. Read through our own handle, so the serving process need not be opened.
  PSID owner = nullptr;
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  const DWORD status =
      GetSecurityInfo(pipe, SE_KERNEL_OBJECT, OWNER_SECURITY_INFORMATION, &owner, nullptr, nullptr, nullptr, &descriptor);
  const UniqueLocal descriptor_owner(descriptor);
  std::vector<BYTE> ours = token_user(GetCurrentProcess());
  std::vector<BYTE> our_default_owner = token_information(GetCurrentProcess(), TokenOwner);
  BYTE admins[SECURITY_MAX_SID_SIZE];
  DWORD admins_size = sizeof admins;
  if (status != ERROR_SUCCESS) {
    if (!call_missing(status)) failed("GetSecurityInfo", status);
  } else if (!owner) {
    // Windows gives every pipe an owner; a system that keeps none for pipes (Wine) cannot answer.
  } else if (ours.empty() || our_default_owner.empty()) {
    failed("reading our own user", GetLastError());
  } else if (!CreateWellKnownSid(WinBuiltinAdministratorsSid, nullptr, admins, &admins_size)) {
    failed("CreateWellKnownSid", GetLastError());
  } else {
    // The owners our own objects get: our user, or the one our token names (the user again on
    // Windows unless elevated), and the Administrators group, which owns an elevated monitor's.
    const PSID default_owner = reinterpret_cast<TOKEN_OWNER*>(our_default_owner.data())->Owner;
    facts.owner_trusted = EqualSid(owner, sid_of(ours)) || EqualSid(owner, default_owner) || EqualSid(owner, admins);
  }

  if (!facts.process_id) return facts;
  UniqueHandle process(OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION | SYNCHRONIZE, FALSE, pid));
  if (!process) {
    const DWORD error = GetLastError();
    if (error == ERROR_ACCESS_DENIED) {
      facts.process_denied = true;
    } else {
      failed("OpenProcess", error);
    }
    return facts;
  }
  std::wstring path(32768, L'\0');
  DWORD length = static_cast<DWORD>(path.size());
  if (QueryFullProcessImageNameW(process.get(), 0, path.data(), &length)) {
    path.resize(length);
    facts.image_path = narrow(path);
  } else {
    failed("QueryFullProcessImageNameW", GetLastError());
  }
  // An elevated monitor's token cannot be read without elevation; the owner check covers it.
  std::vector<BYTE> theirs = token_user(process.get());
  if (!theirs.empty() && !ours.empty()) facts.same_user = EqualSid(sid_of(theirs), sid_of(ours)) != FALSE;
  if (opened) *opened = std::move(process);
  return facts;
}

std::string own_folder() {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD n = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (n == 0) return {};
    if (n < path.size()) {
      path.resize(n);
      return folder_of(narrow(path));
    }
    if (path.size() >= 32768) return {};
    path.resize(path.size() * 2);
  }
}

PipeOutcome send_request(PipeClient& client, const std::string& request_line, unsigned long wait_ms) {
  auto say = [&](std::string_view line) {
    if (client.diagnostic) client.diagnostic(line);
  };
  DWORD error = 0;
  // One deadline for the whole request: opening, checking, sending and the reply.
  const ULONGLONG deadline = GetTickCount64() + wait_ms;
  UniqueFile pipe = open_pipe(client.pipe_name, error, std::min(kBusyWaitMs, wait_ms), client.before_wait);
  if (!pipe) {
    switch (error) {
      case ERROR_FILE_NOT_FOUND:
        return {PipeOutcome::Kind::kNotRunning, kNotRunningText};
      case ERROR_PIPE_BUSY:
        return {PipeOutcome::Kind::kFailed, "Quorvel is busy with other requests; try again in a moment"};
      case ERROR_ACCESS_DENIED:
        return {PipeOutcome::Kind::kFailed,
                "Quorvel refused the connection: it admits only the Windows user it runs as"};
      default:
        say("cannot open the pipe: error " + std::to_string(error));
        return {PipeOutcome::Kind::kFailed, "Cannot reach Quorvel (Windows error " + std::to_string(error) + ")"};
    }
  }
  // The pipe stays in byte read mode: the reply is read up to its line feed either way, and each
  // call into the system costs a round trip through it (the request's own time is the figure that
  // matters to the AI tool).
  ULONG pid = 0;
  // The process we hold cannot have ended and lent its id to another: an id is not given out again
  // while a handle to its process is open, and only a live process serves a pipe.
  const bool known_server =
      client.trusted_process && GetNamedPipeServerProcessId(pipe.get(), &pid) && pid == client.trusted_pid;
  ServerVerdict verdict{ServerVerdict::Kind::kTrusted, {}};
  if (!known_server) {
    UniqueHandle process;
    const ServerFacts facts = server_facts(pipe.get(), &process);
    if (client.own_folder.empty()) client.own_folder = own_folder();
    verdict = judge_server(facts, client.own_folder);
    client.trusted_pid = 0;
    client.trusted_process.reset();
    if (verdict.kind == ServerVerdict::Kind::kTrusted) {
      client.trusted_pid = *facts.process_id;
      client.trusted_process = std::move(process);
    }
  }
  if (verdict.kind == ServerVerdict::Kind::kRefused) {
    say("refused: " + verdict.reason);
    return {PipeOutcome::Kind::kRefused,
            "Refused to talk to the program serving Quorvel's pipe: " + verdict.reason +
                ". Another program may be posing as Quorvel; tell the user."};
  }
  if (verdict.kind == ServerVerdict::Kind::kUnverified && !client.warned_unverified) {
    client.warned_unverified = true;
    say("cannot verify the pipe server: " + verdict.reason + "; going on");
  }

  std::string request = request_line;
  DWORD written = 0;
  if (!client.event) client.event.reset(CreateEventW(nullptr, TRUE, FALSE, nullptr));
  const HANDLE event = client.event.get();
  const Transfer sent = transfer(pipe.get(), event, true, request.data(), static_cast<DWORD>(request.size()), written,
                                 deadline, client.before_wait);
  if (sent != Transfer::kDone || written != request.size()) {
    say("writing the request failed: error " + std::to_string(GetLastError()));
    return {PipeOutcome::Kind::kFailed, "The connection to Quorvel broke while sending; try again"};
  }
  const ULONGLONG now = GetTickCount64();
  std::optional<std::string> reply =
      read_reply(pipe.get(), event, now < deadline ? static_cast<unsigned long>(deadline - now) : 0, client.before_wait);
  if (!reply) {
    say("no reply within " + std::to_string(wait_ms / 1000) + " s");
    return {PipeOutcome::Kind::kFailed, "Quorvel did not answer within " + std::to_string(wait_ms / 1000) +
                                            " seconds; try again in a moment"};
  }
  if (reply->empty()) return {PipeOutcome::Kind::kFailed, "Quorvel closed the connection without a reply; try again"};
  return {PipeOutcome::Kind::kReply, std::move(*reply)};
}

}  // namespace qv::companion
