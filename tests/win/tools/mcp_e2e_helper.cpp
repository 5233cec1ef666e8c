// Windows-side hands for the MCP end-to-end test, which runs on the Linux side and cannot open a
// Windows pipe or start a Windows process with its own LOCALAPPDATA by itself:
//   request           sends stdin as one pipe message and writes the reply to stdout
//   start DIR EXE     starts the monitor EXE with LOCALAPPDATA=DIR and waits until its pipe answers
//   stop              ends every running quorvel.exe and waits until its pipe is gone
//   show-panel        opens the monitor's pop-up panel, as a click on its tray icon does
//   squat             serves the monitor's pipe name under this image name until stdin closes
#include <windows.h>
#include <tlhelp32.h>

#include <string>
#include <vector>

namespace {

const wchar_t* const kPipe = L"\\\\.\\pipe\\zelmor-mcp";

std::string read_all(HANDLE in) {
  std::string out;
  char buffer[65536];
  DWORD got = 0;
  while (ReadFile(in, buffer, sizeof buffer, &got, nullptr) && got > 0) out.append(buffer, got);
  return out;
}

void write_out(const std::string& bytes) {
  DWORD written = 0;
  WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
}

// One request on a fresh connection, retried while the pipe is missing or busy.
bool pipe_request(const std::string& message, std::string& reply, DWORD timeout_ms) {
  const ULONGLONG end = GetTickCount64() + timeout_ms;
  HANDLE pipe = INVALID_HANDLE_VALUE;
  for (;;) {
    pipe = CreateFileW(kPipe, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    if (pipe != INVALID_HANDLE_VALUE) break;
    if (GetTickCount64() >= end) return false;
    if (GetLastError() == ERROR_PIPE_BUSY) WaitNamedPipeW(kPipe, 100);
    else Sleep(20);
  }
  DWORD mode = PIPE_READMODE_MESSAGE;
  SetNamedPipeHandleState(pipe, &mode, nullptr, nullptr);
  DWORD n = 0;
  WriteFile(pipe, message.data(), static_cast<DWORD>(message.size()), &n, nullptr);
  char buffer[8192];
  for (;;) {
    const BOOL ok = ReadFile(pipe, buffer, sizeof buffer, &n, nullptr);
    reply.append(buffer, n);
    if (!ok && GetLastError() != ERROR_MORE_DATA) break;
  }
  CloseHandle(pipe);
  return true;
}

int start(const std::wstring& dir, const std::wstring& exe) {
  // This process's environment with LOCALAPPDATA replaced.
  std::wstring block;
  wchar_t* env = GetEnvironmentStringsW();
  for (const wchar_t* p = env; *p; p += wcslen(p) + 1) {
    if (_wcsnicmp(p, L"LOCALAPPDATA=", 13) != 0) block.append(p).push_back(L'\0');
  }
  FreeEnvironmentStringsW(env);
  block.append(L"LOCALAPPDATA=" + dir).push_back(L'\0');
  block.push_back(L'\0');
  std::wstring command = L"\"" + exe + L"\"";
  STARTUPINFOW si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  if (!CreateProcessW(exe.c_str(), command.data(), nullptr, nullptr, FALSE, CREATE_UNICODE_ENVIRONMENT,
                      block.data(), nullptr, &si, &pi)) {
    return 3;
  }
  CloseHandle(pi.hThread);
  CloseHandle(pi.hProcess);
  std::string reply;
  return pipe_request("rules", reply, 30000) && !reply.empty() ? 0 : 4;
}

int stop() {
  HANDLE snap = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  PROCESSENTRY32W entry{};
  entry.dwSize = sizeof entry;
  std::vector<HANDLE> ending;
  for (BOOL ok = Process32FirstW(snap, &entry); ok; ok = Process32NextW(snap, &entry)) {
    if (_wcsicmp(entry.szExeFile, L"quorvel.exe") != 0) continue;
    if (HANDLE h = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, entry.th32ProcessID)) {
      TerminateProcess(h, 0);
      ending.push_back(h);
    }
  }
  CloseHandle(snap);
  for (HANDLE h : ending) {
    WaitForSingleObject(h, 10000);
    CloseHandle(h);
  }
  // The pipe goes with its last instance.
  for (int i = 0; i < 250; ++i) {
    HANDLE pipe = CreateFileW(kPipe, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    if (pipe == INVALID_HANDLE_VALUE && GetLastError() == ERROR_FILE_NOT_FOUND) return 0;
    if (pipe != INVALID_HANDLE_VALUE) CloseHandle(pipe);
    Sleep(20);
  }
  return 5;
}

int show_panel() {
  HWND panel = FindWindowW(L"ZelmorWnd", nullptr);
  if (!panel) return 6;
  PostMessageW(panel, WM_APP + 1, 0, WM_LBUTTONUP);
  return 0;
}

// Answers every client like the monitor would, until stdin closes.
int squat() {
  HANDLE pipe = CreateNamedPipeW(kPipe, PIPE_ACCESS_DUPLEX, PIPE_TYPE_MESSAGE | PIPE_READMODE_MESSAGE | PIPE_WAIT,
                                 PIPE_UNLIMITED_INSTANCES, 65536, 65536, 0, nullptr);
  if (pipe == INVALID_HANDLE_VALUE) return 7;
  write_out("listening\n");
  CreateThread(
      nullptr, 0,
      [](LPVOID) -> DWORD {
        read_all(GetStdHandle(STD_INPUT_HANDLE));
        ExitProcess(0);
      },
      nullptr, 0, nullptr);
  for (;;) {
    if (ConnectNamedPipe(pipe, nullptr) || GetLastError() == ERROR_PIPE_CONNECTED) {
      char buffer[4096];
      DWORD got = 0;
      if (ReadFile(pipe, buffer, sizeof buffer, &got, nullptr) && got > 0) {
        write_out("request seen: " + std::string(buffer, got) + "\n");
        const char reply[] = "{\"instructions\":\"squatted\"}\n";
        WriteFile(pipe, reply, sizeof reply - 1, &got, nullptr);
        FlushFileBuffers(pipe);
      }
    }
    DisconnectNamedPipe(pipe);
  }
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  const std::wstring verb = argc > 1 ? argv[1] : L"";
  if (verb == L"request") {
    // A connection that never gets its reply must not hold the test up: give up after 15 s.
    CreateThread(
        nullptr, 0,
        [](LPVOID) -> DWORD {
          Sleep(15000);
          ExitProcess(9);
        },
        nullptr, 0, nullptr);
    std::string reply;
    if (!pipe_request(read_all(GetStdHandle(STD_INPUT_HANDLE)), reply, 10000)) return 2;
    write_out(reply);
    return 0;
  }
  if (verb == L"start" && argc == 4) return start(argv[2], argv[3]);
  if (verb == L"stop") return stop();
  if (verb == L"show-panel") return show_panel();
  if (verb == L"squat") return squat();
  return 1;
}
