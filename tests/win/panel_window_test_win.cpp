// The real quorvel.exe driven by window messages: the tray click shows the overview, clicks at
// the coordinates of the overview's layout act, typing in the search field filters, and the
// painted pixels carry the theme's colours.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "core/messages.h"
#include "ui/gdi/draw_win.h"
#include "ui/gdi/theme.h"
#include "ui/panel/frame/panel_page_win.h"
#include "win_support.h"

namespace qv::test {
namespace {

constexpr int kCardTop = 70;  // at 100 % scale: 12 + 26 + 32
constexpr int kCardStep = 52;

struct PanelMonitor {
  TempDir dir;
  Child child;
  HWND panel = nullptr;
  HWND field = nullptr;

  bool slow = false;  // one sample in ten seconds, so that no sample repaints meanwhile

  void start(const std::string& extra_settings) {
    write_file(dir.file(L"zelmor.ini"), "interval_ms=" + std::string(slow ? "10000" : "250") + "\n" + extra_settings);
    child = launch(quorvel_exe(), L"", {{L"LOCALAPPDATA", dir.path()}});
    panel = find_monitor_window(child);
    if (!panel) return;
    // The pop-up opens at the pointer; kept in a corner, it hovers over nothing in the panel.
    SetCursorPos(0, 0);
    PostMessageW(panel, kWmTray, 0, WM_LBUTTONUP);
    eventually([&] { return IsWindowVisible(panel) != FALSE; }, 5000);
    // The text fields are made when the panel first shows.
    eventually([&] { return (field = GetDlgItem(panel, 1)) != nullptr; }, 5000);
  }
  ~PanelMonitor() { kill(child); }

  std::string settings_file() const { return read_file(dir.file(L"zelmor.ini")); }

