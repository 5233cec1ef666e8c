// The page models of metric detail, the frame-rate list and app detail, and the decisions of
// "close app": texts, grouping, the per-core grid, row places and the close targets.
#include <gtest/gtest.h>

#include <string>
#include <unordered_map>
#include <vector>

#include "ui/panel/app_detail/app_detail_model.h"
#include "ui/panel/app_detail/close_apps.h"
#include "ui/panel/detail/detail_model.h"

namespace qv {
namespace {

ProcessSample proc(std::string name, uint32_t pid, float cpu = 0, uint64_t ram = 0) {
  ProcessSample p;
  p.name = std::move(name);
  p.pid = pid;
  p.cpu_pct = cpu;
  p.ram_bytes = ram;
  return p;
}

std::vector<std::string> names(const std::vector<DetailRow>& rows) {
  std::vector<std::string> out;
  for (const DetailRow& r : rows) out.push_back(r.app.name);
  return out;
}

TEST(MetricDetail, TitlesAndColoursOfTheSixMeasures) {
  struct Case { uint8_t m; const char* title; uint32_t colour; };
  const Case cases[] = {{0, "Top apps by CPU use", 0x4FA3FF},       {1, "Top apps by RAM use", 0x34D399},
                        {2, "Top apps by GPU use", 0x2DD4BF},       {3, "Top apps by disk activity", 0xA78BFA},
                        {4, "Top apps by network use", 0xF59E0B},   {5, "Apps playing sound", 0xE879F9},
                        {6, "Top apps by CPU use", 0x4FA3FF}};
  for (const Case& c : cases) {
    EXPECT_STREQ(measure_style(c.m).title, c.title) << int(c.m);
    EXPECT_EQ(measure_style(c.m).colour, c.colour) << int(c.m);
  }
}

TEST(MetricDetail, RowValueTexts) {
  EXPECT_EQ(measure_value_text(0, 12.34), "12.3%");
  EXPECT_EQ(measure_value_text(0, 150.0), "150.0%") << "a group's percent sum is not clamped";
  EXPECT_EQ(measure_value_text(2, 0.05), "0.1%");
  EXPECT_EQ(measure_value_text(1, 1536.0 * 1024), "1.5 MB");
  EXPECT_EQ(measure_value_text(1, -5.0), "0 B") << "negative byte sums saturate at 0";
  EXPECT_EQ(measure_value_text(3, 2048.0), "2.0 KB/s");
  EXPECT_EQ(measure_value_text(4, 0.0), "0 B/s");
  EXPECT_EQ(measure_value_text(4, 1e30), "16777216.0 TB/s") << "beyond 64 bits: the largest count";
  EXPECT_EQ(measure_value_text(5, 0.7), "") << "the sound page shows no value";
}

TEST(MetricDetail, GroupingRules) {
  const std::vector<ProcessSample> procs = {proc("Beta.exe", 1, 5), proc("idle.exe", 2, 0), proc("alpha.exe", 3, 2),
                                            proc("alpha.exe", 4, 3), proc("ALPHA.exe", 5, 1), proc("zed.exe", 6, 9)};
  // Without a filter idle apps are left out; equal sums (alpha 5, Beta 5) by lower-case name.
  const auto rows = detail_rows(procs, 0, "");
  EXPECT_EQ(names(rows), (std::vector<std::string>{"zed.exe", "alpha.exe", "Beta.exe", "ALPHA.exe"}));
  EXPECT_EQ(rows[1].app.pids, (std::vector<uint32_t>{3, 4})) << "snapshot order";
  EXPECT_EQ(rows[1].value, "5.0%");
  // A filter lists idle apps too; a lower-case filter matches names in either case, which
  // stay two groups.
  EXPECT_EQ(names(detail_rows(procs, 0, "idle")), (std::vector<std::string>{"idle.exe"}));
  EXPECT_EQ(names(detail_rows(procs, 0, "alpha")), (std::vector<std::string>{"alpha.exe", "ALPHA.exe"}));
  EXPECT_TRUE(detail_rows(procs, 1, "").empty()) << "nobody uses RAM here";
}

TEST(MetricDetail, AtMostFiftyApps) {
  std::vector<ProcessSample> procs;
  for (uint32_t i = 0; i < 60; ++i) procs.push_back(proc("app" + std::to_string(i) + ".exe", i + 1, 1.0f + i));
  const auto rows = detail_rows(procs, 0, "");
  ASSERT_EQ(rows.size(), 50u);
  EXPECT_EQ(rows.front().app.name, "app59.exe");
  EXPECT_EQ(rows.back().app.name, "app10.exe");
}

TEST(MetricDetail, NoticesInPlaceOfTheList) {
  Snapshot s;
  s.gpu_available = false;
  s.tracking_available = false;
  s.per_app_network_available = false;
  ASSERT_EQ(measure_notice(2, s).size(), 1u);
  EXPECT_EQ(measure_notice(2, s)[0].text, "Your GPU does not report usage data.");
  const auto net = measure_notice(4, s);
  ASSERT_EQ(net.size(), 3u);
  EXPECT_EQ(net[0].text, "Network usage per app needs administrator access.");
  EXPECT_FALSE(net[0].small);
  EXPECT_EQ(net[2].text, "\"Start with Windows\" in settings, which runs it elevated.");
  EXPECT_TRUE(net[2].small);
  EXPECT_EQ(net[2].dy, 34);
  // Without those two gaps, only a missing process table stands in.
  EXPECT_EQ(measure_notice(0, s)[0].text, "Collecting data…");
  s.gpu_available = true;
  s.tracking_available = true;
  s.processes = {proc("a.exe", 1)};
  EXPECT_TRUE(measure_notice(2, s).empty());
  EXPECT_TRUE(measure_notice(4, s).empty());

  const auto empty_net = empty_list_notice(4, s);
  ASSERT_EQ(empty_net.size(), 3u);
  EXPECT_EQ(empty_net[0].text, "No apps are using this right now");
  EXPECT_EQ(empty_net[1].text, "You may need to run as administrator to see");
  EXPECT_EQ(empty_net[2].text, "which apps are using the network.");
  EXPECT_EQ(empty_list_notice(3, s).size(), 1u);
  s.per_app_network_available = true;
  EXPECT_EQ(empty_list_notice(4, s).size(), 1u);
}

TEST(MetricDetail, CoreColumnsByCount) {
  const std::pair<size_t, int32_t> cases[] = {{0, 2}, {8, 2}, {9, 4}, {16, 4}, {32, 4}, {33, 8}, {64, 8}};
  for (const auto& [cores, columns] : cases) EXPECT_EQ(core_columns(cores), columns) << cores;
}

TEST(MetricDetail, CoreGridPlaces) {
  // 8 cores on a 336-wide page: two columns of (336 - 6 - 24) / 2 = 153, four lines.
  const CoreGrid eight = core_grid(8, 200, 336, 1.0f);
  ASSERT_EQ(eight.bars.size(), 8u);
  EXPECT_EQ(eight.bars[0], (Rect{12, 200, 165, 208}));
  EXPECT_EQ(eight.bars[3], (Rect{171, 212, 324, 220}));
  EXPECT_EQ(eight.next_top, 200 + 48 + 10);
  // 64 cores: eight columns of (336 - 42 - 24) / 8 = 33 (truncated), eight lines.
  const CoreGrid many = core_grid(64, 0, 336, 1.0f);
  EXPECT_EQ(many.bars[9], (Rect{12 + 39, 12, 12 + 39 + 33, 20}));
  EXPECT_EQ(many.bars[63].top, 84);
  EXPECT_EQ(many.next_top, 96 + 10);
  // 16 cores: four columns, four lines.
  EXPECT_EQ(core_grid(16, 0, 336, 1.0f).bars[5].left, 12 + (336 - 18 - 24) / 4 + 6);
  // No per-core data: no bars, only the gap below the heading.
  const CoreGrid none = core_grid(0, 100, 336, 1.0f);
  EXPECT_TRUE(none.bars.empty());
  EXPECT_EQ(none.next_top, 110);
}

TEST(MetricDetail, RowsAndRegionsOfTheScrolledList) {
  // Content top 150 in a 336 x 400 page: rows start while y <= 380, so rows 0..8 of 20.
  auto places = detail_row_places(20, 150, 0, 336, 400, 1.0f);
  ASSERT_EQ(places.size(), 9u);
  EXPECT_EQ(places[8].y, 150 + 8 * 26);
  EXPECT_EQ(places[0].open, (Rect{12, 150, 300, 172}));
  EXPECT_EQ(places[0].close, (Rect{300, 150, 328, 170}));
  EXPECT_EQ(places[2].open, (Rect{12, 200, 300, 224}));
  EXPECT_EQ(places[2].close, (Rect{300, 198, 328, 222}));
  EXPECT_EQ(detail_row_places(20, 150, 0, 336, 401, 1.0f).size(), 9u);
  EXPECT_EQ(detail_row_places(20, 150, 0, 336, 378, 1.0f).size(), 9u) << "row 8 at 358 starts at 378 - 20";
  EXPECT_EQ(detail_row_places(20, 150, 0, 336, 377, 1.0f).size(), 8u) << "row 8 at 358 starts below 377 - 20";
  // Scrolled by 40: row 0 (110..136) is gone, row 1 at 136 still reaches into the list and its
  // regions start at the list top.
  places = detail_row_places(20, 150, 40, 336, 400, 1.0f);
  ASSERT_FALSE(places.empty());
  EXPECT_EQ(places[0].index, 1u);
  EXPECT_EQ(places[0].y, 136);
  EXPECT_EQ(places[0].open.top, 150);
  EXPECT_EQ(places[0].close.top, 150);
  EXPECT_EQ(detail_row_places(20, 150, 26, 336, 400, 1.0f)[0].index, 0u) << "y + 26 == top is kept";
}

TEST(FrameRateList, RowsNoticesAndHowManyFit) {
  Snapshot s;
  EXPECT_EQ(fps_notice(s), "Frame rate tracking needs administrator access.");
  s.tracking_available = true;
  EXPECT_EQ(fps_notice(s), "Nothing on screen");
  s.presenting_apps = {PresentingApp{40, "game.exe", 144}, PresentingApp{7, "video.exe", 30}};
  EXPECT_EQ(fps_notice(s), std::nullopt);
  EXPECT_EQ(fps_rows(s), (std::vector<AppRow>{{"game.exe", {40}}, {"video.exe", {7}}}));
  EXPECT_EQ(fps_rate_text(144), "144 fps");
  // From 62, rows every 26 while y <= H - 24: y = 166 needs H >= 190.
  EXPECT_EQ(fps_rows_shown(20, 62, 190, 1.0f), 5u);
  EXPECT_EQ(fps_rows_shown(20, 62, 189, 1.0f), 4u);
  EXPECT_EQ(fps_rows_shown(3, 62, 900, 1.0f), 3u);
  EXPECT_EQ(fps_rows_shown(3, 62, 80, 1.0f), 0u);
}

Snapshot app_snapshot() {
  Snapshot s;
  ProcessSample a = proc("web.exe", 4120, 10.0f, 1024 * 1024);
  a.gpu_pct = 3;
  a.disk_bps = 2048;
  a.net_bps = 4096;
  ProcessSample b = proc("web.exe", 77, 2.5f, 1024 * 1024);
  b.audio_peak = 0.25f;
  ProcessSample c = proc("WEB.exe", 5, 50.0f);  // another app: names differ in case
  ProcessSample d = proc("web.exe", 812, 10.0f);
  s.processes = {a, b, c, d};
  return s;
}

TEST(AppDetail, StatusAndTiles) {
  const Snapshot s = app_snapshot();
  EXPECT_EQ(app_process_count(s, "web.exe"), 3u);
  EXPECT_EQ(app_status_text(3), "3 running");
  EXPECT_EQ(app_status_text(1), "1 running");
  EXPECT_EQ(app_status_text(0), "Not running");
  std::array<float, kAppSeriesCount> maxes{};
  maxes[static_cast<size_t>(AppSeries::kRam)] = 5e6f;
  auto tiles = app_tiles(s, "web.exe", maxes);
  ASSERT_EQ(tiles.size(), 5u) << "no frames ever: no FPS tile";
  EXPECT_STREQ(tiles[0].label, "CPU");
  EXPECT_EQ(tiles[0].value, "22.5%");
  EXPECT_EQ(tiles[0].full_scale, 100.0f);
  EXPECT_EQ(tiles[1].value, "2.0 MB");
  EXPECT_EQ(tiles[1].full_scale, 5e6f);
  EXPECT_EQ(tiles[2].value, "3.0%");
  EXPECT_EQ(tiles[3].value, "2.0 KB/s");
  EXPECT_STREQ(tiles[4].label, "Network");
  EXPECT_EQ(tiles[4].value, "4.0 KB/s");
  EXPECT_EQ(tiles[4].colour, 0xF59E0Bu);
}

TEST(AppDetail, FrameRateTileShowsWhilePresentingOrOnceSeen) {
  Snapshot s = app_snapshot();
  std::array<float, kAppSeriesCount> maxes{};
  EXPECT_FALSE(shows_fps_tile(s, "web.exe", 0.0f));
  s.presenting_apps = {PresentingApp{4120, "web.exe", 60}, PresentingApp{77, "web.exe", 90},
                       PresentingApp{1, "game.exe", 144}};
  auto tiles = app_tiles(s, "web.exe", maxes);
  ASSERT_EQ(tiles.size(), 6u);
  EXPECT_STREQ(tiles[0].label, "FPS");
  EXPECT_EQ(tiles[0].value, "90 fps") << "the highest of its presenting processes";
  s.presenting_apps.clear();
  EXPECT_FALSE(shows_fps_tile(s, "web.exe", 0.0f));
  maxes[static_cast<size_t>(AppSeries::kFps)] = 12.0f;
  tiles = app_tiles(s, "web.exe", maxes);
  ASSERT_EQ(tiles.size(), 6u) << "its series had frames";
  EXPECT_EQ(tiles[0].value, "—");
  EXPECT_EQ(tiles[0].full_scale, 12.0f);
}

TEST(AppDetail, ProcessSectionPlaces) {
  const ProcessSectionPlace six = process_section_place(6, 1.0f);
  EXPECT_EQ(six.header_top, 12 + 50 + 24 + 6 + 6 * 52);
  EXPECT_EQ(six.filter_row, six.header_top + 36);
  EXPECT_EQ(six.chips_top, six.filter_row + 28);
  EXPECT_EQ(six.list_top, six.filter_row + 56);
  // "larger" text (1.3f is a hair below 1.3): each length converted on its own,
  // 15 + 64 + 31 + 7 + 5 x 67, then 46 and 2 x 36.
  const ProcessSectionPlace larger = process_section_place(5, 1.3f);
  EXPECT_EQ(larger.header_top, 452);
  EXPECT_EQ(larger.filter_row, 452 + 46);
  EXPECT_EQ(larger.list_top, 452 + 46 + 2 * 36);
}

// Five tiles at the default size put the first process row at 444; the first screen ends one row
// step below it, or at the folded header, or at the last tile, plus the 12-pixel margin.
TEST(AppDetail, FirstScreenReachesTheFirstProcessRow) {
  EXPECT_EQ(app_detail_first_screen(5, 2, true, 1.0f), 444 + 30 + 12);
  EXPECT_EQ(app_detail_first_screen(5, 9, true, 1.0f), 444 + 30 + 12) << "one row, not the whole list";
  EXPECT_EQ(app_detail_first_screen(6, 2, true, 1.0f), 444 + 52 + 30 + 12);
  EXPECT_EQ(app_detail_first_screen(5, 2, false, 1.0f), 352 + 28 + 12);
  EXPECT_EQ(app_detail_first_screen(5, 1, true, 1.0f), 340 + 12) << "no section below the tiles";
  EXPECT_EQ(app_detail_first_screen(5, 2, true, 1.3f), 452 + 46 + 72 + 38 + 15);  // each length truncated
}

std::vector<uint32_t> pids(const std::vector<ProcessRow>& rows) {
  std::vector<uint32_t> out;
  for (const ProcessRow& r : rows) out.push_back(r.pid);
  return out;
}

TEST(AppDetail, ProcessRowsFilterSortAndTexts) {
  const Snapshot s = app_snapshot();
  const std::unordered_map<uint32_t, std::string> roles = {{4120, "Renderer"}, {77, "GPU process"}};
  // CPU: 4120 and 812 both 10.0 keep snapshot order; the other-case app is not listed.
  auto rows = process_rows(s, "web.exe", roles, "", 0);
  EXPECT_EQ(pids(rows), (std::vector<uint32_t>{4120, 812, 77}));
  EXPECT_EQ(rows[0].label, "Renderer  ·  PID 4120");
  EXPECT_EQ(rows[0].value, "10.0%");
  EXPECT_EQ(rows[1].label, "PID 812");
  // Sound: the silent ones show "—" and keep their order below the one playing.
  rows = process_rows(s, "web.exe", roles, "", 5);
  EXPECT_EQ(pids(rows), (std::vector<uint32_t>{77, 4120, 812}));
  EXPECT_EQ(rows[0].value, "25.0%");
  EXPECT_EQ(rows[1].value, "—");
  EXPECT_EQ(rows[2].value, "—");
  // The filter matches digits of the pid or the lower-case role label.
  EXPECT_EQ(pids(process_rows(s, "web.exe", roles, "12", 0)), (std::vector<uint32_t>{4120, 812}));
  EXPECT_EQ(pids(process_rows(s, "web.exe", roles, "gpu", 0)), (std::vector<uint32_t>{77}));
  EXPECT_TRUE(process_rows(s, "web.exe", roles, "zzz", 0).empty());
  EXPECT_EQ(process_rows(s, "web.exe", roles, "", 1)[0].value, "1.0 MB");
  EXPECT_EQ(process_rows(s, "web.exe", roles, "", 3)[0].value, "2.0 KB/s");
}

TEST(CloseApps, TargetsOfTheThreeActions) {
  PanelState panel;
  const Snapshot current = app_snapshot();
  Action close_app;
  close_app.kind = ActionKind::kCloseSelectedApp;
  EXPECT_EQ(close_request(panel, current, close_app), std::nullopt) << "no app open";
  panel.selected_app = "web.exe";
  EXPECT_EQ(close_request(panel, current, close_app), (CloseRequest{"web.exe", {4120, 77, 812}}));
  panel.selected_app = "gone.exe";
  EXPECT_EQ(close_request(panel, current, close_app), (CloseRequest{"gone.exe", {}}))
      << "a stale app names no process, so nothing will be asked";

  panel.app_rows = {AppRow{"a.exe", {1, 2}}, AppRow{"b.exe", {3}}};
  Action row;
  row.kind = ActionKind::kCloseAppRow;
  row.index = 1;
  EXPECT_EQ(close_request(panel, current, row), (CloseRequest{"b.exe", {3}}));
  row.index = 2;
  EXPECT_EQ(close_request(panel, current, row), std::nullopt);

  Action one;
  one.kind = ActionKind::kCloseProcess;
  one.number = 812;
  EXPECT_EQ(close_request(panel, current, one), (CloseRequest{"gone.exe", {812}}));
  one.kind = ActionKind::kBack;
  EXPECT_EQ(close_request(panel, current, one), std::nullopt);
}

TEST(CloseApps, QuestionAndImageNameCheck) {
  EXPECT_EQ(close_question("zq-helper.exe", 40), "End 40 process(es) named \"zq-helper.exe\"?");
  EXPECT_STREQ(kCloseAppCaption, "Quorvel — Close app");
  EXPECT_TRUE(image_is_app("C:\\tools\\Helper.EXE", "helper.exe"));
  EXPECT_TRUE(image_is_app("Z:/work/helper.exe", "helper.exe"));
  EXPECT_TRUE(image_is_app("helper.exe", "HELPER.exe"));
  EXPECT_FALSE(image_is_app("C:\\tools\\other.exe", "helper.exe"));
  EXPECT_FALSE(image_is_app("C:\\helper.exe\\other.exe", "helper.exe")) << "only the last component counts";
  EXPECT_FALSE(image_is_app("C:\\tools\\helper", "helper.exe"));
  EXPECT_FALSE(image_is_app("", "helper.exe")) << "an unreadable image is not the app";
  EXPECT_FALSE(image_is_app("C:\\tools\\", ""));
}

}  // namespace
}  // namespace qv
