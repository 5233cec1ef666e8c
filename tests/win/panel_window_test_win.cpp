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
#include "ui/panel/panel_page_win.h"
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
    panel = find_window(child.pid, L"ZelmorWnd", 15000);
    if (!panel) return;
    // The window exists before start-up has made its text fields: wait for field 1.
    eventually([&] { return (field = GetDlgItem(panel, 1)) != nullptr; }, 5000);
    // The pop-up opens at the pointer; kept in a corner, it hovers over nothing in the panel.
    SetCursorPos(0, 0);
    PostMessageW(panel, kWmTray, 0, WM_LBUTTONUP);
    eventually([&] { return IsWindowVisible(panel) != FALSE; }, 5000);
  }
  ~PanelMonitor() { kill(child); }

  std::string settings_file() const { return read_file(dir.file(L"zelmor.ini")); }

  void click(int x, int y) {
    PostMessageW(panel, WM_MOUSEMOVE, 0, MAKELPARAM(x, y));
    PostMessageW(panel, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y));
    PostMessageW(panel, WM_LBUTTONUP, 0, MAKELPARAM(x, y));
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
  EXPECT_EQ(m.focused(), m.field) << "the overview gives the search field the focus";
  m.type(L"exe");
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
  // Metric detail: a title band where the search line was, no cards, no search field.
  EXPECT_TRUE(m.screen_shows([&](const ScreenShot& s) {
    return s.at(20, 14) == t.surface && s.at(14, kCardTop + 2) == t.background &&
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
