// The taskbar widget and the frame-rate overlay: the real quorvel.exe in the desktop with its
// taskbar (window attributes, first placement, pointer drags and grip resizes made with xdotool on
// the X display, clicks that must not take the foreground), the switches and the placement beside
// the clock through the panel's own actions in this process, and the paint on memory pixels.
#include <windows.h>
#include <oleacc.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <tuple>
#include <utility>

#include "config/settings.h"
#include "core/messages.h"
#include "ui/panel/frame/panel_window_win.h"
#include "core/shared_state.h"
#include "ui/panel/frame/ui_state_win.h"
#include "ui/access/accessible_win.h"
#include "ui/gdi/draw_win.h"
#include "ui/overlay/overlay_win.h"
#include "ui/panel/frame/panel_actions_win.h"
#include "ui/widget/widget_win.h"
#include "util/wide_win.h"
#include "win_support.h"

namespace qv::test {
namespace {

constexpr DWORD kWidgetExStyle = 0x08080088;  // no-activate, layered, tool window, topmost
constexpr DWORD kWidgetStyle = 0x80040000;    // pop-up with a sizing frame
constexpr DWORD kOverlayStyle = 0x80000000;

// ---- Pictures made in memory ------------------------------------------------------------------

ScreenShot paint_in_memory(int w, int h, const std::function<void(HDC)>& paint) {
  MemoryBitmap mem(w, h);
  paint(mem.dc());
  return mem.shot();
}

// Leftmost and rightmost columns of a band of rows that hold anything but `background` (text is
// smoothed, so its edges are not in the text colour itself); {-1, -1} when there is none.
std::pair<int, int> inked_columns(const ScreenShot& s, int top, int bottom, Rgb background) {
  int first = -1, last = -1;
  for (int x = 0; x < s.w; ++x)
    for (int y = top; y < bottom; ++y)
      if (s.at(x, y) != background) {
        if (first < 0) first = x;
        last = x;
        break;
      }
  return {first, last};
}

ScreenShot widget_picture(const WidgetPaint& base, int w, int h) {
  WidgetPaint p = base;
  UniqueGdiObject label(create_widget_label_font(p.scale));
  UniqueGdiObject value(create_widget_value_font(p.scale));
  p.label_font = static_cast<HFONT>(label.get());
  p.value_font = static_cast<HFONT>(value.get());
  return paint_in_memory(w, h, [&](HDC dc) { paint_widget(dc, w, h, p); });
}

class WidgetPaintThemes : public ::testing::TestWithParam<uint32_t> {};

TEST_P(WidgetPaintThemes, BackgroundLabelsInItemColoursValuesInTheText) {
  WidgetPaint p;
  p.mask = 7;
  p.theme = GetParam();
  p.figures.cpu_pct = 88;
  p.figures.mem_pct = 41;
  p.figures.net_rx = 3u << 20;
  const Theme& t = theme_at(std::min<uint32_t>(GetParam(), 2));
  const ScreenShot s = widget_picture(p, 228, 26);
  EXPECT_EQ(s.at(0, 0), t.background);
  EXPECT_EQ(s.at(227, 25), t.background) << "no grip without the pointer";
  EXPECT_EQ(s.at(4, 13), t.background) << "the padding before the first cell";
  // Labels in the top band, each in its cell and its item's colour.
  EXPECT_TRUE(s.any(8, 0, 66, 12, rgb(0x4FA3FF))) << "CPU";
  EXPECT_TRUE(s.any(66, 0, 124, 12, rgb(0x34D399))) << "RAM";
  EXPECT_TRUE(s.any(124, 0, 220, 12, rgb(0xF59E0B))) << "NET";
  EXPECT_FALSE(s.any(66, 0, 228, 26, rgb(0x4FA3FF))) << "CPU's colour stays in its cell";
  EXPECT_TRUE(s.any(8, 12, 66, 26, t.text)) << "CPU value";
  EXPECT_TRUE(s.any(124, 12, 220, 26, t.text)) << "NET value";
}

INSTANTIATE_TEST_SUITE_P(ThreeThemesAndOneBeyond, WidgetPaintThemes, ::testing::Values(0u, 1u, 2u, 7u));

TEST(WidgetPaint, HighContrastPaintsInTheSystemColoursAlone) {
  set_high_contrast(SystemColours{rgb(0x000000), rgb(0xFFFFFF), rgb(0x1AEBFF), rgb(0x000000), rgb(0xFFFF00),
                                  rgb(0x3FF23F)});
  WidgetPaint p;
  p.mask = 7;
  p.theme = 2;  // the light strip the user chose gives way while the mode is on
  p.figures.cpu_pct = 88;
  const ScreenShot s = widget_picture(p, 228, 26);
  set_high_contrast(std::nullopt);
  EXPECT_EQ(s.at(0, 0), rgb(0x000000));
  EXPECT_TRUE(s.any(8, 0, 66, 12, rgb(0xFFFFFF))) << "CPU's label in the text colour";
  EXPECT_FALSE(s.any(0, 0, 228, 26, rgb(0x4FA3FF))) << "no item colours";
}

TEST(WidgetPaint, LastValueRightAlignedOthersLeftAligned) {
  WidgetPaint p;
  p.theme = 0;
  p.figures.agents = 5;
  p.figures.messages = 2;
  const Rgb background = theme_at(0).background;
  p.mask = 64;  // the AI item alone: "5◆ 2◇" ends at the cell's end, 76
  ScreenShot s = widget_picture(p, 84, 26);
  auto [first, last] = inked_columns(s, 14, 26, background);
  ASSERT_GE(first, 0);
  EXPECT_GE(last, 70);
  EXPECT_LT(last, 76);
  EXPECT_GT(first, 20) << "a short text sits against the right end, not at the left";
  p.mask = 1 | 64;  // CPU then AI: CPU's value starts at its cell's left edge
  s = widget_picture(p, 142, 26);
  std::tie(first, last) = inked_columns(s, 14, 26, background);
  EXPECT_GE(first, 8);
  EXPECT_LE(first, 11);
  EXPECT_GE(last, 128);
  EXPECT_LT(last, 134);
}

TEST(WidgetPaint, HoverDrawsTheGripScaledWithTheStrip) {
  WidgetPaint p;
  p.mask = 7;
  p.theme = 2;
  p.hovering = true;
  const Theme& t = theme_at(2);
  ScreenShot s = widget_picture(p, 228, 26);
  EXPECT_EQ(s.at(226, 24), t.text_dim);
  EXPECT_EQ(s.at(222, 24), t.text_dim);
  EXPECT_EQ(s.at(227, 12), t.background) << "above the triangle";
  p.scale = 2.0f;
  s = widget_picture(p, 456, 52);
  EXPECT_EQ(s.at(453, 49), t.text_dim);
  EXPECT_EQ(s.at(450, 45), t.text_dim) << "20 pixels at scale 2";
  EXPECT_EQ(s.at(455, 25), t.background) << "above the triangle";
}

TEST(OverlayPaint, KeyColourAroundShadowedDigits) {
  UniqueGdiObject font(create_overlay_font(1.0f));
  const Rgb colour = rgb(0x50DCFF);
  const ScreenShot s = paint_in_memory(96, 44, [&](HDC dc) {
    paint_overlay(dc, 96, 44, "60", colour, static_cast<HFONT>(font.get()), 1.0f);
  });
  EXPECT_EQ(s.at(0, 0), (Rgb{0, 0, 1}));
  EXPECT_EQ(s.at(95, 43), (Rgb{0, 0, 1}));
  EXPECT_TRUE(s.any(6, 4, 60, 44, colour));
  EXPECT_TRUE(s.any(8, 6, 62, 44, rgb(0x0A0A0C))) << "the shadow";
}

// ---- The widget and overlay of the panel in this process ----------------------------------------

class InProcessWidgets {
 public:
  explicit InProcessWidgets(const Settings& settings) {
    static const bool registered = [] {
      WNDCLASSEXW wc{};
      wc.cbSize = sizeof wc;
      wc.lpfnWndProc = &panel_window_proc;
      wc.hInstance = GetModuleHandleW(nullptr);
      wc.lpszClassName = L"QvTestWidgetPanel";
      return RegisterClassExW(&wc) != 0;
    }();
    EXPECT_TRUE(registered);
    hwnd_ = CreateWindowExW(WS_EX_TOOLWINDOW, L"QvTestWidgetPanel", L"test", WS_POPUP, 0, 0, 10, 10, nullptr,
                            nullptr, GetModuleHandleW(nullptr), nullptr);
    auto ui = std::make_unique<UiState>();
    ui->settings = settings;
    ui->shared = make_shared_state(settings, {}, "");
    ui->window = hwnd_;
    ui->fonts = create_font_set(1.0f);
    ui->tray.window = hwnd_;
    ui->tray.shell = [](DWORD, NOTIFYICONDATAW&) { return TRUE; };
    ui_ = ui.get();
    set_ui_state(std::move(ui));
  }
  ~InProcessWidgets() {
    HWND widget = ui_->widget;
    HWND overlay = ui_->overlay;
    set_ui_state(nullptr);
    if (widget) DestroyWindow(widget);
    if (overlay) DestroyWindow(overlay);
    DestroyWindow(hwnd_);
    MSG msg;
    while (PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
    }
  }
  UiState& ui() { return *ui_; }
  void sample() { SendMessageW(hwnd_, kWmSample, 0, 0); }
  void act(ActionKind kind, uint32_t number = 0, uint64_t index = 0) {
    Action a;
    a.kind = kind;
    a.number = number;
    a.index = index;
    // As a click would: inside the panel's message, with UiState lent to it.
    with_ui_state_action_ = a;
    with_ui_state([](UiState& ui) { perform_panel_action(ui, ui.window, with_ui_state_action_); });
  }
  std::string saved() const { return read_file(dir_.file(L"zelmor.ini")); }

