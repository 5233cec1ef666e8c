// The AI activity and messages pages of the real quorvel.exe, fed through the real pipe as the
// AI tool feeds it (agents and notify requests from a client in this process): the overview's
// banners open the pages, the rows appear, the clears empty what they should and the banners
// follow, a balloon click opens the messages with the newest unfolded, and a long body folds and
// unfolds. With QV_PANEL_SHOTS set, each step also saves the painted client area there.
#include <gtest/gtest.h>
#include <windows.h>
#include <shellapi.h>

#include <string>

#include "core/messages.h"
#include "pipe_client_win.h"
#include "ui/gdi/scale.h"
#include "ui/gdi/theme.h"
#include "ui/panel/frame/panel_layout.h"
#include "win_support.h"

namespace qv::test {
namespace {

constexpr Rgb kTeal = rgb(0x2DD4BF);
constexpr Rgb kWaiting = rgb(0xFF6B6B);
constexpr int kListTop = 62;   // at 100 %: the title band at 12, 40 high, 10 below it
constexpr int kDotColumn = 24;  // centre of the status dots

std::string request(const std::string& line) {
  return pipe_request(L"\\\\.\\pipe\\zelmor-mcp", line).value_or("");
}

// Runs of `colour` down one column of the list: one per dot.
int runs_in_column(const ScreenShot& s, int x, Rgb colour) {
  int runs = 0;
  bool inside = false;
  for (int y = kListTop; y < s.h; ++y) {
    const bool hit = s.at(x, y) == colour;
    if (hit && !inside) ++runs;
    inside = hit;
  }
  return runs;
}

struct AiPanel {
  TempDir dir;
  Child child;
  HWND panel = nullptr;
  Theme theme{};

  explicit AiPanel(uint32_t theme_index = 0) {
    write_file(dir.file(L"zelmor.ini"), "interval_ms=250\ntheme=" + std::to_string(theme_index) + "\n");
    set_current_theme(theme_index);
    theme = current_theme();
    set_current_theme(0);
    child = launch(quorvel_exe(), L"", {{L"LOCALAPPDATA", dir.path()}});
    panel = find_monitor_window(child);
  }
  ~AiPanel() { kill(child); }

