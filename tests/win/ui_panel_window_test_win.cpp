// The panel window's handler in this process: a real window whose procedure is the program's,
// with UiState built as start-up builds it and the shell replaced by a recorder. Covers what the
// running program does not show from outside: the message list, pending pages, display series,
// Escape by page, the wheel, metric drags and the pop-up's size.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "config/settings_file_win.h"
#include "core/messages.h"
#include "core/shared_state.h"
#include "ui/gdi/scale.h"
#include "ui/panel/panel_actions_win.h"
#include "ui/panel/panel_show_win.h"
#include "ui/panel/panel_window_win.h"
#include "ui/panel/ui_state_win.h"
#include "util/wide_win.h"
#include "win_support.h"

namespace qv::test {
namespace {

size_t count_info(const std::vector<std::pair<DWORD, UINT>>& calls) {
  size_t n = 0;
  for (const auto& c : calls) n += c.first == NIM_MODIFY && (c.second & NIF_INFO);
  return n;
}

class InProcessPanel {
 public:
  explicit InProcessPanel(const Settings& settings, bool with_tray = true) {
    static const bool registered = [] {
      WNDCLASSEXW wc{};
      wc.cbSize = sizeof wc;
      wc.lpfnWndProc = &panel_window_proc;
      wc.hInstance = GetModuleHandleW(nullptr);
      wc.lpszClassName = L"QvTestPanel";
      return RegisterClassExW(&wc) != 0;
    }();
    EXPECT_TRUE(registered);
    hwnd_ = CreateWindowExW(WS_EX_TOPMOST | WS_EX_TOOLWINDOW, L"QvTestPanel", L"test", WS_POPUP | WS_CLIPCHILDREN | WS_BORDER,
                            0, 0, 10, 10, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    auto ui = std::make_unique<UiState>();
    ui->settings = settings;
    ui->shared = make_shared_state(settings, {}, "");
    ui->window = hwnd_;
    ui->ui_scale = 1.0f;
    ui->fonts = create_font_set(1.0f);
    for (TextField f : {TextField::kFilter, TextField::kAlertThreshold, TextField::kAlertLogFile, TextField::kRequest}) {
      ui->fields[field_slot(f)] = create_text_field(hwnd_, control_id(f), ui->fonts.body);
    }
    ui->tray.window = hwnd_;
    ui->tray.shell = [this](DWORD message, NOTIFYICONDATAW& d) {
      shell_calls.emplace_back(message, d.uFlags);
      if (d.uFlags & NIF_INFO) balloon_titles.push_back(narrow(d.szInfoTitle));
      return TRUE;
    };
    if (with_tray) sync_tray_icons(ui->tray, settings);
    ui_ = ui.get();
    set_ui_state(std::move(ui));
  }
  ~InProcessPanel() {
    set_ui_state(nullptr);
    DestroyWindow(hwnd_);
    MSG msg;  // the default WM_DESTROY posts a quit message; keep it out of later tests
    while (PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
    }
  }
  UiState& ui() { return *ui_; }
  HWND hwnd() const { return hwnd_; }
  LRESULT send(UINT msg, WPARAM w = 0, LPARAM l = 0) { return SendMessageW(hwnd_, msg, w, l); }
  std::string saved() const { return read_file(dir_.file(L"zelmor.ini")); }
  void queue(const std::string& title, bool from_ai) {
    std::lock_guard<std::mutex> lock(ui_->shared->notifications_mutex);
    ui_->shared->notifications.push_back(NotificationEntry{title, "body of " + title, from_ai});
  }

  std::vector<std::pair<DWORD, UINT>> shell_calls;
  std::vector<std::string> balloon_titles;

 private:
  TempDir dir_{L"qv ui"};
  ScopedLocalAppData here_{dir_.path()};  // restored when the panel goes, before the folder
  HWND hwnd_ = nullptr;
  UiState* ui_ = nullptr;
};

TEST(UiPanelWindow, ThirteenAiNotificationsKeepTheNewestTwelve) {
  InProcessPanel p(Settings{});
  for (int i = 1; i <= 13; ++i) p.queue("n" + std::to_string(i), true);
  EXPECT_EQ(p.send(kWmNotifyQueued), 0);
  EXPECT_EQ(p.balloon_titles.size(), 13u);  // every entry gets its balloon, in queue order
  EXPECT_EQ(p.balloon_titles.front(), "n1");
  ASSERT_EQ(p.ui().messages.size(), 12u);
  EXPECT_EQ(p.ui().messages.front().title, "n13");
  EXPECT_EQ(p.ui().messages.back().title, "n2");
  EXPECT_EQ(p.ui().messages.front().body, "body of n13");
  EXPECT_EQ(p.ui().messages.front().time.size(), 5u);
  EXPECT_EQ(p.ui().messages.front().time[2], ':');
  EXPECT_EQ(p.ui().pending_page, Page::kMessages);
  EXPECT_TRUE(p.ui().shared->notifications.empty());  // the queue was taken whole
}

TEST(UiPanelWindow, AlertsAndADisabledLinkAreNotListed) {
  InProcessPanel p(Settings{});
  p.queue("ai", true);
  p.queue("alert", false);
  p.send(kWmNotifyQueued);
  EXPECT_EQ(p.ui().messages.size(), 1u);
  EXPECT_EQ(p.ui().pending_page, std::nullopt);  // the last entry decides
  Settings off;
  off.mcp_enabled = false;
  InProcessPanel q(off);
  q.queue("ai", true);
  q.send(kWmNotifyQueued);
  EXPECT_TRUE(q.ui().messages.empty());
  EXPECT_EQ(q.balloon_titles, (std::vector<std::string>{"ai"}));  // the balloon still shows
}

TEST(UiPanelWindow, WithoutTrayIconsMessagesAreStillListed) {
  InProcessPanel p(Settings{}, /*with_tray=*/false);
  p.queue("quiet", true);
  p.send(kWmNotifyQueued);
  EXPECT_EQ(count_info(p.shell_calls), 0u);
  ASSERT_EQ(p.ui().messages.size(), 1u);
  EXPECT_EQ(p.ui().messages.front().title, "quiet");
}

TEST(UiPanelWindow, SampleFeedsSeriesTrayAndPopupSize) {
  InProcessPanel p(Settings{});
  Snapshot s;
  s.cpu_pct = 30;
  s.drives = {DriveInfo{'C', 100, 50}};
  s.processes = {ProcessSample{"a.exe", 0, 10, 0, 0, 1, 5.0f, 0, 0}};
  {
    std::lock_guard<std::mutex> lock(p.ui().shared->snapshot_mutex);
    p.ui().shared->snapshot = s;
  }
  p.send(kWmSample);
  EXPECT_EQ(p.ui().snapshot_copy, s);
  EXPECT_EQ(p.ui().overview_series.cpu.count, 1u);
  EXPECT_EQ(p.ui().overview_series.fps.count, 1u);
  EXPECT_EQ(p.ui().app_series.cpu.count, 0u);  // no app detail open
  RECT one{};
  GetWindowRect(p.hwnd(), &one);
  p.ui().panel.selected_app = "a.exe";
  s.drives.push_back(DriveInfo{'D', 100, 50});
  s.drives.push_back(DriveInfo{'E', 100, 50});
  {
    std::lock_guard<std::mutex> lock(p.ui().shared->snapshot_mutex);
    p.ui().shared->snapshot = s;
  }
  p.send(kWmSample);
  EXPECT_EQ(p.ui().app_series.cpu.count, 1u);
  EXPECT_EQ(p.ui().app_series.cpu.series_max(), 5.0f);
  RECT three{};
  GetWindowRect(p.hwnd(), &three);
  EXPECT_EQ((three.bottom - three.top) - (one.bottom - one.top), 2 * px(42, 1.0f));  // the pop-up follows its drives
  EXPECT_EQ(three.top, one.top);  // resized without moving
  EXPECT_EQ(p.ui().tray.icons_drawn, 2u);  // CPU and RAM pictures, drawn once for unchanged values
}

TEST(UiPanelWindow, EscapeStepsBackByPage) {
  InProcessPanel p(Settings{});
  struct Case { Page page; uint8_t sub; Page want_page; uint8_t want_sub; };
  const Case cases[] = {{Page::kSettingsSection, 2, Page::kSettingsHome, 0},
                        {Page::kAlertEditor, 0, Page::kSettingsSection, 4},
                        {Page::kMetricDetail, 3, Page::kOverview, 0},
                        {Page::kSettingsHome, 0, Page::kOverview, 0},
                        {Page::kFpsList, 0, Page::kOverview, 0},
                        {Page::kMessages, 0, Page::kOverview, 0},
                        {Page::kActivity, 0, Page::kOverview, 0}};
  for (const auto& c : cases) {
    p.ui().panel.page = c.page;
    p.ui().panel.sub_page = c.sub;
    p.send(WM_KEYDOWN, VK_ESCAPE);
    EXPECT_EQ(p.ui().panel.page, c.want_page) << static_cast<int>(c.page);
    EXPECT_EQ(p.ui().panel.sub_page, c.want_sub) << static_cast<int>(c.page);
  }
  p.ui().panel.return_page = Page::kMetricDetail;
  p.ui().panel.return_sub_page = 4;
  p.ui().panel.page = Page::kAppDetail;
  p.send(WM_KEYDOWN, VK_ESCAPE);
  EXPECT_EQ(p.ui().panel.page, Page::kMetricDetail);
  EXPECT_EQ(p.ui().panel.sub_page, 4);
  EXPECT_EQ(p.send(WM_KEYDOWN, 'A'), 0);  // other keys do nothing but are answered
  EXPECT_EQ(p.ui().panel.page, Page::kMetricDetail);
}

TEST(UiPanelWindow, EscapeOnTheOverviewEmptiesTheSearchFirst) {
  InProcessPanel p(Settings{});
  show_panel(p.ui(), p.hwnd());
  ASSERT_TRUE(IsWindowVisible(p.hwnd()));
  set_field_text(p.ui().field(TextField::kFilter), "chrome");
  p.ui().panel.filter_text = "chrome";
  p.send(WM_KEYDOWN, VK_ESCAPE);
  EXPECT_TRUE(p.ui().panel.filter_text.empty());
  EXPECT_EQ(get_field_text(p.ui().field(TextField::kFilter)), "");
  EXPECT_TRUE(IsWindowVisible(p.hwnd()));
  p.send(WM_KEYDOWN, VK_ESCAPE);
  EXPECT_FALSE(IsWindowVisible(p.hwnd()));
  EXPECT_FALSE(p.ui().shared->panel_open.load());
  EXPECT_NE(p.saved().find("pinned=0\n"), std::string::npos);  // hiding saves
}

TEST(UiPanelWindow, WheelStaysWithinTheList) {
  InProcessPanel p(Settings{});
  p.ui().panel.scroll_max = 100;
  p.send(WM_MOUSEWHEEL, MAKEWPARAM(0, 120));  // one notch up at the top
  EXPECT_EQ(p.ui().panel.scroll_offset, 0);
  p.send(WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(-120)));
  EXPECT_EQ(p.ui().panel.scroll_offset, 52);
  p.send(WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(-60)));  // half a notch rounds toward zero
  EXPECT_EQ(p.ui().panel.scroll_offset, 52);
  p.send(WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(-600)));
  EXPECT_EQ(p.ui().panel.scroll_offset, 100);
}

