// The panel window's handler in this process: a real window whose procedure is the program's,
// with UiState built as start-up builds it and the shell replaced by a recorder. Covers what the
// running program does not show from outside: the message list, pending pages, display series,
// Escape by page, the wheel, metric drags and the pop-up's size.
#include <windows.h>
#include <dbt.h>
#include <oleacc.h>

#include <gtest/gtest.h>

#include <atomic>
#include <optional>
#include <string>
#include <vector>

#include "config/settings_file_win.h"
#include "core/messages.h"
#include "core/shared_state.h"
#include "ui/access/accessible_win.h"
#include "ui/gdi/scale.h"
#include "ui/panel/alert_editor/alert_editor.h"
#include "ui/panel/frame/panel_actions_win.h"
#include "ui/panel/frame/panel_show_win.h"
#include "ui/panel/kit/panel_widgets_win.h"
#include "ui/panel/frame/panel_window_win.h"
#include "ui/panel/frame/ui_state_win.h"
#include "util/wide_win.h"
#include "access_support_win.h"
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
  ASSERT_EQ(p.balloon_titles.size(), 13u);  // every entry gets its balloon, in queue order
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
  p.ui().panel.page = Page::kMetricDetail;
  perform_panel_action(p.ui(), p.hwnd(), Action{ActionKind::kTogglePause});
  ASSERT_TRUE(p.ui().panel.paused && p.ui().panel.frozen_snapshot);
  const Snapshot paused_on = s;
  p.ui().panel.selected_app = "a.exe";
  s.drives.push_back(DriveInfo{'D', 100, 50});
  s.drives.push_back(DriveInfo{'E', 100, 50});
  {
    std::lock_guard<std::mutex> lock(p.ui().shared->snapshot_mutex);
    p.ui().shared->snapshot = s;
  }
  p.send(kWmSample);
  EXPECT_EQ(p.ui().snapshot_copy, s);
  EXPECT_EQ(p.ui().panel.frozen_snapshot, std::optional<Snapshot>(paused_on)) << "a paused page keeps its sample";
  EXPECT_EQ(p.ui().app_series.cpu.count, 1u);
  EXPECT_EQ(p.ui().app_series.cpu.series_max(), 5.0f);
  RECT three{};
  GetWindowRect(p.hwnd(), &three);
  EXPECT_EQ((three.bottom - three.top) - (one.bottom - one.top), 2 * px(42, 1.0f));  // the pop-up follows its drives
  EXPECT_EQ(three.top, one.top);  // resized without moving
  EXPECT_EQ(p.ui().tray.icons_drawn, 2u);  // CPU and RAM pictures, drawn once for unchanged values
}

TEST(UiPanelWindow, AVolumeThatComesOrGoesHasTheDriveLettersReadAgain) {
  InProcessPanel p(Settings{});
  std::atomic<bool>& changed = p.ui().shared->drives_changed;
  // As the system announces drive E: coming and going. Wine's SendMessageW does not hand this
  // message to a window of the sending thread, so the procedure is called as the system would.
  auto announce = [&](WPARAM event, LPARAM l) { return panel_window_proc(p.hwnd(), WM_DEVICECHANGE, event, l); };
  DEV_BROADCAST_VOLUME volume{};
  volume.dbcv_size = sizeof volume;
  volume.dbcv_devicetype = DBT_DEVTYP_VOLUME;
  volume.dbcv_unitmask = 1u << ('E' - 'A');
  const LPARAM l = reinterpret_cast<LPARAM>(&volume);
  EXPECT_NE(announce(DBT_DEVICEQUERYREMOVE, l), BROADCAST_QUERY_DENY) << "a removal is never refused";
  EXPECT_FALSE(changed.load()) << "asking to remove moves no drive";
  announce(DBT_DEVICEARRIVAL, l);
  EXPECT_TRUE(changed.exchange(false));
  announce(DBT_DEVICEREMOVECOMPLETE, l);
  EXPECT_TRUE(changed.load());
}

// (A hidden panel is no longer invalidated by a sample; Wine keeps no update region for a hidden
// window either way, so that half is seen only in the idle-tick bench.)
TEST(UiPanelWindow, ASampleRepaintsTheShownPanel) {
  InProcessPanel p(Settings{});
  ShowWindow(p.hwnd(), SW_SHOWNOACTIVATE);
  p.ui().visible = true;
  p.send(kWmSample);  // the first sample also fits the pop-up to its content, which repaints it
  ValidateRect(p.hwnd(), nullptr);
  p.send(kWmSample);
  EXPECT_TRUE(GetUpdateRect(p.hwnd(), nullptr, FALSE));
  ShowWindow(p.hwnd(), SW_HIDE);
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

// What the program's message loop does between messages.
void pump_messages() {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_QUIT) continue;
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
}

InProcessPanel* g_menu_panel = nullptr;

// While the tray menu runs its own loop, a notification is queued and announced; only then is the
// menu dismissed.
void CALLBACK dismiss_menu(HWND, UINT, UINT_PTR id, DWORD) {
  KillTimer(nullptr, id);
  EndMenu();
}
void CALLBACK notify_during_menu(HWND, UINT, UINT_PTR id, DWORD) {
  KillTimer(nullptr, id);
  g_menu_panel->queue("during the menu", true);
  PostMessageW(g_menu_panel->hwnd(), kWmNotifyQueued, 0, 0);
  SetTimer(nullptr, 0, 300, &dismiss_menu);
}

TEST(UiPanelWindow, ANotificationQueuedWhileTheTrayMenuIsOpenIsShownAfterItCloses) {
  InProcessPanel p(Settings{});
  g_menu_panel = &p;
  SetTimer(nullptr, 0, 100, &notify_during_menu);
  p.send(kWmTray, 0, WM_RBUTTONUP);  // returns once the menu is closed
  pump_messages();
  g_menu_panel = nullptr;
  EXPECT_EQ(p.balloon_titles, (std::vector<std::string>{"during the menu"}));
  ASSERT_EQ(p.ui().messages.size(), 1u);
  EXPECT_EQ(p.ui().messages.front().title, "during the menu");
  std::lock_guard<std::mutex> lock(p.ui().shared->notifications_mutex);
  EXPECT_TRUE(p.ui().shared->notifications.empty());
}

