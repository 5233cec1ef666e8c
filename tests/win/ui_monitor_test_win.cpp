// The real quorvel.exe and the notification area: its tray icons, the pop-up opened and closed
// from the tray, Escape, closing a pinned panel, balloons and "Exit" from the tray menu.
// Icons are probed through the shell itself: modifying an icon with no changes succeeds only
// while that icon exists. The picture and balloon checks need a visible taskbar (run the tests
// in the "quorvel" virtual desktop: wine explorer /desktop=quorvel,1280x800 win_tests.exe).
#include <windows.h>
#include <shellapi.h>
#include <tlhelp32.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <cwctype>
#include <set>
#include <string>
#include <vector>

#include "core/messages.h"
#include "pipe_client_win.h"
#include "ui/gdi/geometry.h"
#include "win_support.h"

namespace qv::test {
namespace {

constexpr const char* kAllTrayOff = "tray_static=0\ntray_cpu=0\ntray_ram=0\ntray_disk=0\ntray_net=0\ntray_fps=0\n";

bool tray_has_icon(HWND owner, UINT id) {
  NOTIFYICONDATAW d{};
  d.cbSize = sizeof d;
  d.hWnd = owner;
  d.uID = id;
  return Shell_NotifyIconW(NIM_MODIFY, &d) != FALSE;
}

std::vector<bool> icons_of(HWND owner) {
  std::vector<bool> out;
  for (UINT id = 1; id <= 6; ++id) out.push_back(tray_has_icon(owner, id));
  return out;
}

HWND visible_taskbar() {
  HWND tray = FindWindowW(L"Shell_TrayWnd", nullptr);
  return tray && IsWindowVisible(tray) ? tray : nullptr;
}

Rect work_area() {
  RECT r{};
  SystemParametersInfoW(SPI_GETWORKAREA, 0, &r, 0);
  return Rect{r.left, r.top, r.right, r.bottom};
}

struct Running {
  TempDir dir{L"qv ui mon"};
  Child child;
  HWND panel = nullptr;
  explicit Running(const std::string& settings = "") {
    if (!settings.empty()) write_file(dir.file(L"zelmor.ini"), settings);
    child = launch(quorvel_exe(), L"", {{L"LOCALAPPDATA", dir.path()}});
    panel = find_monitor_window(child);
  }
  ~Running() { kill(child); }
  std::string saved() const { return read_file(dir.file(L"zelmor.ini")); }
  bool saved_has(const std::string& line) const { return saved().find(line + "\n") != std::string::npos; }
  void tray_event(UINT event) const { PostMessageW(panel, kWmTray, 0, event); }
  // A tray click with the pointer low in the middle of the screen; true once the pop-up shows.
  bool open_popup() const {
    SetCursorPos(640, 700);
    tray_event(WM_LBUTTONUP);
    return eventually([&] { return IsWindowVisible(panel) != FALSE; }, 5000);
  }
  RECT rect() const {
    RECT r{};
    GetWindowRect(panel, &r);
    return r;
  }
};

TEST(UiMonitor, DefaultTrayIconsAreCpuAndRam) {
  Running m;
  ASSERT_NE(m.panel, nullptr);
  const std::vector<bool> want = {false, true, true, false, false, false};
  EXPECT_TRUE(eventually([&] { return icons_of(m.panel) == want; }, 10000));
}

// The modules (lower-case file names) and the number of threads of another process.
struct ProcessParts {
  std::set<std::wstring> modules;
  size_t threads = 0;
};

ProcessParts parts_of(DWORD pid) {
  ProcessParts parts;
  UniqueHandle modules(CreateToolhelp32Snapshot(TH32CS_SNAPMODULE, pid));
  if (modules && modules.get() != INVALID_HANDLE_VALUE) {
    MODULEENTRY32W m{};
    m.dwSize = sizeof m;
    for (BOOL more = Module32FirstW(modules.get(), &m); more; more = Module32NextW(modules.get(), &m)) {
      std::wstring name = m.szModule;
      for (wchar_t& c : name) c = static_cast<wchar_t>(std::towlower(c));
      parts.modules.insert(name);
    }
  }
  parts.threads = thread_count_of(pid);
  return parts;
}

// What a monitor that sits in the tray costs: no COM, no controls library and no thread for
// event tracing, which cannot read events here. Opening the panel makes its text fields.
TEST(UiMonitor, AnIdleMonitorHasNoComControlsOrTracingThreadUntilThePanelOpens) {
  Running m;
  ASSERT_NE(m.panel, nullptr);
  const std::vector<bool> want = {false, true, true, false, false, false};
  ASSERT_TRUE(eventually([&] { return icons_of(m.panel) == want; }, 10000)) << "the first samples were drawn";
  const ProcessParts idle = parts_of(m.child.pid);
  ASSERT_EQ(idle.modules.count(L"quorvel.exe"), 1u) << "the module list was read";
  EXPECT_EQ(idle.modules.count(L"ole32.dll"), 0u);
  EXPECT_EQ(idle.modules.count(L"comctl32.dll"), 0u);
  EXPECT_EQ(idle.threads, 3u) << "the window's thread, the sampler and the pipe server";

  ASSERT_TRUE(m.open_popup());
  EXPECT_EQ(parts_of(m.child.pid).modules.count(L"comctl32.dll"), 1u);
}

TEST(UiMonitor, EveryTraySettingOffLeavesThePlainIcon) {
  Running m(kAllTrayOff);
  ASSERT_NE(m.panel, nullptr);
  const std::vector<bool> want = {true, false, false, false, false, false};
  EXPECT_TRUE(eventually([&] { return icons_of(m.panel) == want; }, 10000));
}

// Pixels of the taskbar as they are on the screen, 0x00RRGGBB.
std::vector<uint32_t> capture(HWND hwnd, RECT* where) {
  GetWindowRect(hwnd, where);
  MemoryBitmap mem(where->right - where->left, where->bottom - where->top);
  {
    WindowDc screen(nullptr);
    BitBlt(mem.dc(), 0, 0, mem.w(), mem.h(), screen.get(), where->left, where->top, SRCCOPY);
  }
  std::vector<uint32_t> px = mem.shot().pixels;
  for (uint32_t& p : px) p &= 0xFFFFFFu;
  return px;
}

TEST(UiMonitor, LiveIconsShowTheirValueOnABar) {
  HWND taskbar = visible_taskbar();
  if (!taskbar) GTEST_SKIP() << "no visible taskbar: run inside the 'quorvel' virtual desktop";
  Running m;
  ASSERT_NE(m.panel, nullptr);
  // After the first sample both pictures carry digits in the light colour on the dark square
  // (the "…" placeholders are drawn in the slot colours instead).
  size_t text = 0, dark = 0;
  const bool drawn = eventually(
      [&] {
        RECT r{};
        const std::vector<uint32_t> px = capture(taskbar, &r);
        text = dark = 0;
        for (uint32_t p : px) {
          text += p == 0xF0F3F5u;
          dark += p == 0x14161Au;
        }
        return text >= 8 && dark >= 2 * 16 * 4;
      },
      15000);
  EXPECT_TRUE(drawn) << "light text pixels " << text << ", icon background pixels " << dark;
}

TEST(UiMonitor, TrayClickShowsThePopupAboveTheWorkAreaAndASecondHidesAndSaves) {
  Running m;
  ASSERT_NE(m.panel, nullptr);
  ASSERT_TRUE(m.open_popup());
  const Rect work = work_area();  // the same desktop as the program's
  const RECT r = m.rect();
  const int w = r.right - r.left, h = r.bottom - r.top;
  EXPECT_EQ(r.bottom, work.bottom - 8) << "8 pixels above the bottom of the work area";
  // 336 pixels and a border each side, centred on the pointer (the clamp at the edges is tested natively).
  EXPECT_EQ(w, 338);
  EXPECT_EQ(r.left, 471);
  EXPECT_GT(h, 300);
  EXPECT_EQ(static_cast<DWORD>(GetWindowLongPtrW(m.panel, GWL_EXSTYLE)) & 0x88u, 0x88u);  // topmost tool window
  EXPECT_FALSE(file_exists(m.dir.file(L"zelmor.ini")));
  m.tray_event(WM_LBUTTONUP);
  EXPECT_TRUE(eventually([&] { return !IsWindowVisible(m.panel); }, 5000));
  EXPECT_TRUE(eventually([&] { return m.saved_has("pinned=0"); }, 5000)) << m.saved();
  EXPECT_TRUE(m.saved_has("fly_x=-1"));  // never dragged: the next one opens at the pointer again
}

TEST(UiMonitor, EscapeHidesThePopupButNeverAPinnedPanel) {
  {
    Running m;
    ASSERT_NE(m.panel, nullptr);
    m.tray_event(WM_LBUTTONUP);
    ASSERT_TRUE(eventually([&] { return IsWindowVisible(m.panel) != FALSE; }, 5000));
    PostMessageW(m.panel, WM_KEYDOWN, VK_ESCAPE, 0);
    EXPECT_TRUE(eventually([&] { return !IsWindowVisible(m.panel); }, 5000));
  }
  {
    Running m("pinned=1\nwin_x=50\nwin_y=60\n");
    ASSERT_NE(m.panel, nullptr);
    ASSERT_TRUE(eventually([&] { return IsWindowVisible(m.panel) != FALSE; }, 5000)) << "pinned shows at start";
    // Delivered synchronously: once the call returns, the panel has handled the message.
    DWORD_PTR answer = 0;
    ASSERT_TRUE(SendMessageTimeoutW(m.panel, WM_KEYDOWN, VK_ESCAPE, 0, SMTO_NORMAL, 60000, &answer));
    EXPECT_TRUE(IsWindowVisible(m.panel));
    // A tray click on a shown pinned panel only brings it forward, restoring it when minimised.
    ASSERT_TRUE(SendMessageTimeoutW(m.panel, kWmTray, 0, WM_LBUTTONUP, SMTO_NORMAL, 60000, &answer));
    EXPECT_TRUE(IsWindowVisible(m.panel));
    ShowWindowAsync(m.panel, SW_MINIMIZE);
    ASSERT_TRUE(eventually([&] { return IsIconic(m.panel) != FALSE; }, 5000));
    m.tray_event(WM_LBUTTONUP);
    EXPECT_TRUE(eventually([&] { return !IsIconic(m.panel); }, 5000));
  }
}

TEST(UiMonitor, EnterOnTheTrayIconOpensThePopupInTheForeground) {
  Running m;
  ASSERT_NE(m.panel, nullptr);
  // Sent, not posted: once the call returns, the panel has handled the message.
  DWORD_PTR answer = 0;
  const auto send = [&](UINT msg, WPARAM w, LPARAM l) {
    return SendMessageTimeoutW(m.panel, msg, w, l, SMTO_NORMAL, 60000, &answer) != 0;
  };
  m.tray_event(NIN_KEYSELECT);  // posted: handled once the monitor has started
  ASSERT_TRUE(eventually([&] { return IsWindowVisible(m.panel) != FALSE; }, 5000)) << "Enter opened the pop-up";
  EXPECT_TRUE(eventually([&] { return GetForegroundWindow() == m.panel; }, 5000)) << "keys must reach the pop-up";
  ASSERT_TRUE(send(kWmTray, 0, NIN_KEYSELECT));  // the shell may report one key twice
  EXPECT_TRUE(IsWindowVisible(m.panel)) << "a second report does not close it";

  ASSERT_TRUE(send(WM_KEYDOWN, VK_ESCAPE, 0));
  ASSERT_FALSE(IsWindowVisible(m.panel));
  ASSERT_TRUE(send(kWmTray, 0, WM_LBUTTONDOWN));
  ASSERT_TRUE(send(kWmTray, 0, WM_LBUTTONUP));
  ASSERT_TRUE(send(kWmTray, 0, NIN_SELECT));  // the shell's echo of the click
  EXPECT_TRUE(IsWindowVisible(m.panel)) << "the echo did not close what the click opened";
}

// GetWindowText does not ask a control of another process; WM_GETTEXT does.
std::wstring field_text(HWND field) {
  wchar_t buf[512] = {};
  DWORD_PTR got = 0;
  SendMessageTimeoutW(field, WM_GETTEXT, 512, reinterpret_cast<LPARAM>(buf), SMTO_NORMAL, 60000, &got);
  return std::wstring(buf, got);
}

TEST(UiMonitor, EscapeTypedInTheSearchFieldReachesThePanel) {
  Running m;
  ASSERT_NE(m.panel, nullptr);
  m.tray_event(WM_LBUTTONUP);
  ASSERT_TRUE(eventually([&] { return IsWindowVisible(m.panel) != FALSE; }, 5000));
  HWND field = GetDlgItem(m.panel, 1);
  ASSERT_NE(field, nullptr);
  for (wchar_t c : std::wstring(L"zz")) PostMessageW(field, WM_CHAR, c, 0);
  ASSERT_TRUE(eventually([&] { return field_text(field) == L"zz"; }, 5000));
  PostMessageW(field, WM_KEYDOWN, VK_ESCAPE, 0);  // the field has the keyboard, as for a user
  EXPECT_TRUE(eventually([&] { return field_text(field).empty(); }, 5000)) << "the search was not emptied";
  Sleep(300);
  EXPECT_TRUE(IsWindowVisible(m.panel));
  PostMessageW(field, WM_KEYDOWN, VK_ESCAPE, 0);
  EXPECT_TRUE(eventually([&] { return !IsWindowVisible(m.panel); }, 5000));
}

void mouse_input(DWORD flags, int x, int y) {
  INPUT in{};
  in.type = INPUT_MOUSE;
  in.mi.dx = x * 65535 / (GetSystemMetrics(SM_CXSCREEN) - 1);
  in.mi.dy = y * 65535 / (GetSystemMetrics(SM_CYSCREEN) - 1);
  in.mi.dwFlags = flags | MOUSEEVENTF_ABSOLUTE | MOUSEEVENTF_MOVE;
  SendInput(1, &in, sizeof in);
  Sleep(150);
}

TEST(UiMonitor, DraggingThePopupByItsBodyKeepsTheNewSpot) {
  Running m;
  ASSERT_NE(m.panel, nullptr);
  ASSERT_TRUE(m.open_popup());
  const RECT before = m.rect();
  // The reserved banner row at the bottom holds no click region.
  const int x = (before.left + before.right) / 2, y = before.bottom - 12;
  mouse_input(0, x, y);
  mouse_input(MOUSEEVENTF_LEFTDOWN, x, y);
  mouse_input(0, x - 100, y - 50);
  mouse_input(0, x - 200, y - 100);
  mouse_input(MOUSEEVENTF_LEFTUP, x - 200, y - 100);
  ASSERT_TRUE(eventually([&] { return m.rect().left == before.left - 200; }, 5000)) << m.rect().left;
  EXPECT_TRUE(eventually([&] { return m.saved_has("fly_x=" + std::to_string(before.left - 200)); }, 5000))
      << m.saved();
  EXPECT_TRUE(m.saved_has("fly_y=" + std::to_string(before.top - 100)));
  // Hidden and shown again, it comes back to the dragged spot rather than to the pointer.
  m.tray_event(WM_LBUTTONUP);
  ASSERT_TRUE(eventually([&] { return !IsWindowVisible(m.panel); }, 5000));
  SetCursorPos(100, 700);
  m.tray_event(WM_LBUTTONUP);
  ASSERT_TRUE(eventually([&] { return IsWindowVisible(m.panel) != FALSE; }, 5000));
  EXPECT_EQ(m.rect().left, before.left - 200);
  EXPECT_EQ(m.rect().top, before.top - 100);
}

// A press that arrives as a sent message, with no button down, must not start the system's move
// loop: that loop would wait for a release that never comes and hold the panel until then.
TEST(UiMonitor, APressWithNoButtonDownLeavesThePopupResponsive) {
  Running m;
  ASSERT_NE(m.panel, nullptr);
  ASSERT_TRUE(m.open_popup());
  const RECT r = m.rect();
  const LPARAM body = MAKELPARAM((r.right - r.left) / 2, r.bottom - r.top - 12);  // the empty banner row
  DWORD_PTR answer = 0;
  EXPECT_TRUE(SendMessageTimeoutW(m.panel, WM_LBUTTONDOWN, MK_LBUTTON, body, SMTO_NORMAL, 60000, &answer));
  EXPECT_TRUE(SendMessageTimeoutW(m.panel, WM_LBUTTONUP, 0, body, SMTO_NORMAL, 60000, &answer));
  EXPECT_TRUE(SendMessageTimeoutW(m.panel, WM_NULL, 0, 0, SMTO_NORMAL, 60000, &answer));
}

TEST(UiMonitor, UnplacedPinnedPanelIsCentredAndItsFirstMoveIsSaved) {
  Running m("pinned=1\n");
  ASSERT_NE(m.panel, nullptr);
  ASSERT_TRUE(eventually([&] { return IsWindowVisible(m.panel) != FALSE; }, 5000));
  const Rect work = work_area();
  const RECT r = m.rect();
  const int w = r.right - r.left, h = r.bottom - r.top;
  EXPECT_EQ(r.left, (work.right - w) / 2);
  EXPECT_EQ(r.top, (work.bottom - h) / 2);
  EXPECT_TRUE(eventually([&] { return m.saved_has("pinned=1") && m.saved_has("win_x=-1"); }, 5000)) << m.saved();
  // Drag the caption: the end of the move stores and saves the position.
  const int x = (r.left + r.right) / 2, y = r.top + GetSystemMetrics(SM_CYFRAME) + GetSystemMetrics(SM_CYCAPTION) / 2;
  mouse_input(0, x, y);
  mouse_input(MOUSEEVENTF_LEFTDOWN, x, y);
  mouse_input(0, x - 40, y + 20);
  mouse_input(0, x - 80, y + 40);
  mouse_input(MOUSEEVENTF_LEFTUP, x - 80, y + 40);
  ASSERT_TRUE(eventually([&] { return m.rect().left == r.left - 80; }, 5000)) << m.rect().left;
  EXPECT_TRUE(eventually([&] { return m.saved_has("win_x=" + std::to_string(r.left - 80)); }, 5000)) << m.saved();
  EXPECT_TRUE(m.saved_has("win_y=" + std::to_string(r.top + 40)));
}

// A stored place of -1, -1 marked as set is a real place (a monitor left of and above the main
// one), not "never placed"; a place no monitor shows any more comes back onto the work area.
TEST(UiMonitor, APinnedPanelComesBackToANegativePlaceAndOntoAMonitor) {
  {
    Running m("pinned=1\nwin_x=-1\nwin_y=-1\nwin_pos_set=1\nwin_w=420\nwin_h=520\n");
    ASSERT_NE(m.panel, nullptr);
    ASSERT_TRUE(eventually([&] { return IsWindowVisible(m.panel) != FALSE; }, 5000));
    EXPECT_EQ(m.rect().left, -1);
    EXPECT_EQ(m.rect().top, -1);
  }
  Running m("pinned=1\nwin_x=-5000\nwin_y=-3000\nwin_pos_set=1\nwin_w=420\nwin_h=520\n");
  ASSERT_NE(m.panel, nullptr);
  ASSERT_TRUE(eventually([&] { return IsWindowVisible(m.panel) != FALSE; }, 5000));
  const Rect work = work_area();
  EXPECT_EQ(m.rect().left, work.left);
  EXPECT_EQ(m.rect().top, work.top);
}

TEST(UiMonitor, ClosingAPinnedPanelLeavesPinnedModeWhereItWas) {
  Running m("pinned=1\nwin_x=100\nwin_y=120\nwin_w=420\nwin_h=520\n");
  ASSERT_NE(m.panel, nullptr);
  ASSERT_TRUE(eventually([&] { return IsWindowVisible(m.panel) != FALSE; }, 5000));
  RECT r = m.rect();
  EXPECT_EQ(r.left, 100);
  EXPECT_EQ(r.top, 120);
  EXPECT_EQ(r.right - r.left, 420);
  EXPECT_EQ(r.bottom - r.top, 520);
  EXPECT_EQ(static_cast<DWORD>(GetWindowLongPtrW(m.panel, GWL_STYLE)) & 0x02CE0000u, 0x02CE0000u);
  PostMessageW(m.panel, WM_CLOSE, 0, 0);
  ASSERT_TRUE(eventually([&] { return !IsWindowVisible(m.panel); }, 5000));
  EXPECT_TRUE(eventually([&] { return m.saved_has("pinned=0") && m.saved_has("fly_x=100"); }, 5000)) << m.saved();
  EXPECT_TRUE(m.saved_has("fly_y=120"));
  EXPECT_TRUE(IsWindow(m.panel));  // closing never ends the program
  EXPECT_EQ(static_cast<DWORD>(GetWindowLongPtrW(m.panel, GWL_STYLE)) & WS_POPUP, static_cast<DWORD>(WS_POPUP));
  // The pop-up now opens where the pinned window stood.
  m.tray_event(WM_LBUTTONUP);
  ASSERT_TRUE(eventually([&] { return IsWindowVisible(m.panel) != FALSE; }, 5000));
  r = m.rect();
  EXPECT_EQ(r.left, 100);
  EXPECT_EQ(r.top, 120);
}

// Top-level windows of a class that are visible now.
std::vector<HWND> visible_windows_of(const wchar_t* cls) {
  std::vector<HWND> out;
  for (HWND w = FindWindowExW(nullptr, nullptr, cls, nullptr); w; w = FindWindowExW(nullptr, w, cls, nullptr)) {
    if (IsWindowVisible(w)) out.push_back(w);
  }
  return out;
}

TEST(UiMonitor, QueuedNotificationShowsABalloon) {
  if (!visible_taskbar()) GTEST_SKIP() << "no visible taskbar: run inside the 'quorvel' virtual desktop";
  Running m;
  ASSERT_NE(m.panel, nullptr);
  ASSERT_TRUE(eventually([&] { return tray_has_icon(m.panel, 2); }, 10000));
  const size_t before = visible_windows_of(L"tooltips_class32").size();
  auto reply = pipe_request(L"\\\\.\\pipe\\zelmor-mcp", "notify Build finished\tAll 12 targets are green");
  ASSERT_TRUE(reply.has_value());
  EXPECT_EQ(*reply, "{\"ok\":true}\n");
  EXPECT_TRUE(eventually([&] { return visible_windows_of(L"tooltips_class32").size() > before; }, 5000))
      << "no balloon appeared";
}

TEST(UiMonitor, TaskbarRestartBringsTheIconsBack) {
  Running m;
  ASSERT_NE(m.panel, nullptr);
  ASSERT_TRUE(eventually([&] { return tray_has_icon(m.panel, 2) && tray_has_icon(m.panel, 3); }, 10000));
  // What a crashed taskbar leaves behind: the shell knows none of the icons any more.
  for (UINT id : {2u, 3u}) {
    NOTIFYICONDATAW d{};
    d.cbSize = sizeof d;
    d.hWnd = m.panel;
    d.uID = id;
    Shell_NotifyIconW(NIM_DELETE, &d);
  }
  ASSERT_FALSE(tray_has_icon(m.panel, 2));
  PostMessageW(m.panel, RegisterWindowMessageW(L"TaskbarCreated"), 0, 0);
  EXPECT_TRUE(eventually([&] { return tray_has_icon(m.panel, 2) && tray_has_icon(m.panel, 3); }, 5000));
  EXPECT_FALSE(tray_has_icon(m.panel, 1));  // only the slots that were added come back
}

TEST(UiMonitor, SettingsFromTheTrayMenuOpensThePanel) {
  Running m;
  ASSERT_NE(m.panel, nullptr);
  m.tray_event(WM_RBUTTONUP);
  ASSERT_NE(find_window(m.child.pid, L"#32768", 5000), nullptr) << "the tray menu did not open";
  PostMessageW(m.panel, WM_KEYDOWN, VK_DOWN, 0);  // the first item, "Settings"
  PostMessageW(m.panel, WM_KEYDOWN, VK_RETURN, 0);
  EXPECT_TRUE(eventually([&] { return IsWindowVisible(m.panel) != FALSE; }, 5000));
  EXPECT_FALSE(wait_exit(m.child, 0).has_value());
}

TEST(UiMonitor, ExitFromTheTrayMenuEndsWithCodeZeroAndRemovesTheIcons) {
  Running m;
  ASSERT_NE(m.panel, nullptr);
  ASSERT_TRUE(eventually([&] { return tray_has_icon(m.panel, 2) && tray_has_icon(m.panel, 3); }, 10000));
  m.tray_event(WM_RBUTTONUP);
  HWND menu = find_window(m.child.pid, L"#32768", 5000);
  ASSERT_NE(menu, nullptr) << "the tray menu did not open";
  // The menu's own loop reads the keys of its thread: Up from no selection picks the last
  // item, "Exit".
  PostMessageW(m.panel, WM_KEYDOWN, VK_UP, 0);
  PostMessageW(m.panel, WM_KEYDOWN, VK_RETURN, 0);
  EXPECT_EQ(wait_exit(m.child, 10000), std::optional<DWORD>(0));
  EXPECT_FALSE(tray_has_icon(m.panel, 2));
  EXPECT_FALSE(tray_has_icon(m.panel, 3));
  EXPECT_TRUE(m.saved_has("tray_cpu=1"));  // the settings were saved on the way out
}

}  // namespace
}  // namespace qv::test