TEST(UiPanelWindow, DraggingTheFirstMetricBelowTheListMovesItToTheEnd) {
  InProcessPanel p(Settings{});
  p.ui().drag_row_height = 52;
  p.send(WM_LBUTTONUP, 0, MAKELPARAM(5, 2000));  // without a drag the release moves nothing
  EXPECT_EQ(p.ui().settings.main_metrics, Settings::default_main_metrics());
  EXPECT_EQ(p.saved(), "");
  p.ui().dragging = true;
  p.ui().drag_index = 0;
  p.ui().drag_list_top = 100;
  p.ui().drag_row_height = 52;
  p.send(WM_LBUTTONUP, 0, MAKELPARAM(10, 2000));
  EXPECT_FALSE(p.ui().dragging);
  EXPECT_EQ(p.ui().settings.main_metrics.back().name, "cpu");
  EXPECT_EQ(p.ui().settings.main_metrics.front().name, "ram");
  EXPECT_NE(p.saved().find("main_metrics=ram,gpu,fps,disk,net,audio,cpu\n"), std::string::npos) << p.saved();
}

TEST(UiPanelWindow, SizesInBothModes) {
  Settings s;
  s.mcp_enabled = false;
  InProcessPanel p(s);
  MINMAXINFO info{};
  p.send(WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&info));
  EXPECT_EQ(info.ptMinTrackSize.x, 300);
  EXPECT_EQ(info.ptMinTrackSize.y, 340);
  // Pop-up: 336 x (12 + 144 + 42 + 7 * 52) of client area, plus the one-pixel border.
  Size popup = panel_size(p.ui(), p.hwnd());
  EXPECT_EQ(popup.width, 336 + 2);
  EXPECT_EQ(popup.height, 12 + 144 + 42 + 7 * 52 + 2);
  p.ui().settings.pinned = true;
  p.ui().settings.win_w = 100;  // too small to be a real size: the content decides
  p.ui().settings.win_h = 500;
  EXPECT_EQ(panel_size(p.ui(), p.hwnd()), popup);
  p.ui().settings.win_w = 420;
  EXPECT_EQ(panel_size(p.ui(), p.hwnd()), (Size{420, 500}));
}