  bool show() {
    if (!panel) return false;
    SetCursorPos(0, 0);  // the pop-up opens at the pointer; in the corner it hovers over nothing
    PostMessageW(panel, kWmTray, 0, WM_LBUTTONUP);
    if (!eventually([&] { return IsWindowVisible(panel) != FALSE; }, 5000)) return false;
    // The first samples bring the drives and banners and the pop-up grows downwards; once its
    // size holds, shown again it is placed whole above the taskbar.
    RECT last{};
    int steady = 0;
    eventually(
        [&] {
          RECT now{};
          GetWindowRect(panel, &now);
          steady = EqualRect(&now, &last) ? steady + 1 : 0;
          last = now;
          return steady >= 25;
        },
        5000);
    PostMessageW(panel, kWmTray, 0, WM_LBUTTONUP);
    eventually([&] { return !IsWindowVisible(panel); }, 2000);
    PostMessageW(panel, kWmTray, 0, WM_LBUTTONUP);
    return eventually([&] { return IsWindowVisible(panel) != FALSE; }, 5000);
  }
  void click(int x, int y) {
    PostMessageW(panel, WM_MOUSEMOVE, 0, MAKELPARAM(x, y));
    PostMessageW(panel, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y));
    PostMessageW(panel, WM_LBUTTONUP, 0, MAKELPARAM(x, y));
    PostMessageW(panel, WM_MOUSELEAVE, 0, 0);  // no hover fill in the pictures that follow
  }
  template <typename Pred>
  bool shows(Pred pred, DWORD ms = 5000) {
    return eventually([&] { return pred(capture_client(panel)); }, ms);
  }
  // The title band's accent strip in the AI colour: one of the two AI pages is up.
  bool on_ai_page(const ScreenShot& s) const { return s.at(13, 12 + 20) == kTeal; }
  // The i-th banner from the bottom of the overview, by its dimmed frame.
  bool banner_shows(const ScreenShot& s, size_t i, uint32_t colour) const {
    const Rect r = banner_rect(i, s.w, s.h, 1.0f);
    return s.at(r.left, r.top) == scale_colour(rgb(colour), 0.39f);
  }
  void click_banner(size_t i) {
    const ScreenShot s = capture_client(panel);
    const Rect r = banner_rect(i, s.w, s.h, 1.0f);
    click(r.left + 40, r.top + 8);
  }
  void shot(const std::string& name) { save_shot_if_asked(capture_client(panel), name); }
};

TEST(PanelAiPages, AgentsFromThePipeListClearAndTheBannerFollows) {
  AiPanel p;
  ASSERT_NE(p.panel, nullptr);
  const std::string detail(300, 'd');
  ASSERT_NE(request("agents s1\tRepo A\t[{\"id\":\"a\",\"title\":\"Refactor the parser\",\"status\":\"running\","
                    "\"detail\":\"Splitting " + detail + "\"},{\"id\":\"b\",\"title\":\"Write tests\",\"status\":\"waiting\"}]"),
            "");
  ASSERT_NE(request("agents s2\tRepo B\t[{\"id\":\"c\",\"title\":\"Fix CI\",\"status\":\"running\"}]"), "");
  ASSERT_TRUE(p.show());
  ASSERT_TRUE(p.shows([&](const ScreenShot& s) { return p.banner_shows(s, 0, 0x2DD4BF); }, 8000))
      << "the agents banner";

  p.click_banner(0);
  ASSERT_TRUE(p.shows([&](const ScreenShot& s) {
    return p.on_ai_page(s) && runs_in_column(s, kDotColumn, kTeal) == 2 && runs_in_column(s, kDotColumn, kWaiting) == 1;
  })) << "two running dots and one waiting";
  p.shot("activity_theme0_sessions");

  // Unfolding the long detail of the first agent pushes the waiting one down.
  const ScreenShot before = capture_client(p.panel);
  int waiting_y = -1;
  for (int y = kListTop; y < before.h && waiting_y < 0; ++y) {
    if (before.at(kDotColumn, y) == kWaiting) waiting_y = y;
  }
  ASSERT_GT(waiting_y, 0);
  p.click(120, kListTop + 30 + 30);  // inside agent a's detail line
  ASSERT_TRUE(p.shows([&](const ScreenShot& s) { return s.at(kDotColumn, waiting_y) != kWaiting; }));
  EXPECT_TRUE(p.shows([&](const ScreenShot& s) { return runs_in_column(s, kDotColumn, kWaiting) == 1; }));
  p.shot("activity_theme0_unfolded");

  // "clear" in the title band: no agent is listed any more, and the page says so.
  const int width = capture_client(p.panel).w;
  p.click(width - 12 - 6, 30);
  EXPECT_TRUE(p.shows([&](const ScreenShot& s) {
    return p.on_ai_page(s) && runs_in_column(s, kDotColumn, kTeal) == 0 && runs_in_column(s, kDotColumn, kWaiting) == 0;
  })) << "the agents are gone";

  // Back on the overview the agents banner has gone too.
  p.click(80, 30);
  EXPECT_TRUE(p.shows([&](const ScreenShot& s) { return !p.on_ai_page(s) && !p.banner_shows(s, 0, 0x2DD4BF); }));

  // A final status goes to the finished history: folded under its header, unfolded by a click,
  // emptied by the header's own "clear".
  ASSERT_NE(request("agents s1\tRepo A\t[{\"id\":\"d\",\"title\":\"Lint\",\"status\":\"failed\"}]"), "");
  ASSERT_TRUE(p.shows([&](const ScreenShot& s) { return p.banner_shows(s, 0, 0x2DD4BF); }, 8000))
      << "the finished banner";
  p.click_banner(0);
  ASSERT_TRUE(p.shows([&](const ScreenShot& s) { return p.on_ai_page(s) && s.at(20, kListTop + 2) == p.theme.surface; }))
      << "the finished header";
  EXPECT_EQ(runs_in_column(capture_client(p.panel), kDotColumn, rgb(0xDC5A5A)), 0) << "folded: no rows";
  p.click(80, kListTop + 15);
  EXPECT_TRUE(p.shows([&](const ScreenShot& s) { return runs_in_column(s, kDotColumn, rgb(0xDC5A5A)) == 1; }))
      << "the failed agent's dot";
  p.shot("activity_theme0_finished");
  p.click(width - 12 - 6, kListTop + 15);
  EXPECT_TRUE(p.shows([&](const ScreenShot& s) {
    return p.on_ai_page(s) && s.at(20, kListTop + 2) == p.theme.background && runs_in_column(s, kDotColumn, rgb(0xDC5A5A)) == 0;
  })) << "the history is empty: nothing reported";
}

TEST(PanelAiPages, MessagesFromThePipeFoldUnfoldScrollAndClear) {
  AiPanel p;
  ASSERT_NE(p.panel, nullptr);
  ASSERT_NE(request("notify Build finished\tAll 214 tests passed."), "");
  ASSERT_NE(request("notify \tA message without a title."), "");
  std::string body;
  while (body.size() < 2000) body += "The review found " + std::to_string(body.size()) + " small things to tidy. ";
  body.resize(2000);
  ASSERT_NE(request("notify Review ready\t" + body), "");
  ASSERT_TRUE(p.show());

  // The balloon of the last (AI) notification opens the messages with the newest unfolded: the
  // first card then reaches past where a folded one (52 high) ends.
  PostMessageW(p.panel, kWmTray, 0, NIN_BALLOONUSERCLICK);
  const int gap_y = kListTop + 52 + 3;
  ASSERT_TRUE(p.shows([&](const ScreenShot& s) { return p.on_ai_page(s) && s.at(20, gap_y) == p.theme.surface; }))
      << "the newest message unfolded";
  const int width = capture_client(p.panel).w;
  EXPECT_TRUE(p.shows([&](const ScreenShot& s) { return s.at(width - 5, kListTop + 2) == p.theme.text_dim; }))
      << "2,000 characters do not fit: the scrollbar's thumb at the top";
  p.shot("messages_theme0_unfolded");

  // The wheel scrolls the list; the thumb leaves the top.
  PostMessageW(p.panel, WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(-360)), MAKELPARAM(100, 200));
  EXPECT_TRUE(p.shows([&](const ScreenShot& s) { return s.at(width - 5, kListTop + 2) == p.theme.surface; }));
  p.shot("messages_theme0_scrolled");
  PostMessageW(p.panel, WM_MOUSEWHEEL, MAKEWPARAM(0, 1200), MAKELPARAM(100, 200));