  void click(int x, int y) {
    PostMessageW(panel, WM_MOUSEMOVE, 0, MAKELPARAM(x, y));
    PostMessageW(panel, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y));
    PostMessageW(panel, WM_LBUTTONUP, 0, MAKELPARAM(x, y));
  }
  // A click that is done when this returns, painted over once this returns true: the panel
  // answers each message once it has handled it (or kept it to handle as soon as it is free), and
  // its update region empties only when the paint that follows begins. A busy panel (its thread
  // waiting on the taskbar, say) is waited for as long as it answers within 60 s, not for a fixed
  // time; the message says which step it gave up on.
  bool click_and_paint(int x, int y) {
    DWORD_PTR answer = 0;
    for (UINT msg : {WM_MOUSEMOVE, WM_LBUTTONDOWN, WM_LBUTTONUP}) {
      if (!SendMessageTimeoutW(panel, msg, msg == WM_LBUTTONDOWN ? MK_LBUTTON : 0, MAKELPARAM(x, y), SMTO_NORMAL, 60000,
                               &answer)) {
        std::printf("the panel did not take mouse message %u at %d,%d within 60 s\n", msg, x, y);
        return false;
      }
    }
    InvalidateRect(panel, nullptr, FALSE);
    if (!eventually([&] { return !GetUpdateRect(panel, nullptr, FALSE); }, 60000)) {
      std::printf("the panel did not paint within 60 s of the click\n");
      return false;
    }
    if (!SendMessageTimeoutW(panel, WM_NULL, 0, 0, SMTO_NORMAL, 60000, &answer)) {
      std::printf("the panel did not finish its paint within 60 s\n");
      return false;
    }
    return true;
  }
  void type(const std::wstring& text) {
    for (wchar_t ch : text) PostMessageW(field, WM_CHAR, ch, 1);
  }
  // Waits until the painted panel satisfies `pred`.
  template <typename Pred>
  bool screen_shows(Pred pred, DWORD ms = 5000) {
    return eventually([&] { return pred(capture_client(panel)); }, ms);
  }
  HWND focused() const {
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    GetGUIThreadInfo(GetWindowThreadProcessId(panel, nullptr), &info);
    return info.hwndFocus;
  }
};

// The regions the overview's layout gives for these settings, painted here with the same code
// and fonts, so that clicks land where the program draws.
std::vector<HitRegion> overview_regions(const Settings& settings) {
  Snapshot snap;
  PanelState panel;
  FontSet fonts = create_font_set(1.0f);
  OverviewInput in;
  in.settings = &settings;
  in.snapshot = &snap;
  HDC screen = GetDC(nullptr);
  HDC mem = CreateCompatibleDC(screen);
  HBITMAP bmp = CreateCompatibleBitmap(screen, 336, 800);
  HGDIOBJ old = SelectObject(mem, bmp);
  paint_page(PanelCanvas{mem, 336, 800, 1.0f, &fonts, &panel}, in);
  SelectObject(mem, old);
  DeleteObject(bmp);
  DeleteDC(mem);
  ReleaseDC(nullptr, screen);
  return panel.hit_regions;
}

const HitRegion* find_region(const std::vector<HitRegion>& regions, ActionKind kind) {
  for (const HitRegion& r : regions)
    if (r.action.kind == kind) return &r;
  return nullptr;
}

unsigned hex(Rgb c) { return (unsigned{c.r} << 16) | (unsigned{c.g} << 8) | c.b; }

bool card_at(const ScreenShot& s, int i, const char* key) {
  const int top = kCardTop + kCardStep * i;
  return s.at(14, top + 2) == current_theme().surface &&
         s.any(22, top + 6, 80, top + 20, metric_style(key).colour);
}

class PanelWindowThemes : public ::testing::TestWithParam<uint32_t> {
 protected:
  void TearDown() override { set_current_theme(0); }
};

TEST_P(PanelWindowThemes, OverviewPixelsCarryTheThemeColours) {
  set_current_theme(GetParam());
  PanelMonitor m;
  m.start("theme=" + std::to_string(GetParam()) + "\n");
  ASSERT_NE(m.panel, nullptr);
  ASSERT_TRUE(IsWindowVisible(m.panel));
  RECT rc{};
  GetClientRect(m.panel, &rc);
  ASSERT_EQ(rc.right, 336) << "these coordinates are for 100 % scale";
  const Theme& t = current_theme();
  EXPECT_TRUE(m.screen_shows([&](const ScreenShot& s) {
    return s.at(2, 2) == t.background && s.at(rc.right - 3, rc.bottom / 2) == t.background && card_at(s, 0, "cpu");
  })) << "background, CPU card fill and CPU label colour";
}

INSTANTIATE_TEST_SUITE_P(AllThemes, PanelWindowThemes, ::testing::Values(0u, 1u, 2u));

TEST(PanelWindow, ShowsOneCardPerShownMetricInTheirOrder) {
  PanelMonitor m;
  m.start("main_metrics=net,-cpu,ram,fps,disk,gpu,-audio\n");
  ASSERT_NE(m.panel, nullptr);
  const char* order[] = {"net", "ram", "fps", "disk", "gpu"};
  EXPECT_TRUE(m.screen_shows([&](const ScreenShot& s) {
    for (int i = 0; i < 5; ++i)
      if (!card_at(s, i, order[i])) return false;
    // Below the fifth card come the drives, on the background.
    return s.at(14, kCardTop + 5 * kCardStep + 2) == current_theme().background;
  }));
}

TEST(PanelWindow, PinLinkSwitchesToPinnedModeAndSaves) {
  PanelMonitor m;
  m.start("");
  ASSERT_NE(m.panel, nullptr);
  const auto regions = overview_regions(Settings{});
  const HitRegion* pin = find_region(regions, ActionKind::kTogglePinned);
  ASSERT_NE(pin, nullptr);
  ASSERT_TRUE(m.screen_shows([&](const ScreenShot& s) { return card_at(s, 0, "cpu"); }));
  m.click((pin->left + pin->right) / 2, (pin->top + pin->bottom) / 2);
  EXPECT_TRUE(eventually([&] { return (GetWindowLongPtrW(m.panel, GWL_STYLE) & WS_CAPTION) == WS_CAPTION; }, 5000));
  EXPECT_TRUE(eventually([&] { return m.settings_file().find("pinned=1\n") != std::string::npos; }, 5000));
  EXPECT_TRUE(IsWindowVisible(m.panel));
}

TEST(PanelWindow, SearchReplacesTheCardsAndTheClearGlyphBringsThemBack) {
  PanelMonitor m;
  m.start("");
  ASSERT_NE(m.panel, nullptr);
  ASSERT_NE(m.field, nullptr);
  ASSERT_TRUE(m.screen_shows([&](const ScreenShot& s) { return card_at(s, 0, "cpu"); }));
  EXPECT_EQ(m.focused(), m.panel) << "the keys stay with the panel, so that Tab starts at its first piece";
  PostMessageW(m.panel, WM_CHAR, L'e', 1);  // a letter typed on the overview starts the search
  ASSERT_TRUE(eventually([&] { return m.focused() == m.field; }, 5000)) << "waited for the search field to take the keys";
  m.type(L"xe");
  EXPECT_TRUE(m.screen_shows([&](const ScreenShot& s) {
    return s.at(14, kCardTop + 2) == current_theme().background && !card_at(s, 1, "ram");
  })) << "the cards give way to results";
  // The clear glyph's region: the right 24 pixels of the search frame.
  m.click(336 - 12 - 12, 12 + 25 + 12);
  EXPECT_TRUE(m.screen_shows([&](const ScreenShot& s) { return card_at(s, 0, "cpu") && card_at(s, 1, "ram"); }));
  EXPECT_EQ(m.focused(), m.field) << "the focus stays in the search field";
  EXPECT_EQ(GetWindowTextLengthW(m.field), 0);
}

TEST(PanelWindow, CardOpensItsPageAndBackReturns) {
  PanelMonitor m;
  m.start("");
  ASSERT_NE(m.panel, nullptr);
  const Theme& t = current_theme();
  ASSERT_TRUE(m.screen_shows([&](const ScreenShot& s) { return card_at(s, 0, "cpu"); }));
  m.click(150, kCardTop + 20);
  // Metric detail: a title band where the search line was, no cards (its filter line and core
  // meters leave the right end of the first card's place empty).
  EXPECT_TRUE(m.screen_shows([&](const ScreenShot& s) {
    return s.at(20, 14) == t.surface && s.at(320, kCardTop + 30) == t.background &&
           s.any(12, 18, 15, 46, metric_style("cpu").colour);
  }));
  m.click(200, 30);  // the band is Back
  EXPECT_TRUE(m.screen_shows([&](const ScreenShot& s) { return card_at(s, 0, "cpu") && s.at(20, 14) == t.background; }));
  // The frame-rate card opens the frame-rate list, with its own colour on the band.
  m.click(150, kCardTop + 3 * kCardStep + 20);
  EXPECT_TRUE(m.screen_shows([&](const ScreenShot& s) { return s.any(12, 18, 15, 46, rgb(0xFF6B6B)); }));
}

TEST(PanelWindow, HoverFollowsThePointerFromCardToCard) {
  PanelMonitor m;
  m.slow = true;  // no sample repaints meanwhile
  m.start("");
  ASSERT_NE(m.panel, nullptr);
  const Theme& t = current_theme();
  ASSERT_TRUE(m.screen_shows([&](const ScreenShot& s) { return card_at(s, 0, "cpu"); }));
  SendMessageW(m.panel, WM_MOUSEMOVE, 0, MAKELPARAM(100, kCardTop + 10));
  EXPECT_TRUE(m.screen_shows([&](const ScreenShot& s) { return s.at(14, kCardTop + 2) == t.hover; }));
  SendMessageW(m.panel, WM_MOUSEMOVE, 0, MAKELPARAM(100, kCardTop + kCardStep + 10));
  EXPECT_TRUE(m.screen_shows([&](const ScreenShot& s) {
    return s.at(14, kCardTop + kCardStep + 2) == t.hover && s.at(14, kCardTop + 2) == t.surface;
  }));
  SendMessageW(m.panel, WM_MOUSELEAVE, 0, 0);
  EXPECT_TRUE(m.screen_shows([&](const ScreenShot& s) { return s.at(14, kCardTop + kCardStep + 2) == t.surface; }));
}

}  // namespace
}  // namespace qv::test