// The close-app question and the app picker run their own loops as the tray menu does: a
// notification queued meanwhile is shown at once, not left in the queue after they close.
void CALLBACK notify_then_answer_no(HWND, UINT, UINT_PTR id, DWORD) {
  KillTimer(nullptr, id);
  g_menu_panel->queue("during the question", true);
  SendMessageW(g_menu_panel->hwnd(), kWmNotifyQueued, 0, 0);
  if (HWND box = find_window(GetCurrentProcessId(), L"#32770", 0)) PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDNO, BN_CLICKED), 0);
}
void CALLBACK notify_then_dismiss_menu(HWND, UINT, UINT_PTR id, DWORD) {
  KillTimer(nullptr, id);
  g_menu_panel->queue("during the picker", true);
  SendMessageW(g_menu_panel->hwnd(), kWmNotifyQueued, 0, 0);
  EndMenu();
}

TEST(UiPanelWindow, NotificationsAreShownWhileTheCloseQuestionOrTheAppPickerIsOpen) {
  struct Case {
    Page page;
    ActionKind kind;
    TIMERPROC during;
    const char* title;
  };
  for (const Case& c : {Case{Page::kAppDetail, ActionKind::kCloseSelectedApp, &notify_then_answer_no, "during the question"},
                        Case{Page::kAlertEditor, ActionKind::kAlertAppPicker, &notify_then_dismiss_menu, "during the picker"}}) {
    InProcessPanel p(Settings{});
    g_menu_panel = &p;
    ProcessSample gone{"gone.exe"};
    gone.pid = 0xFFFFFFF0u;  // no such process: even a Yes would end nothing
    p.ui().snapshot_copy.processes = {gone};
    p.ui().panel.page = c.page;
    p.ui().panel.selected_app = "gone.exe";
    HitRegion r;
    r.right = r.bottom = 50;
    r.action.kind = c.kind;
    p.ui().panel.hit_regions = {r};
    SetTimer(nullptr, 0, 300, c.during);
    p.send(WM_LBUTTONDOWN, 0, MAKELPARAM(10, 10));  // returns once the box or menu is closed
    g_menu_panel = nullptr;
    EXPECT_EQ(p.balloon_titles, (std::vector<std::string>{c.title}));
    std::lock_guard<std::mutex> lock(p.ui().shared->notifications_mutex);
    EXPECT_TRUE(p.ui().shared->notifications.empty()) << c.title;
  }
}

TEST(UiPanelWindow, TheAppPickersChoiceFillsTheAppField) {
  InProcessPanel p(Settings{});
  g_menu_panel = &p;
  p.ui().panel.page = Page::kAlertEditor;
  set_field_text(p.ui().field(TextField::kFilter), "typed");
  p.ui().pending_picker = {"chrome.exe"};
  // The menu's loop takes the keys of its thread: the first item is chosen once the menu is up.
  SetTimer(nullptr, 0, 300, [](HWND, UINT, UINT_PTR id, DWORD) {
    KillTimer(nullptr, id);
    PostMessageW(g_menu_panel->hwnd(), WM_KEYDOWN, VK_DOWN, 0);
    PostMessageW(g_menu_panel->hwnd(), WM_KEYDOWN, VK_RETURN, 0);
  });
  p.ui().after_message = AfterMessage::kAppPicker;
  p.send(WM_NULL);  // the deferred work runs once this message has returned
  g_menu_panel = nullptr;
  EXPECT_EQ(get_field_text(p.ui().field(TextField::kFilter)), "chrome.exe");
}

// Each field is handed the new font while the font it holds still exists.
WNDPROC g_edit_proc = nullptr;
std::vector<bool> g_font_alive_at_swap;
LRESULT CALLBACK record_font_swap(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam) {
  if (msg == WM_SETFONT) {
    const auto held = reinterpret_cast<HGDIOBJ>(CallWindowProcW(g_edit_proc, hwnd, WM_GETFONT, 0, 0));
    g_font_alive_at_swap.push_back(GetObjectType(held) == OBJ_FONT);
  }
  return CallWindowProcW(g_edit_proc, hwnd, msg, wparam, lparam);
}

TEST(UiPanelWindow, NewTextSizeGivesTheFieldsTheirNewFontBeforeTheOldOneGoes) {
  InProcessPanel p(Settings{});
  g_font_alive_at_swap.clear();
  for (HWND field : p.ui().fields) {
    g_edit_proc = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(field, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&record_font_swap)));
  }
  p.ui().settings.text_size = 3;
  rebuild_fonts(p.ui());
  EXPECT_EQ(g_font_alive_at_swap, std::vector<bool>(kTextFieldCount, true));
  for (HWND field : p.ui().fields) SetWindowLongPtrW(field, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(g_edit_proc));
}

const HitRegion* region_of(const std::vector<HitRegion>& regions, ActionKind kind) {
  for (const HitRegion& r : regions)
    if (r.action.kind == kind) return &r;
  return nullptr;
}

TEST(UiPanelWindow, TwoClicksOnASearchRowBeforeARepaintStillLeadBackToTheOverview) {
  InProcessPanel p(Settings{});
  Snapshot s;
  s.processes = {ProcessSample{"alpha.exe", 0, 10, 0, 0, 7, 5.0f, 0, 0}};
  p.ui().snapshot_copy = s;
  show_panel(p.ui(), p.hwnd());
  set_field_text(p.ui().field(TextField::kFilter), "alpha");
  ASSERT_EQ(p.ui().panel.filter_text, "alpha");
  UpdateWindow(p.hwnd());  // paints the search results and their regions
  const HitRegion* row = region_of(p.ui().panel.hit_regions, ActionKind::kOpenAppRow);
  ASSERT_NE(row, nullptr);
  const LPARAM at = MAKELPARAM((row->left + row->right) / 2, (row->top + row->bottom) / 2);
  p.send(WM_LBUTTONDOWN, MK_LBUTTON, at);
  p.send(WM_LBUTTONDOWN, MK_LBUTTON, at);  // no paint in between: the old rows must not act again
  EXPECT_EQ(p.ui().panel.page, Page::kAppDetail);
  EXPECT_EQ(p.ui().panel.return_page, Page::kOverview);
  p.send(WM_KEYDOWN, VK_ESCAPE);
  EXPECT_EQ(p.ui().panel.page, Page::kOverview);
  EXPECT_EQ(p.ui().panel.filter_text, "alpha");  // the search comes back with it
}