  // A click on the card folds it to one line; a second unfolds it again.
  ASSERT_TRUE(p.shows([&](const ScreenShot& s) { return s.at(width - 5, kListTop + 2) == p.theme.text_dim; }));
  p.click(100, kListTop + 40);
  EXPECT_TRUE(p.shows([&](const ScreenShot& s) { return s.at(20, gap_y) == p.theme.background; })) << "folded";
  EXPECT_TRUE(p.shows([&](const ScreenShot& s) { return s.at(width - 5, kListTop + 2) == p.theme.background; }))
      << "three short cards fit: no scrollbar";
  p.shot("messages_theme0_folded");
  p.click(100, kListTop + 40);
  EXPECT_TRUE(p.shows([&](const ScreenShot& s) { return s.at(20, gap_y) == p.theme.surface; })) << "unfolded again";

  // "clear" at the end of the first row empties the list and goes back to the overview, whose
  // messages banner is gone with it.
  p.click(width - 12 - 8 - 12, kListTop + 8 + 9);
  EXPECT_TRUE(p.shows([&](const ScreenShot& s) { return !p.on_ai_page(s) && !p.banner_shows(s, 0, 0xF59E0B); }));
}


// Each theme: many agents in several sessions with finished ones, scrolled; one message, then
// twelve. The cards take the theme's surface colour, the dots and times the AI colour.
class PanelAiPagesThemes : public ::testing::TestWithParam<uint32_t> {};