namespace qv::test {
namespace {

TEST(PanelWindow, EveryCardOpensItsPageInItsColourAndBackReturns) {
  PanelMonitor m;
  m.start("");
  ASSERT_NE(m.panel, nullptr);
  const Theme& t = current_theme();
  // The default card order, and the colour of the page each card opens.
  const struct { const char* key; uint32_t page_colour; } cards[] = {
      {"cpu", 0x4FA3FF}, {"ram", 0x34D399}, {"gpu", 0x2DD4BF}, {"fps", 0xFF6B6B},
      {"disk", 0xA78BFA}, {"net", 0xF59E0B}, {"audio", 0xE879F9}};
  for (int i = 0; i < 7; ++i) {
    ASSERT_TRUE(m.screen_shows([&](const ScreenShot& s) { return card_at(s, i, cards[i].key); })) << cards[i].key;
    m.click(150, kCardTop + kCardStep * i + 20);
    EXPECT_TRUE(m.screen_shows([&](const ScreenShot& s) {
      return s.at(20, 14) == t.surface && s.any(12, 18, 15, 46, rgb(cards[i].page_colour)) &&
             s.at(14, kCardTop + kCardStep * i + 2) != t.surface;
    })) << cards[i].key << ": the title band in the page's colour";
    m.click(200, 30);  // the band is Back
    EXPECT_TRUE(m.screen_shows([&](const ScreenShot& s) { return s.at(20, 14) == t.background; })) << cards[i].key;
  }
}

// The app detail page at 100 % with five tiles (the helper draws no frames).
constexpr int kSectionTop = 12 + 50 + 24 + 6 + 5 * 52;
constexpr int kListTop = kSectionTop + 36 + 2 * 28;

struct AppToClose {
  PanelMonitor m;
  std::vector<Child> helpers;