TEST(UiPanelWindow, APinnedPanelMinimisedAndRestoredByTheTrayKeepsItsPosition) {
  Settings s;
  s.win_x = 200;
  s.win_y = 150;
  s.win_pos_set = true;
  s.win_w = 400;
  s.win_h = 500;
  InProcessPanel p(s);
  set_pinned(p.ui(), p.hwnd(), true);
  RECT before{};
  GetWindowRect(p.hwnd(), &before);
  ASSERT_EQ(before.left, 200);
  ShowWindow(p.hwnd(), SW_MINIMIZE);
  ASSERT_TRUE(IsIconic(p.hwnd()));
  p.send(kWmTray, 0, WM_LBUTTONUP);  // restored through the tray
  EXPECT_FALSE(IsIconic(p.hwnd()));
  p.send(WM_CLOSE);
  const std::string saved = p.saved();
  EXPECT_NE(saved.find("win_x=200\n"), std::string::npos) << saved;
  EXPECT_NE(saved.find("win_y=150\n"), std::string::npos) << saved;
}

// A smaller screen for one test: the work area of a 1280 x 800 desktop with a 30-pixel taskbar.
class ScopedWorkArea {
 public:
  explicit ScopedWorkArea(RECT area) {
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &saved_, 0);
    SystemParametersInfoW(SPI_SETWORKAREA, 0, &area, 0);
  }
  ~ScopedWorkArea() { SystemParametersInfoW(SPI_SETWORKAREA, 0, &saved_, 0); }

 private:
  RECT saved_{};
};

void publish(InProcessPanel& p, const Snapshot& s) {
  {
    std::lock_guard<std::mutex> lock(p.ui().shared->snapshot_mutex);
    p.ui().shared->snapshot = s;
  }
  p.send(kWmSample);
}

// Rows of the column at x whose pixel has this colour, top first.
std::vector<int> rows_of(const ScreenShot& shot, int x, Rgb colour) {
  std::vector<int> rows;
  for (int y = 0; y < shot.h; ++y)
    if (shot.at(x, y) == colour) rows.push_back(y);
  return rows;
}

TEST(UiPanelWindow, ThePopupAtLargerTextStaysInsideASmallWorkAreaAndScrollsToItsLastDrive) {
  ScopedWorkArea small(RECT{0, 0, 1280, 770});
  RECT work{};
  SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
  ASSERT_EQ(work.bottom, 770);
  Settings settings;
  settings.text_size = 3;  // "larger": 1.3
  InProcessPanel p(settings);
  p.ui().ui_scale = 1.3f;
  delete_font_set(p.ui().fonts);
  p.ui().fonts = create_font_set(1.3f);
  SetCursorPos(640, 700);
  Snapshot s;
  s.drives = {DriveInfo{'C', 100, 10}};
  publish(p, s);
  show_panel(p.ui(), p.hwnd());
  s.drives = {DriveInfo{'C', 100, 10}, DriveInfo{'D', 100, 10}, DriveInfo{'E', 100, 10}, DriveInfo{'F', 100, 10}};
  publish(p, s);  // the first samples bring more drives: the pop-up grows
  RECT r{};
  GetWindowRect(p.hwnd(), &r);
  EXPECT_GE(r.top, 8);
  EXPECT_LE(r.bottom, 762);
  EXPECT_EQ(r.bottom - r.top, 754);  // the work area's height less the margins

  // The content needs a client area 925 pixels high; the overview scrolls the rest with the wheel.
  UpdateWindow(p.hwnd());
  ASSERT_GT(p.ui().panel.scroll_max, 0);
  const int meter_x = 15 + 2;  // inside the meters' filled part, left of every card's text
  const Rgb disk = rgb(0xA78BFA);
  // The screen shows a paint once the window's surface is flushed, which happens while the
  // thread handles its messages: handle them while waiting for the meters to appear.
  std::vector<int> before;
  eventually(
      [&] {
        pump_messages();
        return !(before = rows_of(capture_client(p.hwnd()), meter_x, disk)).empty();
      },
      3000);
  p.send(WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(-120 * 20)));
  EXPECT_EQ(p.ui().panel.scroll_offset, p.ui().panel.scroll_max);
  InvalidateRect(p.hwnd(), nullptr, FALSE);
  UpdateWindow(p.hwnd());
  ScreenShot after_shot;
  std::vector<int> after;
  eventually(
      [&] {
        pump_messages();
        after_shot = capture_client(p.hwnd());
        after = rows_of(after_shot, meter_x, disk);
        return after.size() == 40u;
      },
      3000);
  // Four meters of 10 pixels: before scrolling the last is cut off, afterwards it is whole and
  // ends 15 pixels above the list's bottom (752 - 15 - a banner band of 38 = 699).
  EXPECT_LT(before.size(), 40u);
  std::string rows;
  for (int y : after) rows += std::to_string(y) + " ";
  ASSERT_EQ(after.size(), 40u) << rows << "| before " << before.size() << " offset " << p.ui().panel.scroll_offset;
  ASSERT_EQ(after_shot.h, 752);
  EXPECT_EQ(after.back(), 699 - 15 - 1);
}

