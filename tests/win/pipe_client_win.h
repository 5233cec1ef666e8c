#pragma once
// A plain client of the monitor's pipe for tests and benchmarks: connect (retrying while no
// instance is free), send one message, read everything until the server disconnects.
#include <windows.h>

#include <optional>
#include <string>
#include <string_view>

#include "util/handles_win.h"

namespace qv::test {

// Opens the pipe, retrying for up to `timeout_ms` while it is missing or busy.
inline UniqueFile connect_pipe(const std::wstring& name, DWORD timeout_ms = 10000) {
  const ULONGLONG end = GetTickCount64() + timeout_ms;
  for (;;) {
    UniqueFile pipe(CreateFileW(name.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    if (pipe) {
      DWORD mode = PIPE_READMODE_MESSAGE;
      SetNamedPipeHandleState(pipe.get(), &mode, nullptr, nullptr);
      return pipe;
    }
    const DWORD err = GetLastError();
    if (GetTickCount64() >= end) return UniqueFile();
    if (err == ERROR_PIPE_BUSY) {
      WaitNamedPipeW(name.c_str(), 100);
    } else {
      Sleep(1);  // between two instances the name is briefly missing
    }
  }
}

inline bool write_message(HANDLE pipe, std::string_view bytes) {
  DWORD written = 0;
  return WriteFile(pipe, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
         written == bytes.size();
}

// Everything the server sends until it disconnects (or the read fails).
inline std::string read_until_closed(HANDLE pipe) {
  std::string out;
  char buf[8192];
  for (;;) {
    DWORD got = 0;
    const BOOL ok = ReadFile(pipe, buf, sizeof buf, &got, nullptr);
    out.append(buf, got);
    if (!ok && GetLastError() != ERROR_MORE_DATA) break;
  }
  return out;
}

// One request on a fresh connection; nothing when the pipe could not be opened.
inline std::optional<std::string> pipe_request(const std::wstring& name, std::string_view message,
                                               DWORD connect_timeout_ms = 10000) {
  UniqueFile pipe = connect_pipe(name, connect_timeout_ms);
  if (!pipe) return std::nullopt;
  write_message(pipe.get(), message);
  return read_until_closed(pipe.get());
}

}  // namespace qv::test
