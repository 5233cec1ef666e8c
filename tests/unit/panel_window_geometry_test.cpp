// The panel window's arithmetic: the display series, the window size in both modes, where the
// pop-up and the pinned window go, and reordering metrics by drag.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "ui/panel/frame/history_series.h"
#include "ui/panel/ai/message_list.h"
#include "ui/panel/frame/panel_geometry.h"

namespace qv {
namespace {

std::vector<float> oldest_first(const HistorySeries& s) {
  std::vector<float> out;
  for (size_t i = 0; i < s.count; ++i) out.push_back(s.samples[(s.head + 60 - s.count + i) % 60]);
  return out;
}

TEST(HistorySeries, PushWrapsAndCountStopsAtSixty) {
  HistorySeries s;
  EXPECT_EQ(s.series_max(), 0.0f);
  s.push(3);
  s.push(1);
  EXPECT_EQ(s.count, 2u);
  EXPECT_EQ(s.head, 2u);
  EXPECT_EQ(oldest_first(s), (std::vector<float>{3, 1}));
  for (int i = 0; i < 100; ++i) s.push(static_cast<float>(i));
  EXPECT_EQ(s.count, 60u);
  EXPECT_EQ(s.head, 102u % 60);
  auto v = oldest_first(s);
  EXPECT_EQ(v.front(), 40.0f);
  EXPECT_EQ(v.back(), 99.0f);
  EXPECT_EQ(s.series_max(), 99.0f);
}

TEST(HistorySeries, MaxIgnoresNanAndStaleSlots) {
  HistorySeries s;
  s.push(std::nanf(""));
  EXPECT_EQ(s.series_max(), 0.0f);  // nothing valid but NaN
  s.push(-4);
  EXPECT_EQ(s.series_max(), -4.0f);  // a negative maximum is still the maximum
  s.push(std::nanf(""));
  s.push(7);
  EXPECT_EQ(s.series_max(), 7.0f);
  // A large value pushed out of the ring no longer counts.
  HistorySeries t;
  t.push(1000);
  for (int i = 0; i < 60; ++i) t.push(1);
  EXPECT_EQ(t.series_max(), 1.0f);
  SampleRing r = t.ring();
  EXPECT_EQ(r.samples.size(), 60u);
  EXPECT_EQ(r.count, 60u);
}

TEST(PanelSize, ContentTallerThanTheWorkAreaGetsItsHeightLessTheMargins) {
  const Rect work{0, 0, 1280, 770};
  EXPECT_EQ(fit_to_work_area(work, Size{438, 754}), (Size{438, 754}));  // exactly fits
  EXPECT_EQ(fit_to_work_area(work, Size{438, 755}), (Size{438, 754}));
  EXPECT_EQ(fit_to_work_area(Rect{0, 100, 800, 400}, Size{338, 900}), (Size{338, 284}));
  EXPECT_EQ(fit_to_work_area(Rect{0, 0, 800, 10}, Size{338, 900}), (Size{338, 1}));  // a degenerate work area
}

TEST(PanelSize, AGrowingPopupMovesUpOnlyAsFarAsNeeded) {
  const Rect work{0, 40, 1280, 800};
  EXPECT_EQ(refit_popup_top(work, 300, 400, false), 300);  // bottom 700 still above 792
  EXPECT_EQ(refit_popup_top(work, 300, 492, false), 300);  // bottom exactly at 792
  EXPECT_EQ(refit_popup_top(work, 300, 493, false), 299);
  EXPECT_EQ(refit_popup_top(work, 300, 900, false), 48);   // never above the top + 8
  EXPECT_EQ(refit_popup_top(work, 20, 100, false), 48);    // a top above the work area comes down to it
}

// A pop-up in its own place above the taskbar keeps its bottom there when a page makes it
// taller or shorter; one the user dragged stays where it was while it fits.
TEST(PanelSize, APopupInItsOwnPlaceKeepsItsBottomAboveTheTaskbar) {
  const Rect work{0, 40, 1280, 800};
  EXPECT_EQ(refit_popup_top(work, 300, 300, true), 492);  // shrank from 492 pixels
  EXPECT_EQ(refit_popup_top(work, 300, 300, false), 300);
  EXPECT_EQ(refit_popup_top(work, 300, 600, true), 192);
  EXPECT_EQ(refit_popup_top(work, 300, 744, true), 48);
  EXPECT_EQ(refit_popup_top(work, 300, 745, true), 48);  // never above the top + 8
}

// App detail and the alert editor ask for their first screen; the overview's own height is the
// floor, and the work area still caps what the window gets.
TEST(PanelSize, APageFirstScreenMakesThePopupTallerNeverShorter) {
  SizeKey key{1, 0, 2, false};  // 12 + 144 + 42 + 104 = 302
  key.first_screen = 301;
  EXPECT_EQ(panel_client_size(1.0f, key, false), (Size{336, 302}));
  key.first_screen = 303;
  EXPECT_EQ(panel_client_size(1.0f, key, false), (Size{336, 303}));
  key.first_screen = 486;
  EXPECT_EQ(fit_to_work_area(Rect{0, 0, 800, 400}, panel_client_size(1.0f, key, false)), (Size{336, 384}));
}

TEST(PanelSize, PopupSizeFollowsContentWithMinimumCounts) {
  // 12 + 144 + 42 + 52, no AI banner space.
  EXPECT_EQ(panel_client_size(1.0f, SizeKey{0, 0, 0}, false), (Size{336, 250}));
  EXPECT_EQ(panel_client_size(1.0f, SizeKey{1, 2, 1}, false), (Size{336, 250}));
  // With the AI link on, a banner row is reserved even when there is none.
  EXPECT_EQ(panel_client_size(1.0f, SizeKey{0, 0, 0}, true), (Size{336, 280}));
  EXPECT_EQ(panel_client_size(1.0f, SizeKey{4, 2, 7}, true), (Size{336, 12 + 144 + 168 + 364 + 60}));
  // Each term is converted on its own: at 1.15, 13 + 165 + 3*48 + 2*59.
  EXPECT_EQ(panel_client_size(1.15f, SizeKey{3, 0, 2}, false), (Size{386, 13 + 165 + 144 + 118}));
}

TEST(PanelSize, StoredPinnedSizeNeedsBothSidesAbove100) {
  Settings s;
  s.win_w = 400;
  s.win_h = 500;
  EXPECT_FALSE(uses_stored_size(s));  // not pinned
  s.pinned = true;
  EXPECT_TRUE(uses_stored_size(s));
  s.win_w = 100;
  EXPECT_FALSE(uses_stored_size(s));
  s.win_w = 101;
  s.win_h = 101;
  EXPECT_TRUE(uses_stored_size(s));
  s.win_h = -1;
  EXPECT_FALSE(uses_stored_size(s));
  EXPECT_EQ(shown_metric_count(s.main_metrics), 7u);
  s.main_metrics[2].shown = false;
  EXPECT_EQ(shown_metric_count(s.main_metrics), 6u);
}

TEST(Placement, PopupSitsAboveTheWorkAreaBottomCentredOnThePointer) {
  const Rect work{0, 0, 1280, 760};
  const Size size{338, 400};
  EXPECT_EQ(place_popup(work, size, Point{640, 780}, std::nullopt), (Point{640 - 169, 760 - 400 - 8}));
  // Near either edge it stays 8 pixels inside.
  EXPECT_EQ(place_popup(work, size, Point{5, 780}, std::nullopt).x, 8);
  EXPECT_EQ(place_popup(work, size, Point{1279, 780}, std::nullopt).x, 1280 - 338 - 8);
  // A panel taller than the work area sticks to the top.
  EXPECT_EQ(place_popup(work, Size{338, 900}, Point{640, 0}, std::nullopt).y, 8);
  // A work area narrower than the panel: the left bound wins.
  EXPECT_EQ(place_popup(Rect{100, 0, 300, 600}, size, Point{200, 0}, std::nullopt).x, 108);
}

TEST(Placement, DraggedPopupKeepsItsSpotInsideTheWorkArea) {
  const Rect work{0, 40, 1280, 800};
  const Size size{338, 400};
  EXPECT_EQ(place_popup(work, size, Point{0, 0}, Point{100, 200}), (Point{100, 200}));
  EXPECT_EQ(place_popup(work, size, Point{0, 0}, Point{5000, 5000}), (Point{1280 - 338, 800 - 400}));
  EXPECT_EQ(place_popup(work, size, Point{0, 0}, Point{0, 0}), (Point{0, 40}));
  EXPECT_EQ(place_popup(Rect{0, 0, 200, 200}, size, Point{0, 0}, Point{50, 50}), (Point{0, 0}));
  // On a monitor left of and above the main one, inside that monitor's work area.
  const Rect left_top{-1920, -300, 0, 740};
  EXPECT_EQ(place_popup(left_top, size, Point{0, 0}, Point{-1500, -1}), (Point{-1500, -1}));
  EXPECT_EQ(place_popup(left_top, size, Point{0, 0}, Point{-1, -1}), (Point{-338, -1}));
}

TEST(Placement, PinnedWindowCentredUntilPlacedThenWhereItWas) {
  const Rect work{100, 0, 1280, 760};  // centring is measured from 0, not from the work left
  EXPECT_EQ(place_pinned(work, Size{400, 301}, std::nullopt), (Point{440, 229}));
  EXPECT_EQ(place_pinned(work, Size{400, 300}, Point{0, 0}), (Point{0, 0}));
  EXPECT_EQ(place_pinned(work, Size{400, 300}, Point{30, 20}), (Point{30, 20}));
  EXPECT_EQ(place_pinned(work, Size{400, 300}, Point{-1, -1}), (Point{-1, -1})) << "a real place, not unset";
  EXPECT_EQ(place_pinned(work, Size{400, 300}, Point{-1700, -20}), (Point{-1700, -20}));
}

TEST(Drag, TargetRowIsHeldToTheList) {
  EXPECT_EQ(drag_target_row(100, 100, 52, 7), std::optional<size_t>(0));
  EXPECT_EQ(drag_target_row(100 + 52 * 2 + 51, 100, 52, 7), std::optional<size_t>(2));
  EXPECT_EQ(drag_target_row(-500, 100, 52, 7), std::optional<size_t>(0));
  EXPECT_EQ(drag_target_row(10000, 100, 52, 7), std::optional<size_t>(6));
  EXPECT_EQ(drag_target_row(150, 100, 0, 7), std::nullopt);
  EXPECT_EQ(drag_target_row(150, 100, 52, 0), std::nullopt);
}

TEST(Drag, MovingAMetricShiftsTheOnesBetween) {
  auto names = [](const std::vector<MainMetric>& m) {
    std::string out;
    for (const auto& e : m) out += e.name + (e.shown ? "," : "-,");
    return out;
  };
  auto m = Settings::default_main_metrics();
  m[0].shown = false;
  ASSERT_TRUE(move_main_metric(m, 0, 6));  // first below the last row: to the end, shown flag kept
  EXPECT_EQ(names(m), "ram,gpu,fps,disk,net,audio,cpu-,");
  ASSERT_TRUE(move_main_metric(m, 5, 1));
  EXPECT_EQ(names(m), "ram,audio,gpu,fps,disk,net,cpu-,");
  EXPECT_FALSE(move_main_metric(m, 2, 2));
  EXPECT_FALSE(move_main_metric(m, 7, 0));
  EXPECT_FALSE(move_main_metric(m, 0, 7));
  EXPECT_EQ(names(m), "ram,audio,gpu,fps,disk,net,cpu-,");
}

TEST(PanelSize, MinimumTrackSize) {
  EXPECT_EQ(minimum_track_size(1.0f), (Size{300, 340}));
  EXPECT_EQ(minimum_track_size(1.5f), (Size{450, 510}));
  EXPECT_EQ(minimum_track_size(std::numeric_limits<float>::max()),
            (Size{std::numeric_limits<int32_t>::max(), std::numeric_limits<int32_t>::max()}));
}

}  // namespace
}  // namespace qv

