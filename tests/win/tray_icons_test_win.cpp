// The tray icon set in this process, with the shell replaced by a recorder: what reaches the
// notification area, when pictures are drawn, and what the pictures look like.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/messages.h"
#include "ui/gdi/theme.h"
#include "ui/tray/tray_win.h"
#include "util/wide_win.h"
#include "win_support.h"

namespace qv::test {
namespace {

struct ShellCall {
  DWORD message = 0;
  UINT id = 0;
  UINT flags = 0;
  UINT callback = 0;
  bool has_icon = false;
  std::string tip;
  std::string info_title;
  std::string info;
  DWORD info_flags = 0;
  UINT version = 0;
};

struct Recorder {
  std::vector<ShellCall> calls;
  TrayShell shell() {
    return [this](DWORD message, NOTIFYICONDATAW& d) {
      calls.push_back(ShellCall{message, d.uID, d.uFlags, d.uCallbackMessage, d.hIcon != nullptr, narrow(d.szTip),
                                narrow(d.szInfoTitle), narrow(d.szInfo), d.dwInfoFlags, d.uVersion});
      return TRUE;
    };
  }
  size_t count(DWORD message) const {
    size_t n = 0;
    for (const auto& c : calls) n += c.message == message;
    return n;
  }
  size_t pictures() const {
    size_t n = 0;
    for (const auto& c : calls) n += c.message == NIM_MODIFY && (c.flags & NIF_ICON) && c.has_icon;
    return n;
  }
};

Snapshot known_snapshot() {
  Snapshot s;
  s.cpu_pct = 12.4f;
  s.mem_total_bytes = 1000;
  s.mem_used_bytes = 405;
  s.net_rx_bps = 1536;
  return s;
}

struct FilterCall {
  HWND window;
  UINT message;
  DWORD action;
};
std::vector<FilterCall> g_filter_calls;
BOOL WINAPI record_filter(HWND window, UINT message, DWORD action, PCHANGEFILTERSTRUCT) {
  g_filter_calls.push_back(FilterCall{window, message, action});
  return TRUE;
}

TEST(TraySet, NotificationsFromTheMouseAndTheKeyboardAskOnceEach) {
  struct Case {
    const char* what;
    std::vector<UINT> events;
    std::vector<TrayRequest> expected;
  };
  using R = TrayRequest;
  const std::vector<Case> cases = {
      {"left click, the shell's echo ignored", {WM_LBUTTONDOWN, WM_LBUTTONUP, NIN_SELECT}, {R::kNone, R::kToggle, R::kNone}},
      {"Enter on the icon, reported twice", {NIN_KEYSELECT, NIN_KEYSELECT}, {R::kOpenByKeyboard, R::kOpenByKeyboard}},
      {"a select without a click comes from the keyboard", {NIN_SELECT}, {R::kOpenByKeyboard}},
      {"click, then the keyboard", {WM_LBUTTONDOWN, WM_LBUTTONUP, NIN_SELECT, NIN_SELECT},
       {R::kNone, R::kToggle, R::kNone, R::kOpenByKeyboard}},
      {"right click, the shell's echo ignored", {WM_RBUTTONDOWN, WM_RBUTTONUP, WM_CONTEXTMENU}, {R::kNone, R::kMenu, R::kNone}},
      {"Shift+F10 on the icon", {WM_CONTEXTMENU}, {R::kMenu}},
      {"a right click without an echo (an older shell)", {WM_RBUTTONUP}, {R::kMenu}},
      {"balloon and mouse moves", {NIN_BALLOONUSERCLICK, WM_MOUSEMOVE}, {R::kBalloonClicked, R::kNone}},
  };
  for (const Case& c : cases) {
    TraySet tray;
    std::vector<TrayRequest> got;
    for (UINT e : c.events) got.push_back(tray_request(tray, e));
    EXPECT_EQ(got, c.expected) << c.what;
  }
}

TEST(TraySet, TaskbarCreatedIsLetThroughToAnElevatedPanel) {
  // Wine keeps no message filter state to read back, so the call itself is recorded.
  HWND window = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
  g_filter_calls.clear();
  const UINT message = register_taskbar_created(window, &record_filter);
  EXPECT_EQ(message, RegisterWindowMessageW(L"TaskbarCreated"));
  ASSERT_EQ(g_filter_calls.size(), 1u);
  EXPECT_EQ(g_filter_calls[0].window, window);
  EXPECT_EQ(g_filter_calls[0].message, message);
  EXPECT_EQ(g_filter_calls[0].action, static_cast<DWORD>(MSGFLT_ALLOW));
  EXPECT_EQ(register_taskbar_created(window), message);  // the real call on a real window
  DestroyWindow(window);
}

TEST(TraySet, DefaultSettingsAddCpuAndRamWithPlaceholders) {
  Recorder rec;
  TraySet tray;
  tray.shell = rec.shell();
  sync_tray_icons(tray, Settings{});
  ASSERT_EQ(rec.calls.size(), 4u);
  for (size_t i = 0; i < 2; ++i) {
    const ShellCall& add = rec.calls[2 * i];
    EXPECT_EQ(add.message, static_cast<DWORD>(NIM_ADD));
    EXPECT_EQ(add.id, i + 2);  // CPU is id 2, RAM id 3
    EXPECT_EQ(add.flags, static_cast<UINT>(NIF_MESSAGE | NIF_ICON | NIF_TIP));
    EXPECT_EQ(add.callback, kWmTray);
    EXPECT_TRUE(add.has_icon);
    EXPECT_EQ(add.tip, "Quorvel");
    // Each icon then asks for the behaviour that lets the keyboard select it.
    const ShellCall& version = rec.calls[2 * i + 1];
    EXPECT_EQ(version.message, static_cast<DWORD>(NIM_SETVERSION));
    EXPECT_EQ(version.id, i + 2);
    EXPECT_EQ(version.version, static_cast<UINT>(NOTIFYICON_VERSION));
  }
  EXPECT_EQ(tray.added, (std::array<bool, 6>{false, true, true, false, false, false}));
  EXPECT_EQ(tray.icons_drawn, 0u);  // placeholders are not live pictures
}

TEST(TraySet, PictureIsRedrawnOnlyWhenItsTextChanges) {
  Recorder rec;
  TraySet tray;
  tray.shell = rec.shell();
  sync_tray_icons(tray, Settings{});
  rec.calls.clear();
  Snapshot s = known_snapshot();
  for (int tick = 0; tick < 5; ++tick) refresh_tray_icons(tray, s);
  EXPECT_EQ(tray.icons_drawn, 2u);  // once for CPU, once for RAM
  EXPECT_EQ(rec.pictures(), 2u);
  EXPECT_EQ(rec.count(NIM_MODIFY), 2u);  // same pictures and tooltip after the first: nothing sent
  EXPECT_EQ(tray.tips_built, 1u);
  s.cpu_pct = 12.2f;  // same text "12", lower bar: the old picture stays
  refresh_tray_icons(tray, s);
  EXPECT_EQ(tray.icons_drawn, 2u);
  EXPECT_EQ(rec.count(NIM_MODIFY), 2u);
  s.cpu_pct = 12.6f;  // "13"
  refresh_tray_icons(tray, s);
  EXPECT_EQ(tray.icons_drawn, 3u);
  EXPECT_EQ(rec.pictures(), 3u);
  EXPECT_EQ(rec.calls.back().id, 3u);  // RAM's modify comes last and carries no picture
  EXPECT_EQ(rec.calls.back().flags, static_cast<UINT>(NIF_TIP));
  s.cpu_pct = 12.2f;  // back to "12": its picture is sent again, not drawn again
  refresh_tray_icons(tray, s);
  EXPECT_EQ(tray.icons_drawn, 3u);
  EXPECT_EQ(rec.pictures(), 4u);
  EXPECT_EQ(rec.calls[rec.calls.size() - 2].flags, static_cast<UINT>(NIF_TIP | NIF_ICON));
}

TEST(TraySet, NewTooltipAloneGoesToEveryIconWithoutNewPictures) {
  Recorder rec;
  TraySet tray;
  tray.shell = rec.shell();
  sync_tray_icons(tray, Settings{});
  Snapshot s = known_snapshot();
  refresh_tray_icons(tray, s);
  rec.calls.clear();
  s.net_rx_bps = 4096;  // the tooltip's download figure only
  refresh_tray_icons(tray, s);
  ASSERT_EQ(rec.calls.size(), 2u);
  for (const auto& c : rec.calls) {
    EXPECT_EQ(c.flags, static_cast<UINT>(NIF_TIP)) << c.id;
    EXPECT_EQ(c.tip, "CPU 12%   RAM 41%\nDownload 4.0 KB/s   Upload 0 B/s") << c.id;
  }
}

TEST(TraySet, ModifyTheShellRefusedIsSentAgainAtTheNextSample) {
  Recorder rec;
  bool refuse = true;
  TraySet tray;
  tray.shell = [&](DWORD message, NOTIFYICONDATAW& d) {
    rec.shell()(message, d);
    return refuse && message == NIM_MODIFY ? FALSE : TRUE;
  };
  sync_tray_icons(tray, Settings{});
  const Snapshot s = known_snapshot();
  refresh_tray_icons(tray, s);
  refuse = false;
  rec.calls.clear();
  refresh_tray_icons(tray, s);  // same figures, but nothing of them reached the notification area
  EXPECT_EQ(rec.count(NIM_MODIFY), 2u);
  EXPECT_EQ(rec.pictures(), 2u);
  rec.calls.clear();
  refresh_tray_icons(tray, s);  // now it has them
  EXPECT_TRUE(rec.calls.empty());
}

TEST(TraySet, TooltipForAKnownSnapshotGoesToEveryIcon) {
  Recorder rec;
  TraySet tray;
  tray.shell = rec.shell();
  Settings settings;
  settings.tray_static = settings.tray_disk = settings.tray_net = settings.tray_fps = true;
  sync_tray_icons(tray, settings);
  rec.calls.clear();
  refresh_tray_icons(tray, known_snapshot());
  ASSERT_EQ(rec.calls.size(), 6u);
  for (const auto& c : rec.calls) {
    EXPECT_EQ(c.tip, "CPU 12%   RAM 41%\nDownload 1.5 KB/s   Upload 0 B/s") << c.id;
  }
  EXPECT_EQ(rec.calls[0].flags, static_cast<UINT>(NIF_TIP));  // the plain icon never changes picture
  Snapshot s = known_snapshot();
  s.fps = PresentingApp{7, std::string(200, 'g') + ".exe", 60};
  refresh_tray_icons(tray, s);
  EXPECT_EQ(utf8_to_utf16(rec.calls.back().tip).size(), 127u);  // cut to the tooltip's room
  EXPECT_EQ(rec.calls.back().tip.rfind("CPU 12%   RAM 41%\nDownload 1.5 KB/s   Upload 0 B/s\n60 fps in ggg", 0), 0u);
}

TEST(TraySet, EverySettingOffLeavesThePlainIcon) {
  Recorder rec;
  TraySet tray;
  tray.shell = rec.shell();
  sync_tray_icons(tray, Settings{});
  rec.calls.clear();
  Settings off;
  off.tray_cpu = off.tray_ram = false;
  sync_tray_icons(tray, off);
  ASSERT_EQ(rec.calls.size(), 4u);
  EXPECT_EQ(rec.calls[0].message, static_cast<DWORD>(NIM_ADD));
  EXPECT_EQ(rec.calls[0].id, 1u);
  EXPECT_EQ(rec.calls[1].message, static_cast<DWORD>(NIM_SETVERSION));
  EXPECT_EQ(rec.calls[2].message, static_cast<DWORD>(NIM_DELETE));
  EXPECT_EQ(rec.calls[3].message, static_cast<DWORD>(NIM_DELETE));
  EXPECT_EQ(tray.added, (std::array<bool, 6>{true, false, false, false, false, false}));
  // Unchanged settings change nothing.
  rec.calls.clear();
  sync_tray_icons(tray, off);
  EXPECT_TRUE(rec.calls.empty());
}

TEST(TraySet, TaskbarRestartAddsAgainAndRedrawsAtTheNextSample) {
  Recorder rec;
  TraySet tray;
  tray.shell = rec.shell();
  sync_tray_icons(tray, Settings{});
  refresh_tray_icons(tray, known_snapshot());
  rec.calls.clear();
  re_add_tray_icons(tray);
  EXPECT_EQ(rec.count(NIM_ADD), 2u);
  const size_t pictures_before = rec.pictures();
  refresh_tray_icons(tray, known_snapshot());
  // Same values, but the placeholders had replaced them: the kept pictures go out again.
  EXPECT_EQ(rec.pictures(), pictures_before + 2);
  EXPECT_EQ(tray.icons_drawn, 2u);
  rec.calls.clear();
  remove_tray_icons(tray);
  EXPECT_EQ(rec.count(NIM_DELETE), 2u);
  EXPECT_EQ(tray.added, (std::array<bool, 6>{}));
  rec.calls.clear();
  remove_tray_icons(tray);  // nothing left to delete
  EXPECT_TRUE(rec.calls.empty());
}

TEST(TraySet, BalloonGoesToTheFirstAddedIconAndIsCut) {
  Recorder rec;
  TraySet tray;
  tray.shell = rec.shell();
  EXPECT_FALSE(show_tray_balloon(tray, "t", "b"));
  EXPECT_TRUE(rec.calls.empty());
  Settings s;
  s.tray_cpu = false;  // RAM (id 3) is the first added icon
  sync_tray_icons(tray, s);
  rec.calls.clear();
  EXPECT_TRUE(show_tray_balloon(tray, std::string(100, 'T'), std::string(400, 'b')));
  ASSERT_EQ(rec.calls.size(), 1u);
  const ShellCall& c = rec.calls[0];
  EXPECT_EQ(c.id, 3u);
  EXPECT_EQ(c.flags, static_cast<UINT>(NIF_INFO));
  EXPECT_EQ(c.info_title, std::string(63, 'T'));
  EXPECT_EQ(c.info, std::string(255, 'b'));
  EXPECT_EQ(c.info_flags, static_cast<DWORD>(NIIF_USER | NIIF_LARGE_ICON));
}

// The icon's colour bitmap as 0xAARRGGBB pixels, top row first.
std::vector<uint32_t> icon_pixels(HICON icon, int* size) {
  ICONINFO info{};
  if (!GetIconInfo(icon, &info)) return {};
  UniqueGdiObject colour(info.hbmColor), mask(info.hbmMask);
  BITMAP bm{};
  GetObjectW(colour.get(), sizeof bm, &bm);
  *size = bm.bmWidth;
  BITMAPINFO bi{};
  bi.bmiHeader.biSize = sizeof bi.bmiHeader;
  bi.bmiHeader.biWidth = bm.bmWidth;
  bi.bmiHeader.biHeight = -bm.bmHeight;
  bi.bmiHeader.biPlanes = 1;
  bi.bmiHeader.biBitCount = 32;
  bi.bmiHeader.biCompression = BI_RGB;
  std::vector<uint32_t> px(static_cast<size_t>(bm.bmWidth) * bm.bmHeight);
  WindowDc screen(nullptr);
  GetDIBits(screen.get(), static_cast<HBITMAP>(colour.get()), 0, bm.bmHeight, px.data(), &bi, DIB_RGB_COLORS);
  return px;
}

uint32_t argb(Rgb c) { return 0xFF000000u | (uint32_t{c.r} << 16) | (uint32_t{c.g} << 8) | c.b; }

TEST(TrayIconPicture, BarOf99PercentAndLightText) {
  UniqueIcon icon = make_tray_icon("99", true, 99, rgb(0x4FA3FF));
  ASSERT_TRUE(icon.valid());
  int n = 0;
  std::vector<uint32_t> px = icon_pixels(icon.get(), &n);
  ASSERT_EQ(n, tray_icon_size());
  ASSERT_EQ(px.size(), static_cast<size_t>(n) * n);
  for (uint32_t p : px) ASSERT_EQ(p >> 24, 0xFFu) << "every pixel opaque";
  // The digits cover parts of the bar, so count the rows that show it anywhere.
  const uint32_t bar = argb(half_brightness(rgb(0x4FA3FF)));
  int bar_rows = 0, first_bar_row = -1;
  for (int y = 0; y < n; ++y) {
    bool any = false;
    for (int x = 0; x < n; ++x) any = any || px[static_cast<size_t>(y) * n + x] == bar;
    if (any && first_bar_row < 0) first_bar_row = y;
    bar_rows += any;
  }
  // 99% of an icon of 16 to 99 rows is all rows but the top one, down to the bottom.
  EXPECT_EQ(first_bar_row, 1);
  EXPECT_EQ(bar_rows, n - 1);
  EXPECT_EQ(px[0], argb(rgb(0x14161A)));  // above the bar: the icon background
  size_t text = 0;
  for (uint32_t p : px) text += p == argb(rgb(0xF0F3F5));
  EXPECT_GE(text, 10u) << "the digits are drawn in the light text colour";
}

TEST(TrayIconPicture, WithoutBarTheTextTakesTheSlotColour) {
  UniqueIcon icon = make_tray_icon("25M", false, 80, rgb(0xA78BFA));
  ASSERT_TRUE(icon.valid());
  int n = 0;
  std::vector<uint32_t> px = icon_pixels(icon.get(), &n);
  size_t text = 0, background = 0, other_bar = 0;
  for (uint32_t p : px) {
    text += p == argb(rgb(0xA78BFA));
    background += p == argb(rgb(0x14161A));
    other_bar += p == argb(half_brightness(rgb(0xA78BFA)));
  }
  EXPECT_GE(text, 5u);
  EXPECT_GT(background, px.size() / 2);
  EXPECT_EQ(other_bar, 0u);  // the level is ignored without a bar
  // An empty text and a zero level still make a valid, plain picture.
  UniqueIcon plain = make_tray_icon("", true, 0, rgb(0xA78BFA));
  ASSERT_TRUE(plain.valid());
  for (uint32_t p : icon_pixels(plain.get(), &n)) ASSERT_EQ(p, argb(rgb(0x14161A)));
}

}  // namespace
}  // namespace qv::test
