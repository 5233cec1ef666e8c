// The real quorvel.exe on its settings pages and in the alert editor, clicked at the positions
// of their layout: after every click the saved zelmor.ini is compared byte for byte with the
// file before the click with exactly the expected line changed.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <atomic>
#include <cwchar>
#include <string>
#include <thread>
#include <vector>

#include "config/settings.h"
#include "core/messages.h"
#include "ui/gdi/draw_win.h"
#include "ui/gdi/scale.h"
#include "ui/panel/alert_editor/alert_editor_layout.h"
#include "ui/panel/frame/panel_layout.h"
#include "ui/panel/frame/panel_page_win.h"
#include "ui/panel/settings/settings_paint_win.h"
#include "util/wide_win.h"
#include "win_support.h"

namespace qv::test {
namespace {

// Text of a field of another process: WM_GETTEXT and WM_SETTEXT reach it, GetWindowText does not.
std::wstring field_text(HWND field) {
  const auto n = static_cast<size_t>(SendMessageW(field, WM_GETTEXTLENGTH, 0, 0));
  std::wstring text(n + 1, L'\0');
  SendMessageW(field, WM_GETTEXT, n + 1, reinterpret_cast<LPARAM>(text.data()));
  text.resize(n);
  return text;
}
void set_field(HWND field, const std::wstring& text) {
  SendMessageW(field, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

std::wstring copy_dir_of(const std::wstring& path) { return path.substr(0, path.find_last_of(L"\\/")); }

struct SettingsMonitor {
  TempDir dir{L"qv settings"};
  Child child;
  HWND panel = nullptr;
  std::wstring exe = quorvel_exe();
  std::map<std::wstring, std::wstring> env;

  // Starts the program on `ini` and opens the pop-up panel on the overview.
  void start(const std::string& ini) {
    write_file(dir.file(L"zelmor.ini"), ini);
    env[L"LOCALAPPDATA"] = dir.path();
    child = launch(exe, L"", env);
    panel = find_monitor_window(child);
    if (!panel) return;
    SetCursorPos(0, 0);
    PostMessageW(panel, kWmTray, 0, WM_LBUTTONUP);
    // A hidden panel paints nothing and so has no click regions: every later click would be lost.
    if (!eventually([&] { return IsWindowVisible(panel) != FALSE; }, 15000)) {
      ADD_FAILURE() << "the pop-up did not show within 15 s of the tray click";
      panel = nullptr;
    }
  }
  ~SettingsMonitor() { kill(child); }

  std::string ini() const { return read_file(dir.file(L"zelmor.ini")); }
  Settings settings() const { return parse_settings(ini()); }

  // One synchronous click: the action is done when this returns, and the page is painted
  // again, so that the next click finds the regions of the new paint.
  // A panel that stopped answering fails the test instead of holding it.
  void click(int x, int y) {
    DWORD_PTR answer = 0;
    for (UINT msg : {WM_MOUSEMOVE, WM_LBUTTONDOWN, WM_LBUTTONUP}) {
      // A click may run the task tool three times before it answers, each a process start that a
      // loaded machine makes slow: the answer is waited for, not given up on as hung.
      EXPECT_TRUE(SendMessageTimeoutW(panel, msg, msg == WM_LBUTTONDOWN ? MK_LBUTTON : 0, MAKELPARAM(x, y),
                                      SMTO_NORMAL, 60000, &answer))
          << "no answer to mouse message " << msg << " at " << x << "," << y;
    }
    paint_now();
  }
  // Waits for the program's own paint: once the window has nothing left to update and the paint
  // has returned, the screen, the click regions and the text fields placed by it are new. (The
  // update region empties when the paint begins; a message sent afterwards is taken only once
  // the paint has ended.)
  void paint_now() {
    InvalidateRect(panel, nullptr, FALSE);
    EXPECT_TRUE(eventually([&] { return !GetUpdateRect(panel, nullptr, FALSE); }, 60000))
        << "the panel did not paint within 60 s";
    DWORD_PTR answer = 0;
    EXPECT_TRUE(SendMessageTimeoutW(panel, WM_NULL, 0, 0, SMTO_NORMAL, 60000, &answer))
        << "the panel did not finish its paint within 60 s";
  }
  void click(const HitRegion& r) { click((r.left + r.right) / 2, (r.top + r.bottom) / 2); }

  // The layout the program paints for page/sub-page with the settings it has saved, measured
  // with the same fonts at the scale of its text size.
  PageView layout(Page page, uint8_t sub, const Settings& s, const AlertEditorState& editor = {},
                  bool copied = false, int32_t scroll = 0) const {
    RECT rc{};
    GetClientRect(panel, &rc);
    const float scale = text_size_factor(s.text_size);
    FontSet fonts = create_font_set(scale);
    HDC screen = GetDC(nullptr);
    HDC mem = CreateCompatibleDC(screen);
    PageInput in;
    in.settings = &s;
    in.page = page;
    in.sub_page = sub;
    in.width = rc.right;
    in.height = rc.bottom;
    in.scale = scale;
    in.scroll_offset = scroll;
    in.copied = copied;
    in.connect_command = "x";
    in.editor = &editor;
    const GdiMeasure measure(mem, fonts);
    PageView view = page == Page::kAlertEditor ? layout_alert_editor(in, measure) : layout_settings_page(in, measure);
    DeleteDC(mem);
    ReleaseDC(nullptr, screen);
    return view;
  }

  const HitRegion* region(const PageView& v, ActionKind kind, uint64_t index = 0, uint32_t number = 0) const {
    for (const HitRegion& r : v.regions)
      if (r.action.kind == kind && r.action.index == index && r.action.number == number) return &r;
    return nullptr;
  }

  // Overview "settings" link, then the section's row on the settings home.
  bool open_section(uint8_t section) {
    go_home();
    return click_section(section);
  }
  bool click_section(uint8_t section) {
    for (const HitRegion& r : layout(Page::kSettingsHome, 0, settings()).regions)
      if (r.action.kind == ActionKind::kOpenSettingsSection && r.action.flag == section) {
        click(r);
        return true;
      }
    return false;
  }
  // The tray menu's "Settings" does the same as the link; here the link's region is clicked.
  void go_home() {
    Snapshot snap;
    PanelState state;
    const Settings s = settings();
    FontSet fonts = create_font_set(text_size_factor(s.text_size));
    OverviewInput in;
    in.settings = &s;
    in.snapshot = &snap;
    RECT rc{};
    GetClientRect(panel, &rc);
    HDC screen = GetDC(nullptr);
    HDC mem = CreateCompatibleDC(screen);
    HBITMAP bmp = CreateCompatibleBitmap(screen, rc.right, rc.bottom);
    HGDIOBJ old = SelectObject(mem, bmp);
    paint_page(PanelCanvas{mem, rc.right, rc.bottom, text_size_factor(s.text_size), &fonts, &state}, in);
    SelectObject(mem, old);
    DeleteObject(bmp);
    DeleteDC(mem);
    ReleaseDC(nullptr, screen);
    for (const HitRegion& r : state.hit_regions)
      if (r.action.kind == ActionKind::kOpenSettings) click(r);
  }
};

// The text with the one line `from` replaced by `to` ("" as `from` appends `to` as a line).
std::string with_line(const std::string& text, const std::string& from, const std::string& to) {
  if (from.empty()) return text + to + "\n";
  const size_t at = text.find(from + "\n");
  if (at == std::string::npos || (at != 0 && text[at - 1] != '\n')) return "(line " + from + " not in the file)";
  return text.substr(0, at) + (to.empty() ? "" : to + "\n") + text.substr(at + from.size() + 1);
}

struct ClickStep {
  ActionKind kind;
  uint64_t index;
  uint32_t number;
  const char* from;  // the line before the click
  const char* to;    // and after it
};

// Clicks each step on section `section` and checks the whole file after each.
void run_steps(SettingsMonitor& m, uint8_t section, const std::vector<ClickStep>& steps) {
  ASSERT_TRUE(m.open_section(section));
  for (const ClickStep& step : steps) {
    SCOPED_TRACE(std::string(step.from) + " -> " + step.to);
    const std::string before = m.ini();
    const PageView view = m.layout(Page::kSettingsSection, section, parse_settings(before));
    const HitRegion* r = m.region(view, step.kind, step.index, step.number);
    ASSERT_NE(r, nullptr);
    m.click(*r);
    EXPECT_EQ(m.ini(), with_line(before, step.from, step.to));
  }
}

// A complete file as the program writes it, so that the first click changes only its line.
std::string full_file(const std::string& extra = "") {
  return "tray_static=0\ntray_cpu=1\ntray_ram=1\ntray_disk=0\ntray_net=0\ntray_fps=0\ninterval_ms=1000\npinned=0\n"
         "on_top=0\nwin_x=-1\nwin_y=-1\nwin_pos_set=0\nwin_w=-1\nwin_h=-1\nfps_overlay=0\nfps_color=0\nfps_opacity=1\nfps_x=-1\n"
         "fps_y=-1\nfps_pos_set=0\ntheme=0\nwidget_on=0\nwidget_mask=7\nwidget_x=-1\nwidget_y=-1\nwidget_pos_set=0\n"
         "mcp_enabled=1\nnotify_presets=3\ntext_size=1\nwidget_scale=1.000\nwidget_theme=0\nfly_x=-1\nfly_y=-1\nfly_pos_set=0\n"
         "main_metrics=cpu,ram,gpu,fps,disk,net,audio\nagent_log_file=\n" +
         extra;
}

TEST(SettingsPages, GeneralSectionWritesEachChoice) {
  SettingsMonitor m;
  m.start(full_file());
  ASSERT_NE(m.panel, nullptr);
  run_steps(m, 0,
            {{ActionKind::kSetInterval, 0, 500, "interval_ms=1000", "interval_ms=500"},
             {ActionKind::kSetInterval, 0, 2000, "interval_ms=500", "interval_ms=2000"},
             {ActionKind::kSetInterval, 0, 1000, "interval_ms=2000", "interval_ms=1000"},
             {ActionKind::kSetTheme, 1, 0, "theme=0", "theme=1"},
             {ActionKind::kSetTheme, 2, 0, "theme=1", "theme=2"},
             {ActionKind::kSetTheme, 0, 0, "theme=2", "theme=0"},
             {ActionKind::kSetTextSize, 0, 0, "text_size=1", "text_size=0"},
             {ActionKind::kSetTextSize, 3, 0, "text_size=0", "text_size=3"},
             {ActionKind::kSetTextSize, 1, 0, "text_size=3", "text_size=1"}});
}

TEST(SettingsPages, AiToolsSectionWritesEachChoice) {
  SettingsMonitor m;
  m.start(full_file("notify_rule1=1|tell me when the build breaks\n"));
  ASSERT_NE(m.panel, nullptr);
  const std::string agents = "agent_log_file=" + escape_text(utf8(m.dir.file(L"zelmor-agents.log")));
  run_steps(m, 1,
            {{ActionKind::kToggleNotifyPreset, 0, 4, "notify_presets=3", "notify_presets=7"},
             {ActionKind::kToggleNotifyPreset, 0, 8, "notify_presets=7", "notify_presets=15"},
             {ActionKind::kToggleNotifyPreset, 0, 1, "notify_presets=15", "notify_presets=14"},
             {ActionKind::kToggleNotifyPreset, 0, 2, "notify_presets=14", "notify_presets=12"},
             {ActionKind::kToggleCustomRequest, 0, 0, "notify_rule1=1|tell me when the build breaks",
              "notify_rule1=0|tell me when the build breaks"},
             {ActionKind::kToggleAgentLogFile, 0, 0, "agent_log_file=", agents.c_str()},
             {ActionKind::kToggleAgentLogFile, 0, 0, agents.c_str(), "agent_log_file="},
             {ActionKind::kRemoveCustomRequest, 0, 0, "notify_rule1=0|tell me when the build breaks", ""}});

  // A request typed into field 4 and added; spaces only add nothing.
  HWND field = GetDlgItem(m.panel, 4);
  ASSERT_TRUE(IsWindowVisible(field));
  const auto add = [&](const std::wstring& text) {
    set_field(field, text);
    const PageView v = m.layout(Page::kSettingsSection, 1, m.settings());
    m.click(*m.region(v, ActionKind::kAddCustomRequest));
  };
  std::string before = m.ini();
  add(L"   ");
  EXPECT_EQ(m.ini(), before);
  add(L"  ping me when tests fail ");
  EXPECT_EQ(m.ini(), with_line(before, "", "notify_rule1=1|ping me when tests fail"));
  EXPECT_EQ(field_text(field), L"");

  before = m.ini();
  const PageView v = m.layout(Page::kSettingsSection, 1, m.settings());
  m.click(*m.region(v, ActionKind::kToggleMcp));
  EXPECT_EQ(m.ini(), with_line(before, "mcp_enabled=1", "mcp_enabled=0"));
  EXPECT_FALSE(IsWindowVisible(field)) << "the request field hides with the connection";
}

// A window of this process that owns the clipboard. When the panel's copy empties the clipboard,
// the system sends this window WM_DESTROYCLIPBOARD and the panel waits for the answer; meanwhile
// this window sends the panel a click, as any other program's message may arrive while the panel
// waits inside a call of its own (the shell's tray calls do so on every sample).
struct ClipboardOwnerThatClicks {
  HWND panel;
  POINT at;
  std::atomic<int> clicks_sent{0};
  HWND hwnd = nullptr;
  std::thread thread;
  std::atomic<bool> ready{false};
  std::atomic<DWORD> thread_id{0};

  ClipboardOwnerThatClicks(HWND p, POINT point) : panel(p), at(point) {
    thread = std::thread([this] {
      thread_id = GetCurrentThreadId();
      hwnd = CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
      SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
      SetWindowLongPtrW(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&proc));
      if (OpenClipboard(hwnd)) {
        EmptyClipboard();
        CloseClipboard();
      }
      ready = true;
      MSG msg;
      while (GetMessageW(&msg, nullptr, 0, 0) > 0) DispatchMessageW(&msg);
      DestroyWindow(hwnd);
    });
    eventually([&] { return ready.load(); }, 5000);
  }
  ~ClipboardOwnerThatClicks() {
    PostThreadMessageW(thread_id.load(), WM_QUIT, 0, 0);
    thread.join();
  }
  static LRESULT CALLBACK proc(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam) {
    auto* self = reinterpret_cast<ClipboardOwnerThatClicks*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (msg == WM_DESTROYCLIPBOARD && self) {
      DWORD_PTR answer = 0;
      for (UINT m : {WM_MOUSEMOVE, WM_LBUTTONDOWN, WM_LBUTTONUP}) {
        SendMessageTimeoutW(self->panel, m, m == WM_LBUTTONDOWN ? MK_LBUTTON : 0, MAKELPARAM(self->at.x, self->at.y),
                            SMTO_ABORTIFHUNG, 10000, &answer);
      }
      ++self->clicks_sent;
      return 0;
    }
    return DefWindowProcW(hwnd, msg, wparam, lparam);
  }
};

TEST(SettingsPages, AClickSentWhileThePanelWaitsOnAnotherProgramIsCarriedOutAfterwards) {
  SettingsMonitor m;
  m.start(full_file());
  ASSERT_NE(m.panel, nullptr);
  ASSERT_TRUE(m.open_section(1));
  const PageView v = m.layout(Page::kSettingsSection, 1, m.settings());
  const HitRegion* copy = m.region(v, ActionKind::kCopyConnectCommand);
  const HitRegion* mcp = m.region(v, ActionKind::kToggleMcp);
  ASSERT_TRUE(copy && mcp);
  const std::string before = m.ini();
  ClipboardOwnerThatClicks owner(m.panel, POINT{(mcp->left + mcp->right) / 2, (mcp->top + mcp->bottom) / 2});
  m.click(*copy);
  ASSERT_EQ(owner.clicks_sent.load(), 1) << "the copy did not take the clipboard from this test's window";
  // The click arrived while the copy held the panel's state; it is carried out right after it.
  EXPECT_TRUE(eventually([&] { return m.ini() == with_line(before, "mcp_enabled=1", "mcp_enabled=0"); }, 5000))
      << m.ini();
}

TEST(SettingsPages, CopyPutsTheConnectCommandOnTheClipboardUntilThePageChanges) {
  SettingsMonitor m;
  m.start(full_file());
  ASSERT_NE(m.panel, nullptr);
  ASSERT_TRUE(m.open_section(1));
  const PageView v = m.layout(Page::kSettingsSection, 1, m.settings());
  const HitRegion* copy = m.region(v, ActionKind::kCopyConnectCommand);
  ASSERT_NE(copy, nullptr);
  m.click(*copy);
  std::wstring text;
  ASSERT_TRUE(OpenClipboard(nullptr));
  if (HANDLE h = GetClipboardData(CF_UNICODETEXT)) {
    text = static_cast<const wchar_t*>(GlobalLock(h));
    GlobalUnlock(h);
  }
  CloseClipboard();
  EXPECT_EQ(text, L"claude mcp add quorvel \"" + copy_dir_of(m.exe) + L"\\zelmor-mcp.exe\"");
  // "Copied" is selected: its chip is filled with the accent colour; after Back and in again, "Copy".
  const PageView copied = m.layout(Page::kSettingsSection, 1, m.settings(), {}, true);
  const HitRegion* chip = m.region(copied, ActionKind::kCopyConnectCommand);
  // The panel has painted when the click returns; the picture reaches the screen a moment later.
  Rgb seen{};
  EXPECT_TRUE(eventually([&] { return (seen = capture_client(m.panel).at(chip->left + 2, chip->top + 2)) == colours::accent; }, 5000))
      << "the chip never showed the accent colour on the screen, last " << int{seen.r} << "," << int{seen.g} << "," << int{seen.b};
  m.click(100, 30);  // the band: back to the home page
  ASSERT_TRUE(m.click_section(1));
  EXPECT_TRUE(eventually([&] { return (seen = capture_client(m.panel).at(copy->left + 2, copy->top + 2)) == current_theme().surface; }, 5000))
      << "the chip never showed the surface colour on the screen, last " << int{seen.r} << "," << int{seen.g} << "," << int{seen.b};
}

TEST(SettingsPages, MainPanelSectionHidesAndShowsMetrics) {
  SettingsMonitor m;
  m.start(full_file());
  ASSERT_NE(m.panel, nullptr);
  run_steps(m, 2,
            {{ActionKind::kToggleMainMetric, 2, 0, "main_metrics=cpu,ram,gpu,fps,disk,net,audio",
              "main_metrics=cpu,ram,-gpu,fps,disk,net,audio"},
             {ActionKind::kToggleMainMetric, 6, 0, "main_metrics=cpu,ram,-gpu,fps,disk,net,audio",
              "main_metrics=cpu,ram,-gpu,fps,disk,net,-audio"},
             {ActionKind::kToggleMainMetric, 2, 0, "main_metrics=cpu,ram,-gpu,fps,disk,net,-audio",
              "main_metrics=cpu,ram,gpu,fps,disk,net,-audio"}});
}

TEST(SettingsPages, DesktopExtrasSectionWritesEachChoice) {
  SettingsMonitor m;
  // Already placed: a widget or counter shown for the first time saves the place it chose.
  std::string ini = with_line(with_line(full_file(), "widget_x=-1", "widget_x=200"), "widget_y=-1", "widget_y=200");
  ini = with_line(with_line(ini, "fps_x=-1", "fps_x=40"), "fps_y=-1", "fps_y=40");
  ini = with_line(with_line(ini, "widget_pos_set=0", "widget_pos_set=1"), "fps_pos_set=0", "fps_pos_set=1");
  m.start(ini);
  ASSERT_NE(m.panel, nullptr);
  run_steps(m, 3,
            {{ActionKind::kToggleWidget, 0, 0, "widget_on=0", "widget_on=1"},
             {ActionKind::kToggleWidgetBit, 0, 32, "widget_mask=7", "widget_mask=39"},
             {ActionKind::kToggleWidgetBit, 0, 1, "widget_mask=39", "widget_mask=38"},
             {ActionKind::kSetWidgetTheme, 2, 0, "widget_theme=0", "widget_theme=2"},
             {ActionKind::kToggleWidget, 0, 0, "widget_on=1", "widget_on=0"},
             {ActionKind::kToggleFpsOverlay, 0, 0, "fps_overlay=0", "fps_overlay=1"},
             {ActionKind::kSetFpsColor, 4, 0, "fps_color=0", "fps_color=4"},
             {ActionKind::kSetFpsOpacity, 0, 0, "fps_opacity=1", "fps_opacity=0"},
             {ActionKind::kToggleFpsOverlay, 0, 0, "fps_overlay=1", "fps_overlay=0"},
             {ActionKind::kToggleTrayIcon, 3, 0, "tray_disk=0", "tray_disk=1"},
             {ActionKind::kToggleTrayIcon, 4, 0, "tray_net=0", "tray_net=1"},
             {ActionKind::kToggleTrayIcon, 5, 0, "tray_fps=0", "tray_fps=1"},
             {ActionKind::kToggleTrayIcon, 1, 0, "tray_cpu=1", "tray_cpu=0"}});
}

TEST(SettingsPages, TheOnlyTickedTrayRowTurnsOffAndTheAppIconOn) {
  SettingsMonitor m;
  std::string ini = full_file();
  ini = with_line(with_line(ini, "tray_cpu=1", "tray_cpu=0"), "tray_ram=1", "tray_ram=0");
  ini = with_line(ini, "tray_net=0", "tray_net=1");
  m.start(ini);
  ASSERT_NE(m.panel, nullptr);
  ASSERT_TRUE(m.open_section(3));
  const std::string before = m.ini();
  m.click(*m.region(m.layout(Page::kSettingsSection, 3, parse_settings(before)), ActionKind::kToggleTrayIcon, 4));
  EXPECT_EQ(m.ini(), with_line(with_line(before, "tray_net=1", "tray_net=0"), "tray_static=0", "tray_static=1"));
}

TEST(SettingsPages, AlertsSectionAndEditorComposeSwitchAndRemove) {
  SettingsMonitor m;
  m.start(full_file("log1=gpu>>5\n"));
  ASSERT_NE(m.panel, nullptr);
  ASSERT_TRUE(m.open_section(4));
  AlertEditorState editor;
  const auto editor_click = [&](ActionKind kind, uint64_t index = 0) {
    const PageView v = m.layout(Page::kAlertEditor, 0, m.settings(), editor);
    for (const HitRegion& r : v.regions)
      if (r.action.kind == kind && r.action.index == index) {
        m.click(r);
        return true;
      }
    return false;
  };
  const auto section_click = [&](ActionKind kind, uint64_t index = 0) {
    const PageView v = m.layout(Page::kSettingsSection, 4, m.settings());
    const HitRegion* r = m.region(v, kind, index);
    ASSERT_NE(r, nullptr);
    m.click(*r);
  };

  // The defaults: cpu>90 with top apps.
  std::string before = m.ini();
  section_click(ActionKind::kNewAlert);
  EXPECT_EQ(field_text(GetDlgItem(m.panel, 2)), L"90");
  EXPECT_EQ(field_text(GetDlgItem(m.panel, 3)), m.dir.file(L"zelmor-alerts.log"));
  ASSERT_TRUE(editor_click(ActionKind::kAlertSave));
  EXPECT_EQ(m.ini(), with_line(before, "", "log2=cpu>90; data=top"));

  // One app, RAM, 2048, file only, five minutes, no top apps.
  before = m.ini();
  section_click(ActionKind::kNewAlert);
  ASSERT_TRUE(editor_click(ActionKind::kAlertMetric, 7));
  editor.metric = 7;
  HWND app = GetDlgItem(m.panel, 1);
  EXPECT_TRUE(IsWindowVisible(app));
  set_field(app, L"Chrome.exe");
  ASSERT_TRUE(editor_click(ActionKind::kAlertMeasure, 1));
  editor.measure = 1;
  set_field(GetDlgItem(m.panel, 2), L"2048");
  ASSERT_TRUE(editor_click(ActionKind::kAlertDelivery, 1));
  editor.delivery = 1;
  EXPECT_TRUE(IsWindowVisible(GetDlgItem(m.panel, 3)));
  ASSERT_TRUE(editor_click(ActionKind::kAlertCooldown));
  editor.cooldown = 2;
  ASSERT_TRUE(editor_click(ActionKind::kAlertIncludeTop));
  editor.include_top = false;
  // A threshold of abc saves nothing and keeps the form.
  set_field(GetDlgItem(m.panel, 2), L"abc");
  ASSERT_TRUE(editor_click(ActionKind::kAlertSave));
  EXPECT_EQ(m.ini(), before);
  EXPECT_TRUE(IsWindowVisible(app));
  set_field(GetDlgItem(m.panel, 2), L"2048");
  ASSERT_TRUE(editor_click(ActionKind::kAlertSave));
  EXPECT_EQ(m.ini(), with_line(before, "", "log3=proc:Chrome.exe:ram>2048; file=" + utf8(m.dir.file(L"zelmor-alerts.log")) +
                                               "; cooldown=300; nonotify"));
  EXPECT_FALSE(IsWindowVisible(app)) << "back on the Alerts section";
  EXPECT_EQ(field_text(app), L"");

  // Switching the listed rule off and on again; the invalid line is listed and removable.
  before = m.ini();
  section_click(ActionKind::kToggleAlertRule, 1);
  EXPECT_EQ(m.ini(), with_line(before, "log2=cpu>90; data=top", "log2=cpu>90; data=top; off"));
  section_click(ActionKind::kToggleAlertRule, 1);
  EXPECT_EQ(m.ini(), before);
  section_click(ActionKind::kRemoveAlertRule, 0);
  const std::string after = m.ini();
  EXPECT_EQ(after.find("gpu>>5"), std::string::npos);
  EXPECT_NE(after.find("\nlog1=cpu>90; data=top\nlog2=proc:Chrome.exe:ram>2048"), std::string::npos);
}


// With two tiles and no AI band the pop-up is shorter than the alert editor's longest form; opened
// on the editor it grows (above the taskbar) until "save alert" shows without scrolling, and back
// on the settings it is shorter again.
TEST(SettingsPages, ThePopupGrowsToShowTheWholeAlertEditor) {
  SettingsMonitor m;
  m.start(with_line(with_line(full_file(), "main_metrics=cpu,ram,gpu,fps,disk,net,audio",
                              "main_metrics=cpu,ram,-gpu,-fps,-disk,-net,-audio"),
                    "mcp_enabled=1", "mcp_enabled=0"));
  ASSERT_NE(m.panel, nullptr);
  ASSERT_TRUE(m.open_section(4));
  const auto client_height = [&] {
    RECT rc{};
    GetClientRect(m.panel, &rc);
    return static_cast<int32_t>(rc.bottom);
  };
  const int32_t overview_height = client_height();
  AlertEditorState editor;
  // A piece the layout has out of view has no region: the test fails instead of clicking nowhere.
  const auto press = [&](const PageView& v, ActionKind kind, uint64_t index = 0) {
    const HitRegion* r = m.region(v, kind, index);
    if (r) m.click(*r);
    return r != nullptr;
  };
  ASSERT_TRUE(press(m.layout(Page::kSettingsSection, 4, m.settings()), ActionKind::kNewAlert));
  ASSERT_TRUE(press(m.layout(Page::kAlertEditor, 0, m.settings(), editor), ActionKind::kAlertMetric, 7));
  editor.metric = 7;
  ASSERT_TRUE(press(m.layout(Page::kAlertEditor, 0, m.settings(), editor), ActionKind::kAlertDelivery, 2));
  editor.delivery = 2;
  const PageView form = m.layout(Page::kAlertEditor, 0, m.settings(), editor);
  const int32_t whole = whole_page_height(form, 1.0f);
  ASSERT_GT(whole, overview_height) << "the form must be taller than the pop-up for this test";
  EXPECT_EQ(client_height(), whole);
  EXPECT_EQ(scroll_limit(form.content_height, form.list_top, client_height(), 1.0f), 0);
  RECT window{};
  GetWindowRect(m.panel, &window);
  RECT work{};
  SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
  EXPECT_EQ(window.bottom, work.bottom - 8) << "the grown pop-up still sits above the taskbar";
  wchar_t shot_dir[MAX_PATH] = {};
  if (GetEnvironmentVariableW(L"QV_SHOT_DIR", shot_dir, MAX_PATH) > 0) {
    write_bmp(std::wstring(shot_dir) + L"\\grown-alert-editor.bmp", capture_client(m.panel));
  }
  ASSERT_TRUE(press(form, ActionKind::kAlertCancel));
  // The overview's size, which a sample that counted one more drive meanwhile may have changed.
  EXPECT_LT(client_height(), whole) << "back on the Alerts section the pop-up is the overview's size again";
}

// Every settings page in every theme at the default and the largest text size, at the top and
// scrolled to the bottom: the band keeps the theme's surface above scrolled content and the
// page its background. With QV_SHOT_DIR set, each capture is also kept there for a person to look at.
TEST(SettingsPages, EveryPageInEveryThemeAndTextSize) {
  wchar_t shot_dir[MAX_PATH] = {};
  const bool keep = GetEnvironmentVariableW(L"QV_SHOT_DIR", shot_dir, MAX_PATH) > 0;
  for (uint32_t theme = 0; theme < 3; ++theme) {
    for (uint32_t size : {1u, 3u}) {
      SettingsMonitor m;
      std::string ini = with_line(full_file("notify_rule1=1|tell me when the build breaks\nlog1=cpu>90; data=top\n"
                                            "log2=proc:chrome.exe:ram>2048; file=C:\\logs\\chrome.log; cooldown=300\n"
                                            "log3=gpu>>5\n"),
                                  "theme=0", "theme=" + std::to_string(theme));
      ini = with_line(ini, "text_size=1", "text_size=" + std::to_string(size));
      m.start(ini);
      ASSERT_NE(m.panel, nullptr);
      const Theme& t = theme_at(theme);
      const float scale = text_size_factor(size);
      m.go_home();
      for (int page = -1; page < 5; ++page) {
        SCOPED_TRACE(std::to_string(theme) + "/" + std::to_string(size) + "/" + std::to_string(page));
        if (page >= 0) {
          if (page > 0) m.click(100, px(30, scale));  // from the last section back to the home page
          ASSERT_TRUE(m.click_section(static_cast<uint8_t>(page)));
        }
        for (int bottom = 0; bottom < 2; ++bottom) {
          if (bottom) {
            DWORD_PTR answer = 0;
            ASSERT_TRUE(SendMessageTimeoutW(m.panel, WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(-120 * 30)),
                                            MAKELPARAM(100, 200), SMTO_NORMAL, 60000, &answer))
                << "the panel did not answer the wheel within 60 s";
            m.paint_now();
          }
          // A sample may resize the pop-up meanwhile; the picture counts once it is painted. (A pop-up
          // that grew with its drives may reach past the screen's bottom, so the corners compared
          // are the top ones and the left margin halfway down.)
          // A balloon or menu of another program can lie over the pop-up for a while: the wait
          // outlasts a balloon's shortest time on screen, and a failure says what was seen where.
          ScreenShot s;
          const bool painted = eventually(
              [&] {
                s = capture_client(m.panel);
                return s.at(s.w - px(12, scale) - 4, px(12, scale) + px(3, scale)) == t.surface &&
                       s.at(2, 2) == t.background && s.at(2, s.h / 2) == t.background;
              },
              15000);
          if (!painted) {
            RECT wr{};
            GetWindowRect(m.panel, &wr);
            ADD_FAILURE() << "the page's picture was not the theme's after 15 s; pop-up "
                          << (IsWindowVisible(m.panel) ? "shown" : "hidden") << " at " << wr.left << "," << wr.top
                          << " " << (wr.right - wr.left) << "x" << (wr.bottom - wr.top) << "; band "
                          << describe_point(m.panel, s, s.w - px(12, scale) - 4, px(12, scale) + px(3, scale))
                          << "; margin " << describe_point(m.panel, s, 2, 2) << ", "
                          << describe_point(m.panel, s, 2, s.h / 2);
          }
          if (keep) {
            write_bmp(std::wstring(shot_dir) + L"\\t" + std::to_wstring(theme) + L"-s" + std::to_wstring(size) + L"-p" +
                          (page < 0 ? std::wstring(L"home") : std::to_wstring(page)) + (bottom ? L"-bottom" : L"-top") +
                          L".bmp",
                      s);
          }
        }
      }
    }
  }
}

// The monitor's shown pop-up menu, if any: other processes' menus and hidden ones do not count.
HWND shown_menu_of(DWORD pid) {
  struct Find {
    DWORD pid;
    HWND found;
  } find{pid, nullptr};
  EnumWindows(
      [](HWND hwnd, LPARAM lp) -> BOOL {
        auto* f = reinterpret_cast<Find*>(lp);
        DWORD owner = 0;
        wchar_t cls[16] = {};
        GetWindowThreadProcessId(hwnd, &owner);
        if (owner != f->pid || !IsWindowVisible(hwnd) || !GetClassNameW(hwnd, cls, 16) || wcscmp(cls, L"#32768") != 0)
          return TRUE;
        f->found = hwnd;
        return FALSE;
      },
      reinterpret_cast<LPARAM>(&find));
  return find.found;
}

// Opens the picker with a posted press (the menu runs its own loop), chooses its first or last
// item with the keyboard and returns what field 1 then holds. No release is posted: the menu's
// loop would take a queued release for a click of its own and could close at once.
std::string pick_with_keys(SettingsMonitor& m, const HitRegion& pick, UINT key) {
  const int x = (pick.left + pick.right) / 2;
  const int y = (pick.top + pick.bottom) / 2;
  PostMessageW(m.panel, WM_MOUSEMOVE, 0, MAKELPARAM(x, y));
  PostMessageW(m.panel, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y));
  HWND menu = nullptr;
  eventually([&] { return (menu = shown_menu_of(m.child.pid)) != nullptr; }, 5000);
  if (!menu) return "(no menu)";
  PostMessageW(menu, WM_KEYDOWN, key, 0);
  PostMessageW(menu, WM_KEYDOWN, VK_RETURN, 0);
  eventually([&] { return !IsWindow(menu) || !IsWindowVisible(menu); }, 5000);
  return utf8(field_text(GetDlgItem(m.panel, 1)));
}

TEST(SettingsPages, AppPickerListsTheRunningNamesSortedAndFillsTheAppField) {
  // Two idle programs whose names sort before and after every name the system runs, so that
  // the helpers Wine starts and ends meanwhile cannot change the first or the last item.
  TempDir apps(L"qv picker");
  const std::wstring first_exe = apps.file(L"0-first-zq.exe");
  const std::wstring last_exe = apps.file(L"ZZZZ-last-zq.exe");
  ASSERT_TRUE(CopyFileW(tool_exe(L"zqidle.exe").c_str(), first_exe.c_str(), FALSE));
  ASSERT_TRUE(CopyFileW(tool_exe(L"zqidle.exe").c_str(), last_exe.c_str(), FALSE));
  struct Ended {  // ended however the test leaves
    Child child;
    ~Ended() { kill(child); }
  } first_app{launch(first_exe, L"", {})}, last_app{launch(last_exe, L"", {})};
  ASSERT_TRUE(first_app.child.process.valid() && last_app.child.process.valid());

  SettingsMonitor m;
  const std::string ini = with_line(full_file(), "interval_ms=1000", "interval_ms=250");
  // Alerts section, "+ new alert", "One app…": the app name field shows once all three took.
  AlertEditorState editor;
  m.start(ini);
  ASSERT_NE(m.panel, nullptr);
  ASSERT_TRUE(m.open_section(4));
  const PageView alerts = m.layout(Page::kSettingsSection, 4, m.settings());
  const PageView form = m.layout(Page::kAlertEditor, 0, m.settings(), editor);
  m.click(*m.region(alerts, ActionKind::kNewAlert));
  m.click(*m.region(form, ActionKind::kAlertMetric, 7));
  ASSERT_TRUE(eventually([&] { return IsWindowVisible(GetDlgItem(m.panel, 1)) != FALSE; }, 5000))
      << "the app name field never showed";
  editor.metric = 7;
  const PageView app_form = m.layout(Page::kAlertEditor, 0, m.settings(), editor);
  const HitRegion* pick = m.region(app_form, ActionKind::kAlertAppPicker);
  ASSERT_NE(pick, nullptr);
  // The panel's snapshot has a process table after its first detail tick; the case of the
  // name is kept, the order ignores it.
  std::string first;
  EXPECT_TRUE(eventually([&] { return (first = pick_with_keys(m, *pick, VK_DOWN)) == "0-first-zq.exe"; }, 10000))
      << first;
  EXPECT_EQ(pick_with_keys(m, *pick, VK_END), "ZZZZ-last-zq.exe");
}

// Start with Windows through the schtasks double, run by the build of the program with its
// test hooks. Runs: query on the home page, query on the section, then the click's legacy
// deletion, creation and query again.
struct AutostartMonitor : SettingsMonitor {
  explicit AutostartMonitor(const wchar_t* codes) {
    exe = exe_dir() + L"\\quorvel_test_hooks.exe";
    env[L"QV_TEST_SCHTASKS"] = tool_exe(L"fake_schtasks.exe");
    env[L"QV_FAKE_SCHTASKS_LOG"] = dir.file(L"schtasks-calls.txt");
    env[L"QV_FAKE_SCHTASKS_CODES"] = codes;
  }
  size_t runs() const {
    const std::string log = read_file(dir.file(L"schtasks-calls.txt"));
    return static_cast<size_t>(std::count(log.begin(), log.end(), '\n'));
  }
};

bool ticked(const ScreenShot& s, const HitRegion& row) { return s.at(20, row.top + 2 + 2 + 4) == colours::accent; }
bool warned(const ScreenShot& s) { return s.any(38, 62 + 24, 330, 62 + 24 + 16, colours::warning); }

TEST(SettingsPages, StartWithWindowsTicksTheRowWhenTheTaskIsCreated) {
  AutostartMonitor m(L"1,1,1,0,0");
  m.start(full_file());
  ASSERT_NE(m.panel, nullptr);
  ASSERT_TRUE(m.open_section(0));
  EXPECT_EQ(m.runs(), 2u);
  const HitRegion row = *m.region(m.layout(Page::kSettingsSection, 0, m.settings()), ActionKind::kToggleAutostart);
  EXPECT_FALSE(ticked(capture_client(m.panel), row));
  m.click(row);
  EXPECT_EQ(m.runs(), 5u);
  // Painted: the screen shows it once the desktop has taken the new picture, which on a loaded
  // machine comes a moment after the window painted.
  ScreenShot s;
  EXPECT_TRUE(eventually([&] { return ticked(s = capture_client(m.panel), row); }, 5000)) << "the row never showed ticked";
  EXPECT_FALSE(warned(s));
}

TEST(SettingsPages, AFailedTaskChangeWarnsUntilThePageChanges) {
  AutostartMonitor m(L"1,1,1,5,1");
  m.start(full_file());
  ASSERT_NE(m.panel, nullptr);
  ASSERT_TRUE(m.open_section(0));
  const HitRegion row = *m.region(m.layout(Page::kSettingsSection, 0, m.settings()), ActionKind::kToggleAutostart);
  m.click(row);
  ScreenShot s;
  EXPECT_TRUE(eventually([&] { return warned(s = capture_client(m.panel)); }, 5000)) << "the warning never showed";
  EXPECT_EQ(m.runs(), 5u);
  EXPECT_FALSE(ticked(s, row));
  m.click(100, 30);  // back to the home page and in again
  ASSERT_TRUE(m.click_section(0));
  EXPECT_TRUE(eventually([&] { return !warned(capture_client(m.panel)); }, 5000)) << "the warning stayed";
}

// Runs a program of the Linux host (Wine's own bridge, which its browser launcher uses).
bool run_host_program(std::vector<std::string> args) {
  using Spawn = LONG(CDECL*)(char* const argv[], int wait);  // an NTSTATUS
  const auto spawn = reinterpret_cast<Spawn>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "__wine_unix_spawnvp")));
  if (!spawn) return false;
  std::vector<char*> argv;
  for (std::string& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  return spawn(argv.data(), TRUE) == 0;
}