// Shown on any page, the panel itself has the keys (Escape reaches it, Tab starts at the page's
// first piece); a letter typed on a page with a search goes on into its field, a space does not.
TEST(UiPanelWindow, ShowingThePanelKeepsTheKeysAndALetterStartsTheSearch) {
  InProcessPanel p(Settings{});
  for (const Page page : {Page::kSettingsHome, Page::kOverview, Page::kMetricDetail}) {
    p.ui().panel.page = page;
    show_panel(p.ui(), p.hwnd());
    UpdateWindow(p.hwnd());
    EXPECT_EQ(GetFocus(), p.hwnd()) << static_cast<int>(page);
    hide_panel(p.ui(), p.hwnd());
  }
  p.ui().panel.page = Page::kSettingsHome;
  show_panel(p.ui(), p.hwnd());
  UpdateWindow(p.hwnd());
  p.send(WM_CHAR, 'c');
  EXPECT_EQ(GetFocus(), p.hwnd()) << "no search on the settings home";

  navigate(p.ui(), p.hwnd(), Page::kOverview, 0);
  UpdateWindow(p.hwnd());
  EXPECT_EQ(GetFocus(), p.hwnd());
  p.send(WM_CHAR, ' ');
  EXPECT_EQ(GetFocus(), p.hwnd()) << "a space presses the focused piece, it starts no search";
  p.send(WM_CHAR, 'c');
  pump_messages();
  ASSERT_EQ(GetFocus(), p.ui().field(TextField::kFilter));
  EXPECT_EQ(p.ui().panel.filter_text, "c") << "the search sees the first letter";
  // The field has the focus now: the keyboard sends the next letters there.
  for (const wchar_t ch : {L'o', L'd'}) SendMessageW(p.ui().field(TextField::kFilter), WM_CHAR, ch, 1);
  pump_messages();
  EXPECT_EQ(get_field_text(p.ui().field(TextField::kFilter)), "cod");
  EXPECT_EQ(p.ui().panel.filter_text, "cod") << "the search sees every letter, the first too";
}

