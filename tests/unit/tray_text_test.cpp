// What the tray icons show: tooltip, icon texts and bars, the wanted slots and the icon sizes.
#include <gtest/gtest.h>

#include <cmath>

#include "ui/tray/tray_text.h"

namespace qv {
namespace {

constexpr uint64_t KiB = 1024, MiB = KiB * 1024, GiB = MiB * 1024;

Snapshot known_snapshot() {
  Snapshot s;
  s.cpu_pct = 12.4f;
  s.mem_total_bytes = 1000;
  s.mem_used_bytes = 405;
  s.net_rx_bps = 1536;
  s.net_tx_bps = 0;
  return s;
}

TEST(TrayTooltip, TwoLinesWithoutAFrameRateApp) {
  EXPECT_EQ(tray_tooltip(known_snapshot()), "CPU 12%   RAM 41%\nDownload 1.5 KB/s   Upload 0 B/s");
  Snapshot empty;  // no memory total: 0 %, never a division by zero
  EXPECT_EQ(tray_tooltip(empty), "CPU 0%   RAM 0%\nDownload 0 B/s   Upload 0 B/s");
}

TEST(TrayTooltip, ThirdLineNamesTheFrameRateApp) {
  Snapshot s = known_snapshot();
  s.fps = PresentingApp{42, "game.exe", 144};
  EXPECT_EQ(tray_tooltip(s), "CPU 12%   RAM 41%\nDownload 1.5 KB/s   Upload 0 B/s\n144 fps in game.exe");
}

TEST(TrayIcons, PercentIconsNeverShowThreeDigits) {
  Snapshot s;
  s.cpu_pct = 99.6f;
  EXPECT_EQ(tray_slot_content(1, s), (TrayIconContent{"99", true, 99}));
  s.cpu_pct = 100.0f;
  EXPECT_EQ(tray_slot_content(1, s), (TrayIconContent{"99", true, 100}));
  s.cpu_pct = 7.5f;
  EXPECT_EQ(tray_slot_content(1, s), (TrayIconContent{"8", true, 7}));
  s.cpu_pct = -3.0f;
  EXPECT_EQ(tray_slot_content(1, s), (TrayIconContent{"0", true, 0}));
  s.cpu_pct = std::nanf("");
  EXPECT_EQ(tray_slot_content(1, s), (TrayIconContent{"0", true, 0}));
  s.mem_total_bytes = 4;
  s.mem_used_bytes = 3;
  EXPECT_EQ(tray_slot_content(2, s), (TrayIconContent{"75", true, 75}));
}

TEST(TrayIcons, RatesUseTheCompactFormOfTheSum) {
  Snapshot s;
  struct Case { uint64_t read, write; const char* text; };
  const Case cases[] = {{512, 0, "0"}, {MiB, 2 * MiB, "3.0M"}, {20 * MiB, 5 * MiB, "25M"}, {GiB, GiB, "2G"},
                        {UINT64_MAX, 5, "17179869183G"}};  // the sum saturates instead of wrapping
  for (const auto& c : cases) {
    s.disk_read_bps = c.read;
    s.disk_write_bps = c.write;
    s.net_rx_bps = c.write;
    s.net_tx_bps = c.read;
    EXPECT_EQ(tray_slot_content(3, s), (TrayIconContent{c.text, false, 0}));
    EXPECT_EQ(tray_slot_content(4, s), (TrayIconContent{c.text, false, 0}));
  }
}

TEST(TrayIcons, FrameRateOrDash) {
  Snapshot s;
  EXPECT_EQ(tray_slot_content(5, s).text, "-");
  s.fps = PresentingApp{1, "x.exe", 60};
  EXPECT_EQ(tray_slot_content(5, s).text, "60");
  EXPECT_FALSE(tray_slot_content(5, s).with_bar);
}

TEST(TraySlots, PlainIconWhenEverythingIsOff) {
  Settings s;
  EXPECT_EQ(wanted_tray_slots(s), (std::array<bool, 6>{false, true, true, false, false, false}));
  s.tray_cpu = s.tray_ram = false;
  EXPECT_EQ(wanted_tray_slots(s), (std::array<bool, 6>{true, false, false, false, false, false}));
  EXPECT_FALSE(s.tray_static);  // the settings themselves are left alone
  s.tray_fps = true;
  EXPECT_EQ(wanted_tray_slots(s), (std::array<bool, 6>{false, false, false, false, false, true}));
}

TEST(TrayIconPicture, FontHeightsAndBar) {
  EXPECT_EQ(tray_icon_font_height(16, 1), 11);
  EXPECT_EQ(tray_icon_font_height(16, 2), 11);
  EXPECT_EQ(tray_icon_font_height(16, 3), 8);
  EXPECT_EQ(tray_icon_font_height(16, 4), 6);
  EXPECT_EQ(tray_icon_font_height(24, 4), 9);
  EXPECT_EQ(tray_icon_font_height(8, 5), 6);  // never under 6
  EXPECT_EQ(tray_bar_top(16, 99), 1);         // 99 % of 16 rows is 15 rows
  EXPECT_EQ(tray_bar_top(16, 100), 0);
  EXPECT_EQ(tray_bar_top(16, 250), 0);
  EXPECT_EQ(tray_bar_top(16, 0), 16);
  EXPECT_EQ(tray_bar_top(32, 50), 16);
}

TEST(TrayText, CutsKeepSurrogatePairsWhole) {
  EXPECT_EQ(cut_utf16("abc", 127), u"abc");
  EXPECT_EQ(cut_utf16("abcdef", 4), u"abcd");
  // "ab" then U+1F600 (two units): cutting at 3 would split the pair, so it stops at 2.
  EXPECT_EQ(cut_utf16("ab\xF0\x9F\x98\x80", 3), u"ab");
  EXPECT_EQ(cut_utf16("ab\xF0\x9F\x98\x80", 4), u"ab\U0001F600");
  EXPECT_EQ(cut_utf16(std::string(300, 'x'), 255).size(), 255u);
}

}  // namespace
}  // namespace qv
