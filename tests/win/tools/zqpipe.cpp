// Sends one request to the monitor's pipe and prints the reply, for scripts that feed the panel
// (the README's pictures) or show a sample reply. The request is the first argument, in UTF-16 on
// the command line, sent as UTF-8; the two characters backslash and t stand for a tab, so that
// the commands with tab-separated parts can be typed in a shell. Exit code 1 when the pipe could
// not be opened within ten seconds, 2 without an argument.
#include <windows.h>

#include <cstdio>
#include <string>

int wmain(int argc, wchar_t** argv) {
  if (argc < 2) {
    std::fputs("usage: zqpipe REQUEST   (\\t in REQUEST stands for a tab)\n", stderr);
    return 2;
  }
  std::wstring request;
  for (const wchar_t* p = argv[1]; *p; ++p) {
    if (p[0] == L'\\' && p[1] == L't') {
      request += L'\t';
      ++p;
    } else {
      request += *p;
    }
  }
  std::string bytes(static_cast<size_t>(WideCharToMultiByte(CP_UTF8, 0, request.data(), static_cast<int>(request.size()),
                                                            nullptr, 0, nullptr, nullptr)), '\0');
  WideCharToMultiByte(CP_UTF8, 0, request.data(), static_cast<int>(request.size()), bytes.data(),
                      static_cast<int>(bytes.size()), nullptr, nullptr);

  const wchar_t* name = L"\\\\.\\pipe\\zelmor-mcp";
  const ULONGLONG end = GetTickCount64() + 10000;
  HANDLE pipe = INVALID_HANDLE_VALUE;
  for (;;) {
    pipe = CreateFileW(name, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    if (pipe != INVALID_HANDLE_VALUE) break;
    if (GetTickCount64() >= end) {
      std::fputs("zqpipe: the monitor's pipe could not be opened (is the monitor running?)\n", stderr);
      return 1;
    }
    if (GetLastError() == ERROR_PIPE_BUSY) WaitNamedPipeW(name, 100); else Sleep(20);
  }
  DWORD mode = PIPE_READMODE_MESSAGE;
  SetNamedPipeHandleState(pipe, &mode, nullptr, nullptr);
  DWORD written = 0;
  WriteFile(pipe, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  char buf[8192];
  for (;;) {
    DWORD got = 0;
    const BOOL ok = ReadFile(pipe, buf, sizeof buf, &got, nullptr);
    std::fwrite(buf, 1, got, stdout);
    if (!ok && GetLastError() != ERROR_MORE_DATA) break;
  }
  CloseHandle(pipe);
  return 0;
}