  explicit AppToClose(int copies) {
    for (int i = 0; i < copies; ++i) helpers.push_back(launch(tool_exe(L"zqidle.exe"), L"", {}));
    m.start("");
  }
  ~AppToClose() {
    for (Child& c : helpers) kill(c);
  }
  // Finds the helper with the overview's search and opens it from the first result.
  bool open_app() {
    if (!m.panel || !m.field) return false;
    if (!m.screen_shows([&](const ScreenShot& s) { return card_at(s, 0, "cpu"); })) return false;
    m.type(L"zqidle");
    // The first result: the app's name in the text colour (the notices are dimmer).
    if (!m.screen_shows([&](const ScreenShot& s) {
          return s.at(14, kCardTop + 2) == current_theme().background && s.any(16, kCardTop, 120, kCardTop + 20, current_theme().text);
        }, 10000))
      return false;
    const bool unpainted_at_click = GetUpdateRect(m.panel, nullptr, FALSE) != FALSE;
    if (!m.click_and_paint(100, kCardTop + 8)) return false;
    const bool opened = m.screen_shows([&](const ScreenShot& s) {
      return s.at(20, 14) == current_theme().surface && s.any(12, 18, 15, 46, rgb(0x4FA3FF)) &&
             s.at(14, kSectionTop + 2) != current_theme().background;
    }, 10000);
    if (!opened) {
      const ScreenShot s = capture_client(m.panel);
      RECT r{};
      GetWindowRect(m.panel, &r);
      std::printf("open_app: panel at %ld,%ld to %ld,%ld, visible %d, field visible %d, update pending at the click %d;"
                  " band %06X, left of band %d, section %06X; windows over the panel:\n%s",
                  r.left, r.top, r.right, r.bottom, IsWindowVisible(m.panel), IsWindowVisible(m.field),
                  unpainted_at_click, hex(s.at(20, 14)), s.any(12, 18, 15, 46, rgb(0x4FA3FF)),
                  hex(s.at(14, kSectionTop + 2)), windows_covering(m.panel).c_str());
      save_shot_if_asked(s, "open_app_failed");
      save_shot_if_asked(capture_screen(), "open_app_failed_screen");
    }
    return opened;
  }
  HWND ask_to_close() {
    m.click(336 - 12 - 14, 30);  // "close app" at the band's right end
    HWND box = find_window(m.child.pid, L"#32770", 5000);
    return box && eventually([&] { return !message_box_text(box).empty(); }, 5000) ? box : nullptr;
  }
  // Waits until the box is gone and the panel's thread is back in its own loop, so that any
  // ending the answer caused has been done.
  bool answered(HWND box) {
    if (!eventually([&] { return !IsWindow(box); }, 5000)) return false;
    DWORD_PTR unused = 0;
    return SendMessageTimeoutW(m.panel, WM_NULL, 0, 0, SMTO_NORMAL, 5000, &unused) != 0;
  }
};

// Enter on the box's focused button, once the box has given one the focus.
void press_enter_in(HWND box) {
  GUITHREADINFO info{};
  info.cbSize = sizeof info;
  eventually([&] {
    GetGUIThreadInfo(GetWindowThreadProcessId(box, nullptr), &info);
    return info.hwndFocus != nullptr && IsChild(box, info.hwndFocus);
  }, 5000);
  PostMessageW(info.hwndFocus, WM_KEYDOWN, VK_RETURN, 1);
  PostMessageW(info.hwndFocus, WM_KEYUP, VK_RETURN, 0xC0000001);
}

TEST(PanelWindow, ClosingAnAppOfTwoProcesses) {
  AppToClose app(2);
  ASSERT_TRUE(app.helpers[0].process && app.helpers[1].process);
  ASSERT_TRUE(app.open_app());
  PanelMonitor& m = app.m;
  const Theme& t = current_theme();
  EXPECT_FALSE(IsWindowVisible(m.field)) << "the process section starts folded";
  EXPECT_FALSE(capture_client(m.panel).any(300, kListTop, 324, kListTop + 22, colours::danger));
  m.click(150, kSectionTop + 14);
  ASSERT_TRUE(eventually([&] { return IsWindowVisible(m.field) != FALSE; }, 5000)) << "unfolded: the filter field";
  EXPECT_TRUE(m.screen_shows([&](const ScreenShot& s) {
    return s.any(300, kListTop, 324, kListTop + 22, colours::danger) &&
           s.any(300, kListTop + 30, 324, kListTop + 52, colours::danger);
  })) << "two process rows with their close glyphs";
  // A pid that is not part of the other's keeps only its own row.
  const std::wstring pid0 = std::to_wstring(app.helpers[0].pid), pid1 = std::to_wstring(app.helpers[1].pid);
  m.type(pid1.find(pid0) == std::wstring::npos ? pid0 : pid1);
  EXPECT_TRUE(m.screen_shows([&](const ScreenShot& s) {
    return s.any(300, kListTop, 324, kListTop + 22, colours::danger) &&
           !s.any(300, kListTop + 30, 324, kListTop + 52, colours::danger);
  }));
  save_shot_if_asked(capture_client(m.panel), "real_app_detail_filtered");

  HWND box = app.ask_to_close();
  ASSERT_NE(box, nullptr);
  EXPECT_EQ(window_text(box), L"Quorvel — Close app");
  EXPECT_EQ(message_box_text(box), L"End 2 process(es) named \"zqidle.exe\"?") << "every process, whatever the filter";
  press_enter_in(box);
  ASSERT_TRUE(app.answered(box));
  EXPECT_FALSE(wait_exit(app.helpers[0], 0)) << "Enter is No";
  EXPECT_FALSE(wait_exit(app.helpers[1], 0));

  box = app.ask_to_close();
  ASSERT_NE(box, nullptr);
  PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDYES, BN_CLICKED), 0);
  EXPECT_EQ(wait_exit(app.helpers[0], 5000), 1u);
  EXPECT_EQ(wait_exit(app.helpers[1], 5000), 1u);
  // The next sample: no process section, and its field goes with it.
  EXPECT_TRUE(m.screen_shows([&](const ScreenShot& s) { return s.at(14, kSectionTop + 2) == t.background; }));
  EXPECT_TRUE(eventually([&] { return IsWindowVisible(m.field) == FALSE; }, 5000));
  save_shot_if_asked(capture_client(m.panel), "real_app_detail_not_running");
}

TEST(PanelWindow, ClosingFortyProcessesAsksOnce) {
  AppToClose app(40);
  for (const Child& c : app.helpers) ASSERT_TRUE(c.process);
  ASSERT_TRUE(app.open_app());
  HWND box = app.ask_to_close();
  ASSERT_NE(box, nullptr);
  EXPECT_EQ(message_box_text(box), L"End 40 process(es) named \"zqidle.exe\"?");
  PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDYES, BN_CLICKED), 0);
  ASSERT_TRUE(app.answered(box));
  for (const Child& c : app.helpers) EXPECT_EQ(wait_exit(c, 5000), 1u);
  EXPECT_EQ(find_window(app.m.child.pid, L"#32770", 0), nullptr) << "asked once";
}

}  // namespace
}  // namespace qv::test