// A re-layout of the alert editor (here: a new size, as a banner, a drive or a DPI change brings)
// leaves the focus in the field the user is typing in.
TEST(UiPanelWindow, TheAlertEditorKeepsTheFocusedFieldAcrossARelayout) {
  InProcessPanel p(Settings{});
  p.ui().panel.page = Page::kAlertEditor;
  p.ui().panel.alert_editor.metric = kAppTile;  // all three of the editor's fields
  p.ui().panel.alert_editor.delivery = 2;
  show_panel(p.ui(), p.hwnd());
  UpdateWindow(p.hwnd());
  for (const TextField f : {TextField::kAlertThreshold, TextField::kAlertLogFile, TextField::kFilter}) {
    SetFocus(p.ui().field(f));
    SetWindowPos(p.hwnd(), nullptr, 0, 0, 400, 700 + 10 * control_id(f), SWP_NOMOVE | SWP_NOZORDER);
    RedrawWindow(p.hwnd(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    EXPECT_EQ(GetFocus(), p.ui().field(f)) << "field " << control_id(f);
    EXPECT_TRUE(IsWindowVisible(p.ui().field(f)));
  }
}

// The fields hand Enter and Tab to the panel: Tab moves on in the editor, Enter adds the request.
TEST(UiPanelWindow, TabMovesBetweenTheEditorsFieldsAndEnterAddsTheRequest) {
  InProcessPanel p(Settings{});
  p.ui().panel.page = Page::kAlertEditor;
  p.ui().panel.alert_editor.metric = kAppTile;
  show_panel(p.ui(), p.hwnd());
  UpdateWindow(p.hwnd());
  SetFocus(p.ui().field(TextField::kFilter));
  SendMessageW(p.ui().field(TextField::kFilter), WM_KEYDOWN, VK_TAB, 0);
  // The page's focus order runs through its pieces, fields and pieces alike: the app picker
  // beside the app field is next, and six more presses reach the threshold field.
  EXPECT_EQ(GetFocus(), p.hwnd());
  for (int i = 0; i < 6; ++i) p.send(WM_KEYDOWN, VK_TAB);
  EXPECT_EQ(GetFocus(), p.ui().field(TextField::kAlertThreshold));

  p.ui().panel.page = Page::kSettingsSection;
  p.ui().panel.sub_page = 1;
  set_field_text(p.ui().field(TextField::kRequest), "Tell me when the build is green");
  SetFocus(p.ui().field(TextField::kRequest));
  SendMessageW(p.ui().field(TextField::kRequest), WM_KEYDOWN, VK_RETURN, 0);
  ASSERT_EQ(p.ui().settings.notify_rules.size(), 1u);
  EXPECT_EQ(p.ui().settings.notify_rules[0].text, "Tell me when the build is green");
}

TEST(UiPanelWindow, TheTrayMenusSettingsFromAppDetailKeepsTheParkedSearch) {
  InProcessPanel p(Settings{});
  p.ui().panel.page = Page::kAppDetail;
  p.ui().panel.selected_app = "alpha.exe";
  p.ui().panel.stashed_filter_text = "Alpha";  // the overview's search, parked while app detail filters
  carry_out_tray_choice(p.ui(), p.hwnd(), TrayMenuChoice::kSettings, false);
  EXPECT_EQ(p.ui().panel.page, Page::kSettingsHome);
  EXPECT_TRUE(IsWindowVisible(p.hwnd()));
  EXPECT_EQ(get_field_text(p.ui().field(TextField::kFilter)), "Alpha");
  p.send(WM_KEYDOWN, VK_ESCAPE);
  EXPECT_EQ(p.ui().panel.page, Page::kOverview);
  EXPECT_EQ(p.ui().panel.filter_text, "alpha");  // the search is back on the overview
}

TEST(UiPanelWindow, AMetricDragThatLosesTheMouseEndsWithoutADrop) {
  InProcessPanel p(Settings{});
  p.ui().drag_list_top = 100;
  p.ui().drag_row_height = 52;
  perform_panel_action(p.ui(), p.hwnd(), make_action(ActionKind::kDragMainMetric, 0));
  ASSERT_TRUE(p.ui().dragging);
  ASSERT_EQ(GetCapture(), p.hwnd());
  ReleaseCapture();  // the capture goes elsewhere, as when another window takes the mouse
  EXPECT_FALSE(p.ui().dragging);
  p.send(WM_LBUTTONUP, 0, MAKELPARAM(10, 2000));
  EXPECT_EQ(p.ui().settings.main_metrics, Settings::default_main_metrics());
  EXPECT_EQ(p.saved(), "");
}

TEST(UiPanelWindow, TheSearchFieldKeepsItsOwnCursorInPopupMode) {
  InProcessPanel p(Settings{});
  const HCURSOR move = LoadCursorW(nullptr, IDC_SIZEALL);
  SetCursor(nullptr);
  // About the child field: the panel leaves it to the field's own cursor.
  p.send(WM_SETCURSOR, reinterpret_cast<WPARAM>(p.ui().field(TextField::kFilter)), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
  EXPECT_NE(GetCursor(), move);
  EXPECT_EQ(GetCursor(), LoadCursorW(nullptr, IDC_IBEAM));
  // About the panel's own body, away from any region: the pop-up can be dragged.
  EXPECT_EQ(p.send(WM_SETCURSOR, reinterpret_cast<WPARAM>(p.hwnd()), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE)), TRUE);
  EXPECT_EQ(GetCursor(), move);
}

TEST(UiPanelWindow, SwitchingTheAiLinkRefitsThePopup) {
  InProcessPanel p(Settings{});  // the link is on: one banner row is kept
  SetCursorPos(640, 500);
  show_panel(p.ui(), p.hwnd());
  RECT on{};
  GetWindowRect(p.hwnd(), &on);
  perform_panel_action(p.ui(), p.hwnd(), make_action(ActionKind::kToggleMcp));
  RECT off{};
  GetWindowRect(p.hwnd(), &off);
  EXPECT_EQ((on.bottom - on.top) - (off.bottom - off.top), 30);  // no empty banner strip left
  perform_panel_action(p.ui(), p.hwnd(), make_action(ActionKind::kToggleMcp));
  RECT again{};
  GetWindowRect(p.hwnd(), &again);
  EXPECT_EQ(again.bottom - again.top, on.bottom - on.top);  // and back, room for the banner again
}

int body_font_height(HFONT font) {
  LOGFONTW lf{};
  GetObjectW(font, sizeof lf, &lf);
  return lf.lfHeight;
}

TEST(UiPanelWindow, APinnedFrameIsMeasuredAtTheWindowsDpi) {
  Settings s;
  s.mcp_enabled = false;
  InProcessPanel p(s);
  set_pinned(p.ui(), p.hwnd(), true);  // never resized: the content decides the size
  const Size at96 = panel_size(p.ui(), p.hwnd());
  p.ui().dpi = 192;  // the same content, on a monitor of twice the density
  const Size at192 = panel_size(p.ui(), p.hwnd());
  // Client 336 x 562 either way (the scale is not changed here); only the frame differs.
  EXPECT_GT(at192.height - 562, at96.height - 562);
  EXPECT_GT(at192.width - 336, at96.width - 336);
}

TEST(UiPanelWindow, TheDpiOfANewMonitorRenewsFontsAndSize) {
  Settings s;
  s.mcp_enabled = false;
  InProcessPanel p(s);
  SetCursorPos(640, 900);
  show_panel(p.ui(), p.hwnd());
  EXPECT_EQ(body_font_height(p.ui().fonts.body), -14);
  RECT suggested{10, 10, 600, 900};  // for a pop-up the content decides, not this
  p.send(WM_DPICHANGED, MAKEWPARAM(144, 144), reinterpret_cast<LPARAM>(&suggested));
  EXPECT_EQ(p.ui().dpi, 144u);
  EXPECT_FLOAT_EQ(p.ui().ui_scale, 1.5f);
  EXPECT_EQ(body_font_height(p.ui().fonts.body), -21);
  EXPECT_EQ(reinterpret_cast<HFONT>(SendMessageW(p.ui().field(TextField::kFilter), WM_GETFONT, 0, 0)), p.ui().fonts.body);
  RECT client{};
  GetClientRect(p.hwnd(), &client);
  EXPECT_EQ(client.right, 504);  // 336 at 150 %
  EXPECT_EQ(client.bottom, 18 + 216 + 63 + 7 * 78);
  RECT r{};
  GetWindowRect(p.hwnd(), &r);
  RECT work{};
  SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
  EXPECT_LE(r.bottom, work.bottom);  // grown upwards, inside the work area

  // A pinned panel takes the rectangle the system suggests for the new monitor.
  p.send(WM_DPICHANGED, MAKEWPARAM(96, 96), reinterpret_cast<LPARAM>(&suggested));
  set_pinned(p.ui(), p.hwnd(), true);
  RECT pinned_to{100, 80, 560, 700};
  p.send(WM_DPICHANGED, MAKEWPARAM(192, 192), reinterpret_cast<LPARAM>(&pinned_to));
  GetWindowRect(p.hwnd(), &r);
  EXPECT_EQ(r.left, 100);
  EXPECT_EQ(r.top, 80);
  EXPECT_EQ(r.right, 560);
  EXPECT_EQ(r.bottom, 700);
  EXPECT_EQ(body_font_height(p.ui().fonts.body), -28);
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

// The panel's accessible object, read in this process as a reader in another one reads it.
class PanelObject {
 public:
  explicit PanelObject(HWND panel) {
    AccessibleObjectFromWindow(panel, static_cast<DWORD>(OBJID_CLIENT), kIidAccessible, reinterpret_cast<void**>(&acc_));
  }
  PanelObject(const PanelObject&) = delete;
  PanelObject& operator=(const PanelObject&) = delete;
  ~PanelObject() {
    if (acc_) acc_->Release();
  }
  bool ok() const { return acc_ != nullptr; }
  std::wstring name(long id) const {
    BSTR text = nullptr;
    acc_->get_accName(child(id), &text);
    return take(text);
  }
  // The first child whose name starts with `prefix`; 0 when none does.
  long named(const std::wstring& prefix) const {
    long count = 0;
    acc_->get_accChildCount(&count);
    for (long i = 1; i <= count; ++i) {
      if (name(i).rfind(prefix, 0) == 0) return i;
    }
    return 0;
  }
  long focused() const {
    VARIANT v;
    VariantInit(&v);
    return acc_->get_accFocus(&v) == S_OK && v.vt == VT_I4 ? v.lVal : 0;
  }
  bool offscreen(long id) const {
    VARIANT v;
    VariantInit(&v);
    return acc_->get_accState(child(id), &v) == S_OK && (v.lVal & STATE_SYSTEM_OFFSCREEN) != 0;
  }
  void child_count(long* count) const { acc_->get_accChildCount(count); }
  bool focusable(long id) const {
    VARIANT v;
    VariantInit(&v);
    return acc_->get_accState(child(id), &v) == S_OK && (v.lVal & STATE_SYSTEM_FOCUSABLE) != 0 &&
           (v.lVal & STATE_SYSTEM_UNAVAILABLE) == 0;
  }
  void location(long id, long* x, long* y, long* w, long* h) const { acc_->accLocation(x, y, w, h, child(id)); }
  long height(long id) const {
    long x = 0, y = 0, w = 0, h = -1;
    acc_->accLocation(&x, &y, &w, &h, child(id));
    return h;
  }

 private:
  IAccessible* acc_ = nullptr;
};

struct ComApartment {
  ComApartment() { EXPECT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))); }
  ~ComApartment() { CoUninitialize(); }
};