 private:
  static inline Action with_ui_state_action_{};
  TempDir dir_{L"qv widget"};
  ScopedLocalAppData here_{dir_.path()};
  HWND hwnd_ = nullptr;
  UiState* ui_ = nullptr;
};

RECT rect_of(HWND hwnd) {
  RECT r{};
  GetWindowRect(hwnd, &r);
  return r;
}

TEST(WidgetActions, SwitchedOffIsHiddenNotDestroyedAndBackOnAtOnce) {
  Settings s;
  s.widget_on = true;
  InProcessWidgets p(s);
  p.sample();
  HWND widget = p.ui().widget;
  ASSERT_NE(widget, nullptr);
  EXPECT_TRUE(IsWindowVisible(widget));
  p.act(ActionKind::kToggleWidget);
  EXPECT_FALSE(IsWindowVisible(widget));
  EXPECT_TRUE(IsWindow(widget));
  EXPECT_NE(p.saved().find("widget_on=0\n"), std::string::npos);
  p.act(ActionKind::kToggleWidget);
  EXPECT_EQ(p.ui().widget, widget) << "the same window comes back";
  EXPECT_TRUE(IsWindowVisible(widget));
}

TEST(WidgetActions, MaskChangeResizesAtOnceAndResetGoesBackToScaleOne) {
  Settings s;
  s.widget_on = true;
  s.widget_scale = 2.0f;
  InProcessWidgets p(s);
  p.sample();
  HWND widget = p.ui().widget;
  ASSERT_NE(widget, nullptr);
  RECT r = rect_of(widget);
  EXPECT_EQ(r.right - r.left, 456);
  EXPECT_EQ(r.bottom - r.top, 52);
  p.act(ActionKind::kToggleWidgetBit, 64);  // AI added
  r = rect_of(widget);
  EXPECT_EQ(r.right - r.left, 456 + 136);
  p.act(ActionKind::kResetWidgetScale);
  const RECT after = rect_of(widget);
  EXPECT_EQ(after.right - after.left, 296);
  EXPECT_EQ(after.bottom - after.top, 26);
  EXPECT_EQ(after.left, r.left) << "resized in place";
  EXPECT_EQ(after.top, r.top);
  EXPECT_NE(p.saved().find("widget_scale=1.000\n"), std::string::npos);
}

TEST(WidgetActions, AMonitorOfAnotherDpiRescalesTheStrip) {
  Settings s;
  s.widget_on = true;
  InProcessWidgets p(s);
  p.sample();
  HWND widget = p.ui().widget;
  ASSERT_NE(widget, nullptr);
  RECT r = rect_of(widget);
  ASSERT_EQ(r.right - r.left, 228);
  RECT suggested{200, 300, 542, 339};
  SendMessageW(widget, WM_DPICHANGED, MAKEWPARAM(144, 144), reinterpret_cast<LPARAM>(&suggested));
  r = rect_of(widget);
  EXPECT_EQ(r.left, 200);
  EXPECT_EQ(r.top, 300);
  EXPECT_EQ(r.right - r.left, 342);  // 228 at 150 %
  EXPECT_EQ(r.bottom - r.top, 39);
  p.sample();  // the user's own scale is unchanged by the monitor's
  EXPECT_EQ(rect_of(widget).right - rect_of(widget).left, 342);
  EXPECT_EQ(p.ui().settings.widget_scale, 1.0f);
}

TEST(WidgetActions, ResetKeepsTheWidgetsOwnMonitorFactorAndDropsAGripResizeNotYetStored) {
  Settings s;
  s.widget_on = true;
  s.widget_scale = 2.0f;
  InProcessWidgets p(s);  // the panel at 100 %
  p.sample();
  HWND widget = p.ui().widget;
  ASSERT_NE(widget, nullptr);
  RECT suggested{200, 300, 884, 378};
  SendMessageW(widget, WM_DPICHANGED, MAKEWPARAM(144, 144), reinterpret_cast<LPARAM>(&suggested));
  ASSERT_EQ(rect_of(widget).right - rect_of(widget).left, 684);  // 228 at 2 x 150 %
  // A grip drag to scale 1.5 ends, and "reset size" comes before the sample that would store it.
  RECT proposed{200, 300, 713, 339};
  SendMessageW(widget, WM_SIZING, WMSZ_BOTTOMRIGHT, reinterpret_cast<LPARAM>(&proposed));
  ASSERT_EQ(proposed.right - proposed.left, 512) << "cut to what scale 1.5 at 150 % draws";
  SendMessageW(widget, WM_EXITSIZEMOVE, 0, 0);
  p.act(ActionKind::kResetWidgetScale);
  EXPECT_EQ(rect_of(widget).right - rect_of(widget).left, 342) << "scale 1 at the widget's 150 %, not the panel's 100 %";
  EXPECT_EQ(rect_of(widget).bottom - rect_of(widget).top, 39);
  p.sample();
  EXPECT_EQ(p.ui().settings.widget_scale, 1.0f) << "the grip's scale is not stored over the reset";
  EXPECT_EQ(rect_of(widget).right - rect_of(widget).left, 342);
  EXPECT_NE(p.saved().find("widget_scale=1.000\n"), std::string::npos) << p.saved();
}

TEST(WidgetActions, AMoveIsStoredOnTheNextSampleOnlyWhileShown) {
  Settings s;
  s.widget_on = true;
  s.widget_x = 100;
  s.widget_y = 120;
  s.widget_pos_set = true;
  InProcessWidgets p(s);
  p.sample();
  HWND widget = p.ui().widget;
  ASSERT_NE(widget, nullptr);
  EXPECT_EQ(rect_of(widget).left, 100);
  p.sample();  // whatever creation reported is settled
  SetWindowPos(widget, nullptr, 300, 310, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  p.act(ActionKind::kToggleWidget);  // off: the report waits
  EXPECT_EQ(p.ui().settings.widget_x, 100);
  p.act(ActionKind::kToggleWidget);  // on again: taken now
  EXPECT_EQ(p.ui().settings.widget_x, 300);
  EXPECT_EQ(p.ui().settings.widget_y, 310);
  EXPECT_NE(p.saved().find("widget_x=300\nwidget_y=310\n"), std::string::npos);
}

TEST(WidgetActions, NextToTheClockOnTheTaskbar) {
  HWND taskbar = FindWindowW(L"Shell_TrayWnd", nullptr);
  ASSERT_NE(taskbar, nullptr) << "the tests run in a desktop with a taskbar";
  const RECT bar = rect_of(taskbar);
  HWND area = FindWindowExW(taskbar, nullptr, L"TrayNotifyWnd", nullptr);
  // Which of the two rules applies depends on the shell; both are checked by their own numbers.
  const LONG right_edge = area ? rect_of(area).left : bar.right - 200;
  std::printf("taskbar %ld,%ld-%ld,%ld; notification area window: %s\n", bar.left, bar.top, bar.right, bar.bottom,
              area ? "yes" : "no");
  Settings s;
  s.widget_on = true;
  InProcessWidgets p(s);
  p.sample();
  HWND widget = p.ui().widget;
  ASSERT_NE(widget, nullptr);
  p.act(ActionKind::kDockWidget);
  const RECT r = rect_of(widget);
  EXPECT_EQ(r.right, right_edge - 8) << "one padding left of the clock";
  EXPECT_EQ(r.right - r.left, 228);
  EXPECT_EQ(r.top - bar.top, bar.bottom - r.bottom) << "vertically centred on the taskbar";
  EXPECT_EQ(p.ui().settings.widget_x, r.left);
  EXPECT_EQ(p.ui().settings.widget_y, r.top);
  EXPECT_NE(p.saved().find("widget_x=" + std::to_string(r.left) + "\n"), std::string::npos);
}

TEST(OverlayActions, ColourOpacityAndSwitchTakeEffectAtOnce) {
  Settings s;
  s.fps_overlay = true;
  InProcessWidgets p(s);
  p.sample();
  HWND overlay = p.ui().overlay;
  ASSERT_NE(overlay, nullptr);
  BYTE alpha = 0;
  COLORREF key = 0;
  DWORD flags = 0;
  ASSERT_TRUE(GetLayeredWindowAttributes(overlay, &key, &alpha, &flags));
  EXPECT_EQ(alpha, 178);
  p.act(ActionKind::kSetFpsOpacity, 0, 0);
  ASSERT_TRUE(GetLayeredWindowAttributes(overlay, &key, &alpha, &flags));
  EXPECT_EQ(alpha, 102);
  EXPECT_NE(p.saved().find("fps_opacity=0\n"), std::string::npos);
  p.act(ActionKind::kToggleFpsOverlay);
  EXPECT_FALSE(IsWindowVisible(overlay));
  EXPECT_TRUE(IsWindow(overlay));
  SetWindowPos(overlay, nullptr, 500, 30, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  p.act(ActionKind::kToggleFpsOverlay);
  EXPECT_TRUE(IsWindowVisible(overlay));
  EXPECT_EQ(p.ui().overlay, overlay);
  EXPECT_NE(p.saved().find("fps_x=500\nfps_y=30\n"), std::string::npos);
}

// The styles a window was created with. The system adds bits of its own to every top-level
// window (clipped siblings) and to every sizing frame (the window edge), and shows the visible bit.
DWORD created_style(HWND w) {
  return static_cast<DWORD>(GetWindowLongPtrW(w, GWL_STYLE)) & ~(WS_VISIBLE | WS_CLIPSIBLINGS);
}
DWORD created_ex_style(HWND w) { return static_cast<DWORD>(GetWindowLongPtrW(w, GWL_EXSTYLE)) & ~WS_EX_WINDOWEDGE; }

// ---- The real program -------------------------------------------------------------------------

// Runs xdotool on the X display that Wine draws on and waits for it. Wine starts Unix programs
// directly, but their process handles cannot be waited on, so a shell leaves xdotool's exit code
// in a file when it is done.
bool xdotool(const std::string& args) {
  // Process ids repeat across Wine prefixes run side by side, so the name also carries this run's
  // start time; a file left by an earlier run is removed before the shell could be mistaken for it.
  static const std::string run = std::to_string(GetCurrentProcessId()) + "-" + std::to_string(GetTickCount64());
  static int serial = 0;
  const std::string marker = "/tmp/qv-xdotool-" + run + "-" + std::to_string(++serial);
  std::wstring cmd = widen("/bin/sh -c \"/usr/bin/xdotool " + args + "; echo $? > " + marker + ".tmp; mv " + marker +
                           ".tmp " + marker + "\"");
  STARTUPINFOW si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  if (!CreateProcessW(L"Z:\\bin\\sh", cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) {
    std::printf("xdotool not started: error %lu\n", GetLastError());
    return false;
  }
  UniqueHandle process(pi.hProcess);
  UniqueHandle thread(pi.hThread);
  std::wstring done = L"Z:" + widen(marker);
  for (wchar_t& c : done)
    if (c == L'/') c = L'\\';
  if (!eventually([&] { return file_exists(done); }, 15000)) {
    std::printf("xdotool %s: did not finish\n", args.c_str());
    return false;
  }
  const std::string code = read_file(done);
  DeleteFileW(done.c_str());
  if (code != "0\n") std::printf("xdotool %s: exit %s\n", args.c_str(), code.c_str());
  return code == "0\n";
}

// A pointer drag with the left button, in small steps so the move loop sees every position.
bool drag(POINT from, POINT to) {
  std::string steps;
  for (int i = 1; i <= 8; ++i) {
    const long x = from.x + (to.x - from.x) * i / 8;
    const long y = from.y + (to.y - from.y) * i / 8;
    steps += " mousemove " + std::to_string(x) + " " + std::to_string(y) + " sleep 0.03";
  }
  return xdotool("mousemove " + std::to_string(from.x) + " " + std::to_string(from.y) + " sleep 0.1 mousedown 1 sleep 0.1" +
                 steps + " sleep 0.1 mouseup 1");
}

// The same drag, released once `arrived` holds or after 5 s: the system's move loop works through
// the pointer's moves on its own time, and a release it takes before the last of them ends the
// move short of where the pointer went (seen with the overlay on a loaded machine). False only
// when xdotool failed; where the window still lags, the caller's own check tells.
bool drag_until(POINT from, POINT to, const std::function<bool()>& arrived) {
  std::string steps;
  for (int i = 1; i <= 8; ++i) {
    const long x = from.x + (to.x - from.x) * i / 8;
    const long y = from.y + (to.y - from.y) * i / 8;
    steps += " mousemove " + std::to_string(x) + " " + std::to_string(y) + " sleep 0.03";
  }
  if (!xdotool("mousemove " + std::to_string(from.x) + " " + std::to_string(from.y) + " sleep 0.1 mousedown 1 sleep 0.1" +
               steps)) {
    return false;
  }
  if (!eventually(arrived, 5000)) std::printf("the window had not followed the pointer to %ld,%ld after 5 s\n", to.x, to.y);
  return xdotool("sleep 0.1 mouseup 1");
}

int settings_int(const std::string& file, const std::string& key) {
  const std::string needle = "\n" + key + "=";
  const size_t at = ("\n" + file).find(needle);
  if (at == std::string::npos) return -99999;
  return std::atoi(file.c_str() + at + needle.size() - 1);
}

struct Monitor {
  TempDir dir{L"qv desk"};
  Child child;
  ~Monitor() { kill(child); }
  void start(const std::string& settings) {
    write_file(dir.file(L"zelmor.ini"), "interval_ms=250\ntray_cpu=0\ntray_ram=0\n" + settings);
    child = launch(quorvel_exe(), L"", {{L"LOCALAPPDATA", dir.path()}});
  }
  std::string settings_file() const { return read_file(dir.file(L"zelmor.ini")); }
  HWND shown(const wchar_t* cls) {
    HWND w = find_window(child.pid, cls, 15000);
    if (w) eventually([&] { return IsWindowVisible(w) != FALSE; }, 5000);
    return w;
  }
};

// A window of this test that holds the foreground, to see that clicks elsewhere keep it there.
std::string class_of(HWND w) {
  wchar_t name[128] = L"";
  if (w) GetClassNameW(w, name, 128);
  return utf8(name);
}

struct ForegroundWindow {
  HWND hwnd = nullptr;
  ForegroundWindow() {
    static const bool registered = [] {
      WNDCLASSEXW wc{};
      wc.cbSize = sizeof wc;
      wc.lpfnWndProc = &DefWindowProcW;
      wc.hInstance = GetModuleHandleW(nullptr);
      wc.lpszClassName = L"QvTestForeground";
      return RegisterClassExW(&wc) != 0;
    }();
    EXPECT_TRUE(registered);
    hwnd = CreateWindowExW(0, L"QvTestForeground", L"foreground", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 600, 500, 300, 200,
                           nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    SetForegroundWindow(hwnd);
  }
  ~ForegroundWindow() { DestroyWindow(hwnd); }
};

TEST(WidgetProgram, FirstStartOnTheDiagonalWithItsClassStylesAndAlpha) {
  Monitor m;
  m.start("widget_on=1\n");
  HWND w = m.shown(kWidgetClass);
  ASSERT_NE(w, nullptr);
  EXPECT_EQ(window_text(w), L"Quorvel widget");
  EXPECT_EQ(created_ex_style(w), kWidgetExStyle);
  EXPECT_EQ(created_style(w), kWidgetStyle);
  BYTE alpha = 0;
  DWORD flags = 0;
  ASSERT_TRUE(GetLayeredWindowAttributes(w, nullptr, &alpha, &flags));
  EXPECT_EQ(alpha, 235);
  EXPECT_EQ(flags, static_cast<DWORD>(LWA_ALPHA));
  // Created 200 wide at (200, 200), then fitted to CPU, RAM and NET: 228 x 26.
  EXPECT_TRUE(eventually([&] {
    const RECT r = rect_of(w);
    return r.left == 200 && r.top == 200 && r.right == 428 && r.bottom == 226;
  }, 5000)) << rect_of(w).left << "," << rect_of(w).top << " " << rect_of(w).right << "," << rect_of(w).bottom;
  RECT client{};
  GetClientRect(w, &client);
  EXPECT_EQ(client.right, 228) << "no frame: the whole window is drawn";
  EXPECT_EQ(client.bottom, 26);
}

TEST(WidgetProgram, DraggedByItsBodyAndSavedWithinASampleWithoutTakingTheForeground) {
  Monitor m;
  m.start("widget_on=1\nwidget_x=300\nwidget_y=300\n");
  HWND w = m.shown(kWidgetClass);
  ASSERT_NE(w, nullptr);
  ASSERT_TRUE(eventually([&] { return rect_of(w).right - rect_of(w).left == 228; }, 5000));
  ForegroundWindow fg;
  ASSERT_TRUE(eventually([&] { return GetForegroundWindow() == fg.hwnd; }, 3000));
  // A plain click first, away from where the drag starts: two presses at one spot would make a
  // double click, which starts no move.
  ASSERT_TRUE(xdotool("mousemove 310 305 click 1")) << "a plain click on the body";
  ASSERT_TRUE(drag(POINT{340, 310}, POINT{540, 410}));
  EXPECT_TRUE(eventually([&] { return rect_of(w).left == 500 && rect_of(w).top == 400; }, 5000))
      << rect_of(w).left << "," << rect_of(w).top;
  EXPECT_TRUE(eventually([&] {
    const std::string f = m.settings_file();
    return settings_int(f, "widget_x") == 500 && settings_int(f, "widget_y") == 400;
  }, 2000)) << m.settings_file();
  EXPECT_EQ(GetForegroundWindow(), fg.hwnd) << "the click and the drag leave the foreground alone, not to "
                                            << class_of(GetForegroundWindow());
  EXPECT_NE(m.settings_file().find("widget_scale=1.000\n"), std::string::npos) << "a move is not a resize";
}

TEST(WidgetProgram, GripDragStopsAtTheScaleLimitsWithTheHeightFollowing) {
  Monitor m;
  m.start("widget_on=1\nwidget_x=200\nwidget_y=300\n");
  HWND w = m.shown(kWidgetClass);
  ASSERT_NE(w, nullptr);
  ASSERT_TRUE(eventually([&] { return rect_of(w).right == 428; }, 5000));
  ForegroundWindow fg;
  ASSERT_TRUE(eventually([&] { return GetForegroundWindow() == fg.hwnd; }, 3000));
  // Far to the left: 0.6, 133 x 15.
  ASSERT_TRUE(drag(POINT{425, 323}, POINT{5, 323}));
  EXPECT_TRUE(eventually([&] { return rect_of(w).right - rect_of(w).left == 133; }, 5000)) << rect_of(w).right;
  EXPECT_EQ(rect_of(w).bottom - rect_of(w).top, 15);
  EXPECT_EQ(rect_of(w).left, 200) << "the grip resizes, it does not move";
  EXPECT_TRUE(eventually([&] { return m.settings_file().find("widget_scale=0.600\n") != std::string::npos; }, 2000))
      << m.settings_file();
  // Far to the right from the small grip: 3.0, 684 x 78.
  const RECT small = rect_of(w);
  ASSERT_TRUE(drag(POINT{small.right - 2, small.bottom - 2}, POINT{1275, 600}));
  EXPECT_TRUE(eventually([&] { return rect_of(w).right - rect_of(w).left == 684; }, 5000)) << rect_of(w).right;
  EXPECT_EQ(rect_of(w).bottom - rect_of(w).top, 78);
  EXPECT_TRUE(eventually([&] { return m.settings_file().find("widget_scale=3.000\n") != std::string::npos; }, 2000))
      << m.settings_file();
  EXPECT_EQ(GetForegroundWindow(), fg.hwnd) << class_of(GetForegroundWindow());
}

TEST(WidgetProgram, ANegativePlaceSurvivesAndAWindowOnNoMonitorComesBack) {
  Monitor m;
  // The widget on a monitor left of the main one, in a file from before the explicit key; the
  // counter on a monitor above and to the left that is gone (this desktop has one, at the origin).
  m.start("widget_on=1\nwidget_x=-100\nwidget_y=300\nfps_overlay=1\nfps_x=-5000\nfps_y=-5000\nfps_pos_set=1\n");
  HWND w = m.shown(kWidgetClass);
  HWND o = m.shown(kOverlayClass);
  ASSERT_NE(w, nullptr);
  ASSERT_NE(o, nullptr);
  EXPECT_EQ(rect_of(w).left, -100);
  EXPECT_EQ(rect_of(w).top, 300);
  EXPECT_EQ(rect_of(o).left, 0) << "on the work area's nearest corner";
  EXPECT_EQ(rect_of(o).top, 0);
  EXPECT_EQ(rect_of(o).right, 96);
  EXPECT_TRUE(eventually([&] {
    const std::string f = m.settings_file();
    return f.find("widget_x=-100\nwidget_y=300\nwidget_pos_set=1\n") != std::string::npos &&
           f.find("fps_x=0\nfps_y=0\nfps_pos_set=1\n") != std::string::npos;
  }, 5000)) << m.settings_file();
}

// Read from this process, as a screen reader reads them: through the system's accessibility
// calls, which bring the objects over from the monitor's process.
std::wstring client_name(HWND window) {
  IAccessible* acc = nullptr;
  if (AccessibleObjectFromWindow(window, static_cast<DWORD>(OBJID_CLIENT), kIidAccessible,
                                 reinterpret_cast<void**>(&acc)) != S_OK || !acc) {
    return L"(no object)";
  }
  VARIANT self;
  VariantInit(&self);
  self.vt = VT_I4;
  self.lVal = CHILDID_SELF;
  BSTR name = nullptr;
  std::wstring out = L"(no name)";
  if (acc->get_accName(self, &name) == S_OK && name) out.assign(name, SysStringLen(name));
  SysFreeString(name);
  acc->Release();
  return out;
}

TEST(WidgetProgram, ScreenReadersReadTheFiguresOfTheStripAndTheOverlay) {
  ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
  {
    Monitor m;
    m.start("widget_on=1\nfps_overlay=1\n");
    HWND w = m.shown(kWidgetClass);
    HWND o = m.shown(kOverlayClass);
    ASSERT_NE(w, nullptr);
    ASSERT_NE(o, nullptr);
    std::wstring name;
    // CPU, RAM and NET are shown by default; the name follows the sampled figures.
    EXPECT_TRUE(eventually([&] {
      name = client_name(w);
      return name.rfind(L"CPU ", 0) == 0 && name.find(L"%; RAM ") != std::wstring::npos &&
             name.find(L"%; Network down ") != std::wstring::npos;
    }, 5000)) << utf8(name);
    EXPECT_EQ(window_text(w), L"Quorvel widget") << "the title stays";
    EXPECT_EQ(client_name(o), L"Frames per second: none");
  }
  CoUninitialize();
}

TEST(OverlayProgram, KeyedCounterWithTheFallBackColourAndOpacity) {
  Monitor m;
  m.start("fps_overlay=1\nfps_color=7\nfps_opacity=9\n");
  HWND o = m.shown(kOverlayClass);
  ASSERT_NE(o, nullptr);
  EXPECT_EQ(window_text(o), L"FPS");
  EXPECT_EQ(created_ex_style(o), kWidgetExStyle);
  EXPECT_EQ(created_style(o), kOverlayStyle);
  EXPECT_EQ(rect_of(o).left, 40);
  EXPECT_EQ(rect_of(o).top, 40);
  EXPECT_EQ(rect_of(o).right, 136);
  EXPECT_EQ(rect_of(o).bottom, 84);
  BYTE alpha = 0;
  COLORREF key = 0;
  DWORD flags = 0;
  ASSERT_TRUE(GetLayeredWindowAttributes(o, &key, &alpha, &flags));
  EXPECT_EQ(key, RGB(0, 0, 1));
  EXPECT_EQ(alpha, 178);
  EXPECT_EQ(flags, static_cast<DWORD>(LWA_COLORKEY | LWA_ALPHA));
}

TEST(OverlayProgram, DashInTheChosenColourDraggedAndSavedWithoutTakingTheForeground) {
  Monitor m;
  // Fully opaque, so the screen shows the painted colour itself.
  m.start("fps_overlay=1\nfps_color=7\nfps_opacity=2\n");
  HWND o = m.shown(kOverlayClass);
  ASSERT_NE(o, nullptr);
  EXPECT_TRUE(eventually([&] { return capture_client(o).any(6, 4, 60, 44, rgb(0xF0F3F5)); }, 5000))
      << "the dash in #F0F3F5 (no app draws frames here)";
  EXPECT_NE(capture_client(o).at(1, 1), (Rgb{0, 0, 1})) << "the keyed background lets the desktop through";
  ForegroundWindow fg;
  ASSERT_TRUE(eventually([&] { return GetForegroundWindow() == fg.hwnd; }, 3000));
  ASSERT_TRUE(xdotool("mousemove 45 45 click 1")) << "a plain click, away from where the drag starts";
  EXPECT_TRUE(drag_until(POINT{60, 60}, POINT{260, 160}, [&] { return rect_of(o).left == 240 && rect_of(o).top == 140; }))
      << rect_of(o).left << "," << rect_of(o).top;
  // Stored by the sample after the move: a loaded machine has been seen to keep the monitor from
  // sampling for more than 5 s after storing a place from the middle of the drag.
  EXPECT_TRUE(eventually([&] {
    const std::string f = m.settings_file();
    return settings_int(f, "fps_x") == 240 && settings_int(f, "fps_y") == 140;
  }, 30000)) << "the place 240,140 was not stored within 30 s:\n" << m.settings_file();
  EXPECT_EQ(GetForegroundWindow(), fg.hwnd) << class_of(GetForegroundWindow());
}

}  // namespace
}  // namespace qv::test
