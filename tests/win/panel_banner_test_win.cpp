// The AI banners of the real panel, fed through the pipe as the AI tool would: a message and a
// running agent make two banners at the bottom of the overview. With QV_PANEL_SHOTS set to a
// directory, each case also saves the painted client area as a bitmap there, so the overview can
// be looked at in every theme and text size.
#include <gtest/gtest.h>

#include <cstdlib>
#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "core/messages.h"
#include "ui/gdi/scale.h"
#include "ui/gdi/theme.h"
#include "ui/panel/frame/panel_layout.h"
#include "util/wide_win.h"
#include "win_support.h"

namespace qv::test {
namespace {

// One request on the pipe, retried while the server has no free instance.
std::string pipe_request(const std::string& line) {
  HANDLE pipe = INVALID_HANDLE_VALUE;
  const bool opened = eventually(
      [&] {
        pipe = CreateFileW(L"\\\\.\\pipe\\zelmor-mcp", GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0,
                           nullptr);
        if (pipe != INVALID_HANDLE_VALUE) return true;
        WaitNamedPipeW(L"\\\\.\\pipe\\zelmor-mcp", 200);
        return false;
      },
      10000);
  if (!opened) return {};
  DWORD mode = PIPE_READMODE_MESSAGE;
  SetNamedPipeHandleState(pipe, &mode, nullptr, nullptr);
  DWORD n = 0;
  WriteFile(pipe, line.data(), static_cast<DWORD>(line.size()), &n, nullptr);
  std::string reply;
  char buf[4096];
  while (ReadFile(pipe, buf, sizeof buf, &n, nullptr) || GetLastError() == ERROR_MORE_DATA) {
    reply.append(buf, n);
    if (!reply.empty() && reply.back() == '\n') break;
  }
  CloseHandle(pipe);
  return reply;
}

struct Case {
  uint32_t theme;
  uint32_t text_size;
  bool banners;
};

class PanelBanners : public ::testing::TestWithParam<Case> {};

TEST_P(PanelBanners, OverviewWithAndWithoutBanners) {
  const Case c = GetParam();
  TempDir dir;
  write_file(dir.file(L"zelmor.ini"), "interval_ms=250\ntheme=" + std::to_string(c.theme) +
                                          "\ntext_size=" + std::to_string(c.text_size) + "\n");
  Child child = launch(quorvel_exe(), L"", {{L"LOCALAPPDATA", dir.path()}});
  HWND panel = find_monitor_window(child);
  ASSERT_NE(panel, nullptr);
  if (c.banners) {
    EXPECT_NE(pipe_request("notify Build finished\tAll 214 tests passed on the first try."), "");
    EXPECT_NE(pipe_request("notify Review ready\tThe pull request is waiting for you."), "");
    EXPECT_NE(pipe_request("notify Heads up\tDisk space is getting low on drive C."), "");
    EXPECT_NE(pipe_request("agents s1\tRepo A\t[{\"id\":\"a\",\"title\":\"Refactor the parser\",\"status\":\"running\"},"
                           "{\"id\":\"b\",\"title\":\"Write tests\",\"status\":\"running\"}]"),
              "");
    EXPECT_NE(pipe_request("agents s2\tRepo B\t[{\"id\":\"c\",\"title\":\"Fix CI\",\"status\":\"running\"}]"), "");
  }
  // The pop-up opens at the pointer; kept in a corner, it hovers over nothing in the panel.
  SetCursorPos(0, 0);
  auto show_again = [&] {
    PostMessageW(panel, kWmTray, 0, WM_LBUTTONUP);
    eventually([&] { return !IsWindowVisible(panel); }, 2000);
    PostMessageW(panel, kWmTray, 0, WM_LBUTTONUP);
    return eventually([&] { return IsWindowVisible(panel) != FALSE; }, 5000);
  };
  PostMessageW(panel, kWmTray, 0, WM_LBUTTONUP);
  ASSERT_TRUE(eventually([&] { return IsWindowVisible(panel) != FALSE; }, 5000));

  set_current_theme(c.theme);
  const Theme theme = current_theme();
  const float scale = ui_scale_for(1.0f, c.text_size);
  const Rgb amber = rgb(0xF59E0B);
  const Rgb teal = rgb(0x2DD4BF);
  // A tint of the white surface on the light theme, the colour dimmed on the dark ones.
  const Rgb amber_inside = c.theme == 2 ? Rgb{254, 243, 226} : scale_colour(amber, 0.12f);
  // Waits for the paint, not for a time. The first samples bring the drives and the pop-up grows
  // downwards, past the bottom of the screen; shown again, it is placed whole above the bottom
  // of the work area. What is off the screen cannot be captured.
  const int screen_bottom = GetSystemMetrics(SM_CYSCREEN);
  RECT outer{};
  ScreenShot shot;
  const bool settled = eventually(
      [&] {
        GetWindowRect(panel, &outer);
        if (outer.bottom > screen_bottom) {
          show_again();
          return false;
        }
        shot = capture_client(panel);
        if (shot.w != px(336, scale)) return false;
        const Rect bottom = banner_rect(0, shot.w, shot.h, scale);
        const Rect upper = banner_rect(1, shot.w, shot.h, scale);
        if (!c.banners) return shot.at(bottom.left, bottom.top) == theme.background;  // the reserved row stays empty
        return shot.at(bottom.left, bottom.top) == scale_colour(amber, 0.39f) &&
               shot.at(bottom.left + 2, bottom.top + 2) == amber_inside &&
               shot.at(upper.left, upper.top) == scale_colour(teal, 0.39f);
      },
      15000);
  // Larger text makes a pop-up taller than a small screen.
  if (!settled && outer.bottom - outer.top > screen_bottom) {
    set_current_theme(0);
    kill(child);
    GTEST_SKIP() << "the panel (" << outer.top << ".." << outer.bottom << ") is taller than this screen ("
                 << screen_bottom << ")";
  }
  set_current_theme(0);
  if (std::getenv("QV_PANEL_SHOTS")) {
    Sleep(2500);  // a few more samples, so the figures and graphs are live in the picture
    show_again();
    Sleep(600);
    shot = capture_client(panel);
  }
  EXPECT_TRUE(settled) << (c.banners ? "banner frames missing" : "the banner row is not empty");
  save_shot_if_asked(shot, "overview_theme" + std::to_string(c.theme) + "_size" + std::to_string(c.text_size) +
                        (c.banners ? "_banners" : "_plain"));
  kill(child);
}

INSTANTIATE_TEST_SUITE_P(ThemesSizes, PanelBanners,
                         ::testing::Values(Case{0, 1, true}, Case{0, 1, false}, Case{1, 1, true}, Case{1, 3, false},
                                           Case{2, 1, true}, Case{2, 3, true}, Case{0, 3, true}, Case{2, 1, false},
                                           Case{1, 1, false}, Case{1, 3, true}, Case{0, 3, false}, Case{2, 3, false}));

}  // namespace
}  // namespace qv::test
