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

// Two samples whose tooltip figures compare equal must give the same text, or the icons would
// keep a stale tooltip; figures that change the text must compare different.
TEST(TrayTooltip, FiguresAreEqualExactlyWhenTheShownTextIsTheSame) {
  struct Case {
    const char* what;
    void (*change)(Snapshot&);
    bool same_figures;
  };
  const Case cases[] = {
      {"cpu 12.4 -> 12.2, both read 12%", [](Snapshot& s) { s.cpu_pct = 12.2f; }, true},
      {"cpu 12.4 -> 12.6, 12% -> 13%", [](Snapshot& s) { s.cpu_pct = 12.6f; }, false},
      {"memory 40.5% -> 40.9%, both read 41%", [](Snapshot& s) { s.mem_used_bytes = 409; }, true},
      {"memory 40.5% -> 40.4%, 41% -> 40%", [](Snapshot& s) { s.mem_used_bytes = 404; }, false},
      {"download by one byte", [](Snapshot& s) { s.net_rx_bps = 1537; }, false},
      {"upload from zero", [](Snapshot& s) { s.net_tx_bps = 1; }, false},
      {"a frame-rate app appears", [](Snapshot& s) { s.fps = PresentingApp{4, "game.exe", 60}; }, false},
      {"disk, graphics and drives are not in the tooltip",
       [](Snapshot& s) {
         s.disk_read_bps = 5 << 20;
         s.gpu_pct = 80;
         s.drives.push_back(DriveInfo{'C', 100, 50});
       },
       true},
  };
  const Snapshot before = known_snapshot();
  for (const Case& c : cases) {
    Snapshot after = before;
    c.change(after);
    EXPECT_EQ(tray_tip_figures(after) == tray_tip_figures(before), c.same_figures) << c.what;
    if (c.same_figures) EXPECT_EQ(tray_tooltip(after), tray_tooltip(before)) << c.what;
  }
  // At the ends of the scale the clamped figure is what counts.
  Snapshot low = before, nan = before, high = before, full = before;
  low.cpu_pct = -4.0f;
  nan.cpu_pct = std::nanf("");
  high.cpu_pct = 99.6f;
  full.cpu_pct = 100.4f;
  EXPECT_EQ(tray_tip_figures(low), tray_tip_figures(nan));
  EXPECT_EQ(tray_tip_figures(high), tray_tip_figures(full));
  // Same rate, another app; same app, another rate.
  Snapshot a = before, b = before, c = before;
  a.fps = PresentingApp{4, "game.exe", 60};
  b.fps = PresentingApp{5, "other.exe", 60};
  c.fps = PresentingApp{4, "game.exe", 61};
  EXPECT_FALSE(tray_tip_figures(a) == tray_tip_figures(b));
  EXPECT_FALSE(tray_tip_figures(a) == tray_tip_figures(c));
}

TEST(TraySlots, ModifySentOnlyWhenPictureOrTooltipChanges) {
  struct Case {
    const char* what;
    const char* text;
    const char* shown_text;
    const char16_t* tip;
    const char16_t* shown_tip;
    TraySlotSend expected;
  };
  const Case cases[] = {
      {"live icon, nothing changed", "12", "12", u"CPU 12%", u"CPU 12%", {false, false}},
      {"live icon, tooltip changed", "12", "12", u"CPU 13%", u"CPU 12%", {true, false}},
      {"live icon, text changed", "13", "12", u"CPU 13%", u"CPU 13%", {true, true}},
      {"live icon just added", "12", "", u"CPU 12%", u"", {true, true}},
      {"live icon, tooltip not known", "12", "12", u"CPU 12%", u"", {true, false}},
      {"plain icon, nothing changed", "", "", u"CPU 12%", u"CPU 12%", {false, false}},
      {"plain icon, tooltip changed", "", "", u"CPU 13%", u"CPU 12%", {true, false}},
      {"plain icon just added", "", "", u"CPU 12%", u"", {true, false}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(tray_slot_send(c.text, c.shown_text, c.tip, c.shown_tip), c.expected) << c.what;
  }
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