TEST(UiPanelWindow, BalloonClickOpensTheMessagesPageWithTheNewestExpanded) {
  InProcessPanel p(Settings{});
  p.queue("hello", true);
  p.send(kWmNotifyQueued);
  p.ui().panel.expanded_messages = {3, 4};
  p.send(kWmTray, 0, NIN_BALLOONUSERCLICK);
  EXPECT_TRUE(IsWindowVisible(p.hwnd()));
  EXPECT_EQ(p.ui().panel.page, Page::kMessages);
  EXPECT_EQ(p.ui().panel.expanded_messages, (std::set<size_t>{0}));
  EXPECT_EQ(p.ui().pending_page, std::nullopt);
  p.ui().panel.page = Page::kOverview;
  p.send(kWmTray, 0, NIN_BALLOONUSERCLICK);  // nothing pending: the page stays
  EXPECT_EQ(p.ui().panel.page, Page::kOverview);
}

}  // namespace
}  // namespace qv::test

namespace qv::test {
namespace {

TEST(UiPanelWindow, PausedDetailKeepsItsListAndCoresUntilTheNextVisit) {
  InProcessPanel p(Settings{});
  const auto publish = [&](const Snapshot& s) {
    {
      std::lock_guard<std::mutex> lock(p.ui().shared->snapshot_mutex);
      p.ui().shared->snapshot = s;
    }
    p.send(kWmSample);
    UpdateWindow(p.hwnd());  // the repaint it asked for, now
  };
  Snapshot before;
  before.per_core_pct = {10, 90};
  before.processes = {ProcessSample{"first.exe", 0, 0, 0, 0, 1, 5.0f, 0, 0}};
  Snapshot after;
  after.per_core_pct = {80, 20};
  after.processes = {ProcessSample{"second.exe", 0, 0, 0, 0, 2, 7.0f, 0, 0}};
  const auto first_rows = std::vector<AppRow>{{"first.exe", {1}}};
  const Rgb accent = rgb(0x4FA3FF);
  // What is on the screen, once this thread has let the window system show its last paint.
  const auto screen_at = [&](int x, int y) {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
    return capture_client(p.hwnd()).at(x, y);
  };

  publish(before);
  show_panel(p.ui(), p.hwnd());
  navigate(p.ui(), p.hwnd(), Page::kMetricDetail, 0);
  UpdateWindow(p.hwnd());
  ASSERT_EQ(p.ui().panel.app_rows, first_rows);
  const HitRegion pause = p.ui().panel.hit_regions.at(0);
  ASSERT_EQ(pause.action.kind, ActionKind::kTogglePause);
  p.send(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(pause.left + 2, pause.top + 2));
  UpdateWindow(p.hwnd());
  ASSERT_TRUE(p.ui().panel.paused);

  publish(after);
  publish(after);
  EXPECT_EQ(p.ui().snapshot_copy, after);
  EXPECT_EQ(p.ui().panel.app_rows, first_rows) << "two samples later the list is the frozen one";
  // Core 0's meter (below "Paused" and the heading, from y = 126): 10 % of 153 pixels filled, not 80 %.
  EXPECT_TRUE(eventually([&] { return screen_at(40, 128) == current_theme().track; }, 3000));
  EXPECT_EQ(screen_at(20, 128), accent);

  navigate(p.ui(), p.hwnd(), Page::kOverview, 0);
  navigate(p.ui(), p.hwnd(), Page::kMetricDetail, 0);
  UpdateWindow(p.hwnd());
  EXPECT_FALSE(p.ui().panel.paused);
  EXPECT_EQ(p.ui().panel.app_rows, (std::vector<AppRow>{{"second.exe", {2}}})) << "live again";
  EXPECT_TRUE(eventually([&] { return screen_at(40, 112) == accent; }, 3000))
      << "core 0 at 80 %, its meter now right under the heading";
}

}  // namespace
}  // namespace qv::test