TEST_P(PanelAiPagesThemes, BothPagesWithOneAndManyItems) {
  const uint32_t theme = GetParam();
  const std::string t = std::to_string(theme);
  AiPanel p(theme);
  ASSERT_NE(p.panel, nullptr);
  const char* statuses[] = {"running", "waiting", "running", ""};
  for (int s = 0; s < 3; ++s) {
    std::string json = "[";
    for (int a = 0; a < 6; ++a) {
      json += std::string(a ? "," : "") + "{\"id\":\"a" + std::to_string(a) + "\",\"title\":\"Agent " +
              std::to_string(a) + " of session " + std::to_string(s) + "\",\"status\":\"" + statuses[a % 4] +
              "\",\"detail\":\"Reading the module and running its tests before the next change\"}";
    }
    ASSERT_NE(request("agents s" + std::to_string(s) + "\tRepository " + std::to_string(s) + "\t" + json + "]"), "");
  }
  ASSERT_NE(request("agents s0\tRepository 0\t[{\"id\":\"x\",\"title\":\"Lint\",\"status\":\"failed\","
                    "\"detail\":\"3 warnings\"},{\"id\":\"a0\",\"title\":\"Agent 0 of session 0\",\"status\":\"running\"}]"),
            "");
  ASSERT_NE(request("notify Build finished\tAll 214 tests passed on the first try."), "");
  ASSERT_TRUE(p.show());
  ASSERT_TRUE(p.shows([&](const ScreenShot& s) { return p.banner_shows(s, 1, 0x2DD4BF); }, 8000));

  p.click_banner(1);
  ASSERT_TRUE(p.shows([&](const ScreenShot& s) {
    // The first session's header, then its first agent's card in the theme's surface colour.
    return p.on_ai_page(s) && s.at(14, kListTop + 30 + 2) == p.theme.surface && s.at(kDotColumn, kListTop + 30 + 15) == kTeal;
  })) << "first agent card";
  p.shot("activity_theme" + t + "_many");
  const int width = capture_client(p.panel).w;
  PostMessageW(p.panel, WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(-600)), MAKELPARAM(100, 200));
  EXPECT_TRUE(p.shows([&](const ScreenShot& s) { return s.at(width - 5, kListTop + 2) == p.theme.surface; }))
      << "scrolled: the thumb left the top of the track";
  p.shot("activity_theme" + t + "_scrolled");

  p.click(80, 30);  // back
  ASSERT_TRUE(p.shows([&](const ScreenShot& s) { return p.banner_shows(s, 0, 0xF59E0B); }));
  p.click_banner(0);
  EXPECT_TRUE(p.shows([&](const ScreenShot& s) {
    return p.on_ai_page(s) && s.at(20, kListTop + 2) == p.theme.surface && s.at(20, kListTop + 52 + 3) == p.theme.background;
  })) << "one folded card";
  p.shot("messages_theme" + t + "_one");

  for (int i = 0; i < 11; ++i) {
    std::string body = "Step " + std::to_string(i) + " is done.";
    if (i % 3 == 0) body += " It took a while because the network was slow and two of the tests had to be run again.";
    ASSERT_NE(request("notify Update " + std::to_string(i) + "\t" + body), "");
  }
  PostMessageW(p.panel, kWmTray, 0, NIN_BALLOONUSERCLICK);
  EXPECT_TRUE(p.shows([&](const ScreenShot& s) { return s.at(width - 5, kListTop + 2) == p.theme.text_dim; }))
      << "twelve cards: the scrollbar";
  p.shot("messages_theme" + t + "_many");
  PostMessageW(p.panel, WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(-240)), MAKELPARAM(100, 200));
  EXPECT_TRUE(p.shows([&](const ScreenShot& s) { return s.at(width - 5, kListTop + 2) == p.theme.surface; }));
  p.shot("messages_theme" + t + "_scrolled");
}

INSTANTIATE_TEST_SUITE_P(Themes, PanelAiPagesThemes, ::testing::Values(0u, 1u, 2u));

}  // namespace
}  // namespace qv::test