namespace qv {
namespace {

TEST(SampleSeries, OverviewTakesOneValueOfEachFigure) {
  Snapshot s;
  s.cpu_pct = 12;
  s.mem_total_bytes = 200;
  s.mem_used_bytes = 50;
  s.gpu_pct = 7;
  s.disk_read_bps = 1000;
  s.disk_write_bps = 24;
  s.net_rx_bps = UINT64_MAX;  // a huge rate does not wrap when summed
  s.net_tx_bps = UINT64_MAX;
  s.audio_peak = 0.5f;
  OverviewHistory h;
  push_overview_sample(h, s);
  s.fps = PresentingApp{1, "game.exe", 90};
  push_overview_sample(h, s);
  EXPECT_EQ(h.cpu.series_max(), 12.0f);
  EXPECT_EQ(h.mem.series_max(), 25.0f);
  EXPECT_EQ(h.gpu.series_max(), 7.0f);
  EXPECT_EQ(h.disk.series_max(), 1024.0f);
  EXPECT_GT(h.net.series_max(), 3.0e19f);
  EXPECT_EQ(h.sound.series_max(), 50.0f);
  EXPECT_EQ(h.fps.samples[0], 0.0f);  // no frame-rate app on the first sample
  EXPECT_EQ(h.fps.samples[1], 90.0f);
  EXPECT_EQ(h.cpu.count, 2u);
}

TEST(SampleSeries, AppSumsItsProcessesByExactName) {
  Snapshot s;
  ProcessSample a{"chrome.exe", 0, 100, 10, 1, 1, 2.5f, 1.0f, 0};
  ProcessSample b{"chrome.exe", 0, 300, 20, 2, 2, 5.0f, 2.0f, 0};
  ProcessSample other{"Chrome.exe", 0, 999, 999, 999, 3, 50.0f, 50.0f, 0};
  s.processes = {a, b, other};
  s.presenting_apps = {{2, "chrome.exe", 30}, {5, "chrome.exe", 75}, {3, "Chrome.exe", 144}};
  AppHistory h;
  push_app_sample(h, s, "chrome.exe");
  EXPECT_EQ(h.cpu.series_max(), 7.5f);
  EXPECT_EQ(h.ram.series_max(), 400.0f);
  EXPECT_EQ(h.gpu.series_max(), 3.0f);
  EXPECT_EQ(h.disk.series_max(), 30.0f);
  EXPECT_EQ(h.net.series_max(), 3.0f);
  EXPECT_EQ(h.fps.series_max(), 75.0f);
  push_app_sample(h, Snapshot{}, "chrome.exe");  // the app stopped: zeros, not a gap
  EXPECT_EQ(h.cpu.count, 2u);
  EXPECT_EQ(h.cpu.samples[1], 0.0f);
}

TEST(Messages, NewestFirstAndTwelveAtMost) {
  std::deque<MessageEntry> list;
  for (int i = 1; i <= 13; ++i) record_message(list, MessageEntry{clock_text(9, i), "t" + std::to_string(i), "b"});
  ASSERT_EQ(list.size(), 12u);
  EXPECT_EQ(list.front().title, "t13");
  EXPECT_EQ(list.back().title, "t2");  // the first one fell off
  EXPECT_EQ(list.front().time, "09:13");
  EXPECT_EQ(clock_text(0, 5), "00:05");
  EXPECT_EQ(clock_text(23, 59), "23:59");
  EXPECT_EQ(clock_text(31, -1), "23:00");
}

}  // namespace
}  // namespace qv