// A key as the keyboard sends it: to the window with the focus (the panel or one of its fields),
// then the paint it asked for, so that the next key meets the page as it now stands.
void press(InProcessPanel& p, WPARAM key) {
  HWND to = GetFocus();
  SendMessageW(to ? to : p.hwnd(), WM_KEYDOWN, key, 1);
  UpdateWindow(p.hwnd());
}
void type_keys(InProcessPanel& p, const std::wstring& text) {
  for (const wchar_t ch : text) SendMessageW(GetFocus(), WM_CHAR, ch, 1);
  pump_messages();
  UpdateWindow(p.hwnd());
}

// The memory page of forty apps in a short pop-up: rows out of view are children marked
// offscreen without a size, End brings the last row in and Home the first back.
TEST(PanelKeys, FocusMovedToARowScrolledOutOfTheListScrollsItIn) {
  ComApartment com;
  InProcessPanel p(Settings{});
  for (uint32_t i = 0; i < 40; ++i) {
    ProcessSample s{std::string(i < 10 ? "app0" : "app") + std::to_string(i) + ".exe"};
    s.pid = 1000 + i;
    s.ram_bytes = static_cast<uint64_t>(100 - i) << 20;
    p.ui().snapshot_copy.processes.push_back(s);
  }
  show_panel(p.ui(), p.hwnd());
  navigate(p.ui(), p.hwnd(), Page::kMetricDetail, 1);
  SetWindowPos(p.hwnd(), nullptr, 0, 0, 336, 360, SWP_NOMOVE | SWP_NOZORDER);
  RedrawWindow(p.hwnd(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
  ASSERT_GT(p.ui().panel.scroll_max, 0);
  PanelObject o(p.hwnd());
  ASSERT_TRUE(o.ok());
  const long first = o.named(L"app00.exe");
  const long last = o.named(L"app39.exe");
  ASSERT_NE(first, 0);
  ASSERT_NE(last, 0) << "a row scrolled out of view is still a child";
  EXPECT_FALSE(o.offscreen(first));
  EXPECT_TRUE(o.offscreen(last));
  EXPECT_EQ(o.height(last), 0);

  for (int i = 0; i < 8 && o.focused() != first; ++i) press(p, VK_TAB);
  ASSERT_EQ(o.focused(), first) << "Tab reaches the first row";
  press(p, VK_END);
  EXPECT_EQ(o.focused(), last);
  EXPECT_GT(p.ui().panel.scroll_offset, 0);
  EXPECT_FALSE(o.offscreen(last));
  EXPECT_EQ(o.height(last), 24) << "the whole row in view";
  EXPECT_TRUE(o.offscreen(first));
  press(p, VK_HOME);
  EXPECT_EQ(o.focused(), first);
  EXPECT_EQ(p.ui().panel.scroll_offset, 0);
}

// Rows of the metric list are drawn while they start px(20) above the bottom; the next one, which
// starts in the bottom margin, is not hit there (nothing of it is drawn), at any pop-up height.
TEST(PanelKeys, NoUndrawnRowIsHitInTheBottomMargin) {
  InProcessPanel p(Settings{});
  for (uint32_t i = 0; i < 40; ++i) {
    ProcessSample s{"app" + std::to_string(100 + i) + ".exe"};
    s.pid = 1000 + i;
    s.ram_bytes = static_cast<uint64_t>(100 - i) << 20;
    p.ui().snapshot_copy.processes.push_back(s);
  }
  show_panel(p.ui(), p.hwnd());
  navigate(p.ui(), p.hwnd(), Page::kMetricDetail, 1);
  int straddling = 0;
  for (int height = 340; height < 370; ++height) {
    SetWindowPos(p.hwnd(), nullptr, 0, 0, 336, height, SWP_NOMOVE | SWP_NOZORDER);
    RedrawWindow(p.hwnd(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    RECT client{};
    GetClientRect(p.hwnd(), &client);
    const int32_t bottom = client.bottom;
    for (const HitRegion& r : p.ui().panel.hit_regions) {
      if (r.action.kind == ActionKind::kOpenAppRow && r.top > bottom - 22 && r.top < bottom - 12) ++straddling;
    }
    for (int32_t y = bottom - 22; y < bottom - 12; ++y) {
      const std::optional<size_t> hit = hit_test(p.ui().panel.hit_regions, 100, y);
      if (!hit || p.ui().panel.hit_regions[*hit].action.kind != ActionKind::kOpenAppRow) continue;
      EXPECT_LE(p.ui().panel.hit_regions[*hit].top, bottom - 22) << "client height " << bottom << ", y " << y;
    }
  }
  EXPECT_GT(straddling, 0) << "some height leaves a row starting in the margin";
}

// In a short pop-up the editor's log file field is below the fold and not placed; Tab still
// reaches it, scrolls it in and gives it the keys.
TEST(PanelKeys, TabToAFieldScrolledOutOfTheEditorScrollsItInAndFocusesIt) {
  ComApartment com;
  InProcessPanel p(Settings{});
  p.ui().panel.page = Page::kAlertEditor;
  p.ui().panel.alert_editor.metric = kAppTile;  // all three fields
  p.ui().panel.alert_editor.delivery = 2;
  // A pinned window keeps the size it is given; the pop-up would grow to show the whole editor.
  set_pinned(p.ui(), p.hwnd(), true);
  show_panel(p.ui(), p.hwnd());
  SetWindowPos(p.hwnd(), nullptr, 0, 0, 336, 330, SWP_NOMOVE | SWP_NOZORDER);
  RedrawWindow(p.hwnd(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
  HWND log_file = p.ui().field(TextField::kAlertLogFile);
  ASSERT_FALSE(IsWindowVisible(log_file));
  PanelObject o(p.hwnd());
  ASSERT_TRUE(o.ok());
  const long child_of_field = o.named(L"Log file");
  ASSERT_NE(child_of_field, 0) << "a field scrolled out is still a child";
  EXPECT_TRUE(o.offscreen(child_of_field));
  for (int i = 0; i < 30 && GetFocus() != log_file; ++i) press(p, VK_TAB);
  EXPECT_EQ(GetFocus(), log_file);
  EXPECT_TRUE(IsWindowVisible(log_file));
  EXPECT_GT(p.ui().panel.scroll_offset, 0);
  EXPECT_FALSE(o.offscreen(child_of_field));
}

// On every page the first Tab after entering it lands on the page's first piece that takes the
// focus (no field has taken the keys and made Tab skip what comes before it).
TEST(PanelKeys, TheFirstTabOnEveryPageReachesItsFirstPiece) {
  ComApartment com;
  InProcessPanel p(Settings{});
  ProcessSample app{"builder.exe"};
  app.pid = 0xFFFFFFF0u;
  app.cpu_pct = 20.0f;
  p.ui().snapshot_copy.processes = {app, app};
  struct Case {
    Page page;
    uint8_t sub;
  };
  const Case cases[] = {{Page::kOverview, 0},     {Page::kMetricDetail, 0}, {Page::kMetricDetail, 4},
                        {Page::kAppDetail, 0},    {Page::kFpsList, 0},      {Page::kSettingsHome, 0},
                        {Page::kSettingsSection, 1}, {Page::kAlertEditor, 0}, {Page::kMessages, 0},
                        {Page::kActivity, 0}};
  show_panel(p.ui(), p.hwnd());
  for (const Case& c : cases) {
    if (c.page == Page::kAppDetail) {
      p.ui().panel.selected_app = "builder.exe";
      p.ui().panel.processes_expanded = true;  // the process filter is there too
    }
    navigate(p.ui(), p.hwnd(), c.page, c.sub);
    if (c.page == Page::kAppDetail) p.ui().panel.processes_expanded = true;
    UpdateWindow(p.hwnd());
    EXPECT_EQ(GetFocus(), p.hwnd()) << "page " << static_cast<int>(c.page) << " entered with the keys in a field";
    PanelObject o(p.hwnd());
    ASSERT_TRUE(o.ok());
    long first = 0;
    long count = 0;
    o.child_count(&count);
    for (long i = 1; i <= count && first == 0; ++i) {
      if (o.focusable(i)) first = i;
    }
    ASSERT_NE(first, 0) << "page " << static_cast<int>(c.page);
    press(p, VK_TAB);
    EXPECT_EQ(o.focused(), first) << "page " << static_cast<int>(c.page) << ": Tab went to " << utf8(o.name(o.focused()))
                                  << ", not " << utf8(o.name(first));
  }
}

// The messages page holding twelve long messages in a short pop-up: the lowest message is a piece
// although it is scrolled out, and Tab brings it in.
TEST(PanelKeys, AMessageScrolledOutOfTheListIsReachedAndScrolledIn) {
  ComApartment com;
  InProcessPanel p(Settings{});
  for (int i = 0; i < 12; ++i) {
    p.ui().messages.push_back(MessageEntry{"12:00", "Build " + std::to_string(i),
                                           "The build finished and every one of its tests passed; the report is ready."});
  }
  show_panel(p.ui(), p.hwnd());
  navigate(p.ui(), p.hwnd(), Page::kMessages, 0);
  SetWindowPos(p.hwnd(), nullptr, 0, 0, 336, 300, SWP_NOMOVE | SWP_NOZORDER);
  RedrawWindow(p.hwnd(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
  PanelObject o(p.hwnd());
  ASSERT_TRUE(o.ok());
  long count = 0;
  o.child_count(&count);
  const long lowest = count;  // children go in reading order
  ASSERT_TRUE(o.focusable(lowest));
  ASSERT_TRUE(o.offscreen(lowest));
  for (int i = 0; i < 20 && o.focused() != lowest; ++i) press(p, VK_TAB);
  EXPECT_EQ(o.focused(), lowest);
  EXPECT_GT(p.ui().panel.scroll_offset, 0);
  EXPECT_FALSE(o.offscreen(lowest));
}

// Tab to the CPU card in each theme: the card wears the theme's focus ring (its left band, two
// pixels wide, inside the card). With QV_PANEL_SHOTS set the pictures are kept for a look.
TEST(PanelKeys, TheFocusRingShowsInEachTheme) {
  ComApartment com;
  for (uint32_t theme = 0; theme < 3; ++theme) {
    Settings settings;
    settings.theme = theme;
    set_current_theme(theme);
    InProcessPanel p(settings);
    show_panel(p.ui(), p.hwnd());
    UpdateWindow(p.hwnd());
    PanelObject o(p.hwnd());
    ASSERT_TRUE(o.ok());
    const long cpu = o.named(L"CPU, ");
    ASSERT_NE(cpu, 0);
    for (int i = 0; i < 8 && o.focused() != cpu; ++i) press(p, VK_TAB);
    ASSERT_EQ(o.focused(), cpu) << "theme " << theme;
    long x = 0, y = 0, w = 0, h = 0;
    o.location(cpu, &x, &y, &w, &h);
    POINT at{x, y};
    ScreenToClient(p.hwnd(), &at);
    const Rgb ring = current_theme().focus;
    ScreenShot shot;
    const bool ringed = eventually([&] {
      pump_messages();  // the window's picture reaches the screen while its thread takes messages
      shot = capture_client(p.hwnd());
      return shot.at(at.x, at.y + h / 2) == ring && shot.at(at.x + 1, at.y + h / 2) == ring &&
             shot.at(at.x + w / 2, at.y + 1) == ring && shot.at(at.x + w - 1, at.y + h - 2) == ring;
    }, 3000);
    save_shot_if_asked(shot, "focus_ring_theme" + std::to_string(theme));
    EXPECT_TRUE(ringed) << "waited for the ring around the card at " << at.x << "," << at.y << " " << w << "x" << h
                        << ", theme " << theme;
    EXPECT_NE(shot.at(at.x + 2, at.y + h / 2), ring) << "theme " << theme << ": the band is two pixels";
  }
  set_current_theme(0);
}

// The overview's cards scroll in a short pop-up: the last card is a piece while scrolled out, and
// Tab brings it in.
TEST(PanelKeys, ACardScrolledOutOfTheOverviewIsReachedAndScrolledIn) {
  ComApartment com;
  InProcessPanel p(Settings{});
  show_panel(p.ui(), p.hwnd());
  SetWindowPos(p.hwnd(), nullptr, 0, 0, 336, 260, SWP_NOMOVE | SWP_NOZORDER);
  RedrawWindow(p.hwnd(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
  PanelObject o(p.hwnd());
  ASSERT_TRUE(o.ok());
  const long sound = o.named(L"Sound");
  ASSERT_NE(sound, 0) << "the sound card is a child while scrolled out";
  ASSERT_TRUE(o.offscreen(sound));
  for (int i = 0; i < 20 && o.focused() != sound; ++i) press(p, VK_TAB);
  EXPECT_EQ(o.focused(), sound);
  EXPECT_GT(p.ui().panel.scroll_offset, 0);
  EXPECT_FALSE(o.offscreen(sound));
}

std::wstring g_question;
void CALLBACK read_question_and_answer_yes(HWND, UINT, UINT_PTR id, DWORD) {
  KillTimer(nullptr, id);
  if (HWND box = find_window(GetCurrentProcessId(), L"#32770", 0)) {
    g_question = message_box_text(box);
    PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDYES, BN_CLICKED), 0);
  }
}

// Delete on a row of the list asks, as its ✕ does, whether to close that app; Yes ends it.
TEST(PanelKeys, DeleteOnAListRowAsksToCloseThatApp) {
  ComApartment com;
  Child helper = launch(tool_exe(L"zqidle.exe"), L"", {});
  ASSERT_TRUE(helper.process);
  InProcessPanel p(Settings{});
  ProcessSample other{"other.exe"};
  other.pid = 0xFFFFFFF0u;  // no such process
  other.ram_bytes = 200ull << 20;
  ProcessSample idle{"zqidle.exe"};
  idle.pid = helper.pid;
  idle.ram_bytes = 100ull << 20;
  p.ui().snapshot_copy.processes = {other, idle};
  show_panel(p.ui(), p.hwnd());
  navigate(p.ui(), p.hwnd(), Page::kMetricDetail, 1);
  UpdateWindow(p.hwnd());
  PanelObject o(p.hwnd());
  ASSERT_TRUE(o.ok());
  const long row = o.named(L"zqidle.exe");
  ASSERT_NE(row, 0);
  for (int i = 0; i < 8 && o.focused() != row; ++i) press(p, VK_TAB);
  ASSERT_EQ(o.focused(), row);

  g_question.clear();
  const UINT_PTR timer = SetTimer(nullptr, 0, 300, &read_question_and_answer_yes);
  press(p, VK_DELETE);  // returns once the question is answered
  KillTimer(nullptr, timer);
  EXPECT_EQ(g_question, L"End 1 process(es) named \"zqidle.exe\"?");
  EXPECT_EQ(wait_exit(helper, 5000), std::optional<DWORD>(1u)) << "Yes ends the app of that row";
  kill(helper);
}

// The alert editor driven by keys alone: Tab through its pieces and fields, arrows across the
// tiles, Space and Enter to choose, digits typed into the threshold, Enter on "save alert".
TEST(PanelKeys, AnAlertIsMadeWithTheKeysAlone) {
  ComApartment com;
  InProcessPanel p(Settings{});
  show_panel(p.ui(), p.hwnd());
  navigate(p.ui(), p.hwnd(), Page::kAlertEditor, 0);
  UpdateWindow(p.hwnd());
  PanelObject o(p.hwnd());
  ASSERT_TRUE(o.ok());
  const auto focused_name = [&] { return utf8(o.name(o.focused())); };
  press(p, VK_TAB);
  EXPECT_EQ(focused_name(), "Back");
  press(p, VK_TAB);
  EXPECT_EQ(focused_name(), "CPU");
  press(p, VK_RIGHT);
  press(p, VK_DOWN);
  EXPECT_EQ(focused_name(), "GPU") << "the arrows walk the tiles";
  press(p, VK_RETURN);
  EXPECT_EQ(p.ui().panel.alert_editor.metric, 2);
  for (int i = 0; i < 7; ++i) press(p, VK_TAB);  // Disk, Net, FPS, Sound, One app…, above, below
  EXPECT_EQ(focused_name(), "goes below");
  press(p, VK_SPACE);
  EXPECT_FALSE(p.ui().panel.alert_editor.above);
  press(p, VK_TAB);
  ASSERT_EQ(GetFocus(), p.ui().field(TextField::kAlertThreshold));
  type_keys(p, L"85");
  press(p, VK_TAB);
  EXPECT_EQ(focused_name(), "deliver by desktop");
  for (int i = 0; i < 3; ++i) press(p, VK_TAB);  // file, both
  EXPECT_EQ(focused_name(), "include top apps");
  press(p, VK_SPACE);
  EXPECT_FALSE(p.ui().panel.alert_editor.include_top);
  for (int i = 0; i < 2; ++i) press(p, VK_TAB);  // at most every …
  EXPECT_EQ(focused_name(), "save alert");
  press(p, VK_RETURN);
  EXPECT_EQ(p.ui().settings.log, (std::vector<std::string>{"gpu<85"}));
  EXPECT_EQ(p.ui().panel.page, Page::kSettingsSection);
  EXPECT_EQ(p.ui().panel.sub_page, 4);
}

}  // namespace
}  // namespace qv::test