TEST(SettingsPages, DraggingTheThirdMetricAboveTheFirstReordersTheOverview) {
  SettingsMonitor m;
  // A placed pop-up: one that opens at the bottom of the screen moves up when the first sample
  // makes it taller, which would leave the drag below at a stale spot.
  m.start(full_file("fly_x=100\nfly_y=40\nfly_pos_set=1\n"));
  ASSERT_NE(m.panel, nullptr);
  ASSERT_TRUE(m.open_section(2));
  const PageView v = m.layout(Page::kSettingsSection, 2, m.settings());
  const HitRegion* grip = m.region(v, ActionKind::kDragMainMetric, 2);
  ASSERT_NE(grip, nullptr);
  POINT from{(grip->left + grip->right) / 2, (grip->top + grip->bottom) / 2};
  POINT to{from.x, *v.drag_list_top + 4};
  ClientToScreen(m.panel, &from);
  ClientToScreen(m.panel, &to);
  const auto num = [](LONG n) { return std::to_string(n); };
  // A real pointer on the X display: press on the grip, move up in steps, release.
  ASSERT_TRUE(run_host_program({"/usr/bin/xdotool", "mousemove", num(from.x), num(from.y), "sleep", "0.3", "mousedown",
                                "1", "sleep", "0.3", "mousemove", num(to.x), num(from.y - 20), "sleep", "0.2",
                                "mousemove", num(to.x), num(to.y), "sleep", "0.3", "mouseup", "1"}))
      << "xdotool could not be run from the test";
  EXPECT_TRUE(eventually([&] { return m.ini().find("main_metrics=gpu,cpu,ram,fps,disk,net,audio\n") != std::string::npos; },
                         5000))
      << m.ini();
  // Back twice: the overview shows the GPU card first.
  m.click(100, 30);
  m.click(100, 30);
  EXPECT_TRUE(eventually(
      [&] {
        const ScreenShot s = capture_client(m.panel);
        return s.any(22, 70 + 6, 80, 70 + 20, metric_style("gpu").colour) &&
               s.any(22, 70 + 52 + 6, 80, 70 + 52 + 20, metric_style("cpu").colour);
      },
      5000));
}

}  // namespace
}  // namespace qv::test
