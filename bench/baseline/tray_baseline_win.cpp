// The least program that does the monitor's idle job: once a second it reads the system times,
// the memory status, the interface table, the two system-information queries (transfer counters
// and per-processor times) and the free space of each fixed drive, and redraws two tray icons
// with their tooltips. Idle processor use and memory of the monitor are reported as ratios to
// this program run under the same system at the same time. It uses nothing but the system's own
// calls and keeps nothing between ticks beyond its two icons.
#include <winsock2.h>
#include <windows.h>
#include <ws2ipdef.h>
#include <iphlpapi.h>
#include <shellapi.h>
#include <winternl.h>

#include <cstdio>
#include <cwchar>
#include <initializer_list>

namespace {

constexpr UINT kTrayMessage = WM_APP + 1;
constexpr UINT_PTR kTimer = 1;

struct Figures {
  ULONGLONG idle = 0, total = 0;  // the previous system times
  int cpu_pct = 0;
  int mem_pct = 0;
};

ULONGLONG value(const FILETIME& t) { return (static_cast<ULONGLONG>(t.dwHighDateTime) << 32) | t.dwLowDateTime; }

void measure(Figures& f) {
  FILETIME idle, kernel, user;
  if (GetSystemTimes(&idle, &kernel, &user)) {
    const ULONGLONG i = value(idle), t = value(kernel) + value(user);
    if (f.total && t > f.total) f.cpu_pct = static_cast<int>(100 - 100 * (i - f.idle) / (t - f.total));
    f.idle = i;
    f.total = t;
  }
  MEMORYSTATUSEX mem{};
  mem.dwLength = sizeof mem;
  if (GlobalMemoryStatusEx(&mem)) f.mem_pct = static_cast<int>(mem.dwMemoryLoad);

  MIB_IF_TABLE2* table = nullptr;
  if (GetIfTable2(&table) == NO_ERROR && table) FreeMibTable(table);

  alignas(8) static unsigned char info[12288];
  ULONG returned = 0;
  NtQuerySystemInformation(static_cast<SYSTEM_INFORMATION_CLASS>(2), info, 1024, &returned);
  NtQuerySystemInformation(static_cast<SYSTEM_INFORMATION_CLASS>(8), info, sizeof info, &returned);

  const DWORD drives = GetLogicalDrives();
  for (int d = 0; d < 26; ++d) {
    if (!(drives & (1u << d))) continue;
    const wchar_t root[] = {static_cast<wchar_t>(L'A' + d), L':', L'\\', 0};
    ULARGE_INTEGER total, free;
    if (GetDriveTypeW(root) == DRIVE_FIXED) GetDiskFreeSpaceExW(root, nullptr, &total, &free);
  }
}

// A small-icon-sized picture of `number`, drawn fresh.
HICON draw_icon(int number, COLORREF colour) {
  const int size = GetSystemMetrics(SM_CXSMICON);
  HDC screen = GetDC(nullptr);
  HDC dc = CreateCompatibleDC(screen);
  HBITMAP colour_bits = CreateCompatibleBitmap(screen, size, size);
  HBITMAP mask_bits = CreateBitmap(size, size, 1, 1, nullptr);
  HGDIOBJ old = SelectObject(dc, colour_bits);
  RECT r{0, 0, size, size};
  FillRect(dc, &r, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, colour);
  wchar_t text[8];
  std::swprintf(text, 8, L"%d", number);
  DrawTextW(dc, text, -1, &r, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
  SelectObject(dc, old);
  ICONINFO info{TRUE, 0, 0, mask_bits, colour_bits};
  HICON icon = CreateIconIndirect(&info);
  DeleteObject(colour_bits);
  DeleteObject(mask_bits);
  DeleteDC(dc);
  ReleaseDC(nullptr, screen);
  return icon;
}

void show(HWND window, UINT id, DWORD action, int number, COLORREF colour, const wchar_t* label) {
  NOTIFYICONDATAW data{};
  data.cbSize = sizeof data;
  data.hWnd = window;
  data.uID = id;
  data.uFlags = NIF_ICON | NIF_TIP | NIF_MESSAGE;
  data.uCallbackMessage = kTrayMessage;
  data.hIcon = draw_icon(number, colour);
  std::swprintf(data.szTip, 128, L"%ls %d %%", label, number);
  Shell_NotifyIconW(action, &data);
  DestroyIcon(data.hIcon);  // the shell keeps its own copy
}

Figures g_figures;

LRESULT CALLBACK window_proc(HWND window, UINT message, WPARAM w, LPARAM l) {
  switch (message) {
    case WM_TIMER:
      measure(g_figures);
      show(window, 1, NIM_MODIFY, g_figures.cpu_pct, RGB(80, 200, 120), L"CPU");
      show(window, 2, NIM_MODIFY, g_figures.mem_pct, RGB(90, 160, 240), L"Memory");
      return 0;
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
    default:
      return DefWindowProcW(window, message, w, l);
  }
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  WNDCLASSW wc{};
  wc.lpfnWndProc = window_proc;
  wc.hInstance = instance;
  wc.lpszClassName = L"TrayBaseline";
  RegisterClassW(&wc);
  HWND window = CreateWindowW(wc.lpszClassName, L"", 0, 0, 0, 0, 0, nullptr, nullptr, instance, nullptr);
  if (!window) return 1;
  measure(g_figures);
  show(window, 1, NIM_ADD, 0, RGB(80, 200, 120), L"CPU");
  show(window, 2, NIM_ADD, 0, RGB(90, 160, 240), L"Memory");
  SetTimer(window, kTimer, 1000, nullptr);
  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) DispatchMessageW(&msg);
  NOTIFYICONDATAW data{};
  data.cbSize = sizeof data;
  data.hWnd = window;
  for (UINT id : {1u, 2u}) {
    data.uID = id;
    Shell_NotifyIconW(NIM_DELETE, &data);
  }
  return 0;
}
