// Prints what one process holds, for the soak run's table: "handles gdi user windows threads" on
// one line, for the first process whose image name is the argument (default quorvel.exe). The
// handle, GDI and USER counts are the system's own (GetProcessHandleCount, GetGuiResources);
// windows are counted by walking the top-level windows and their children, which also counts the
// USER objects a system that reports none for GetGuiResources still has. A live process always
// holds handles: where GetProcessHandleCount says 0 (Wine), the process's entries in the system's
// handle table are counted instead. -1 for a count that could not be read. Exit code 1 when no
// such process runs. Run it in the same desktop as the process, or its windows are not seen.
#include <windows.h>
#include <tlhelp32.h>

#include <algorithm>
#include <cstdio>
#include <cwchar>
#include <vector>

namespace {

struct Walk {
  DWORD pid;
  long windows;
};

BOOL CALLBACK count_child(HWND hwnd, LPARAM param) {
  auto* walk = reinterpret_cast<Walk*>(param);
  DWORD owner = 0;
  GetWindowThreadProcessId(hwnd, &owner);
  if (owner == walk->pid) ++walk->windows;
  return TRUE;
}

BOOL CALLBACK count_top(HWND hwnd, LPARAM param) {
  count_child(hwnd, param);
  EnumChildWindows(hwnd, count_child, param);
  return TRUE;
}

long message_only_windows(DWORD pid) {
  long n = 0;
  for (HWND h = nullptr; (h = FindWindowExW(HWND_MESSAGE, h, nullptr, nullptr)) != nullptr;) {
    DWORD owner = 0;
    GetWindowThreadProcessId(h, &owner);
    if (owner == pid) ++n;
  }
  return n;
}

// The system's handle table (SystemExtendedHandleInformation), counted for one process.
struct HandleEntry {
  void* object;
  ULONG_PTR pid;
  ULONG_PTR handle;
  ULONG access;
  USHORT trace_index;
  USHORT type_index;
  ULONG attributes;
  ULONG reserved;
};

long handles_in_system_table(DWORD pid) {
  using Query = LONG(WINAPI*)(ULONG, void*, ULONG, ULONG*);
  auto query = reinterpret_cast<Query>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "NtQuerySystemInformation")));
  if (!query) return -1;
  std::vector<unsigned char> buffer(1 << 20);
  for (int attempt = 0; attempt < 6; ++attempt) {
    ULONG needed = 0;
    const LONG status = query(64, buffer.data(), static_cast<ULONG>(buffer.size()), &needed);
    if (status == 0) {
      const auto count = *reinterpret_cast<const ULONG_PTR*>(buffer.data());
      const auto* entries = reinterpret_cast<const HandleEntry*>(buffer.data() + 2 * sizeof(ULONG_PTR));
      long n = 0;
      for (ULONG_PTR i = 0; i < count; ++i) n += entries[i].pid == pid;
      return n;
    }
    buffer.resize(std::max<size_t>(buffer.size() * 2, needed + 65536));
  }
  return -1;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  const wchar_t* image = argc > 1 ? argv[1] : L"quorvel.exe";
  HANDLE snap = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS | TH32CS_SNAPTHREAD, 0);
  if (snap == INVALID_HANDLE_VALUE) return 1;
  PROCESSENTRY32W entry{};
  entry.dwSize = sizeof entry;
  DWORD pid = 0;
  for (BOOL more = Process32FirstW(snap, &entry); more; more = Process32NextW(snap, &entry)) {
    if (_wcsicmp(entry.szExeFile, image) == 0) {
      pid = entry.th32ProcessID;
      break;
    }
  }
  if (pid == 0) {
    CloseHandle(snap);
    return 1;
  }
  long threads = 0;
  THREADENTRY32 thread{};
  thread.dwSize = sizeof thread;
  for (BOOL more = Thread32First(snap, &thread); more; more = Thread32Next(snap, &thread)) {
    if (thread.th32OwnerProcessID == pid) ++threads;
  }
  CloseHandle(snap);

  long handles = -1, gdi = -1, user = -1;
  if (HANDLE process = OpenProcess(PROCESS_QUERY_INFORMATION, FALSE, pid)) {
    DWORD count = 0;
    if (GetProcessHandleCount(process, &count)) handles = static_cast<long>(count);
    if (handles <= 0) handles = handles_in_system_table(pid);
    gdi = static_cast<long>(GetGuiResources(process, GR_GDIOBJECTS));
    user = static_cast<long>(GetGuiResources(process, GR_USEROBJECTS));
    CloseHandle(process);
  }
  Walk walk{pid, 0};
  EnumWindows(count_top, reinterpret_cast<LPARAM>(&walk));
  std::printf("%ld %ld %ld %ld %ld\n", handles, gdi, user, walk.windows + message_only_windows(pid), threads);
  return 0;
}
