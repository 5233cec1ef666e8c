// The panel's paint into a memory bitmap: colours of the overview in each theme, the region
// list a paint leaves behind, and the widgets' region order.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <unordered_map>
#include <string>
#include <vector>

#include "ui/gdi/draw_win.h"
#include "ui/gdi/scale.h"
#include "ui/gdi/theme.h"
#include "ui/panel/detail/detail_model.h"
#include "ui/panel/overview/overview_model.h"
#include "ui/panel/frame/panel_layout.h"
#include "ui/panel/frame/panel_page_win.h"
#include "win_support.h"

namespace qv {
namespace {

// A top-down 32-bit bitmap selected into a memory DC, with direct access to its pixels.
class Bitmap : public test::MemoryBitmap {
 public:
  using MemoryBitmap::MemoryBitmap;
  Rgb at(int x, int y) const {
    const uint32_t v = pixel(x, y);
    return Rgb{static_cast<uint8_t>(v >> 16), static_cast<uint8_t>(v >> 8), static_cast<uint8_t>(v)};
  }
  // With QV_PANEL_SHOTS naming a directory, keeps the picture there for a look.
  void save_if_asked(const char* name) const { test::save_shot_if_asked(shot(), name); }
  int count(const Rect& r, Rgb colour) const {
    int n = 0;
    for (int y = r.top; y < r.bottom; ++y)
      for (int x = r.left; x < r.right; ++x) n += at(x, y) == colour;
    return n;
  }
};

Snapshot busy_snapshot(size_t drives) {
  Snapshot s;
  s.cpu_pct = 37;
  s.mem_total_bytes = 16ull << 30;
  s.mem_used_bytes = 9ull << 30;
  s.gpu_available = true;
  s.gpu_pct = 12;
  s.tracking_available = true;
  s.disk_read_bps = 3 << 20;
  s.net_rx_bps = 120 << 10;
  for (size_t i = 0; i < drives; ++i) s.drives.push_back(DriveInfo{static_cast<char>('C' + i), 500ull << 30, 120ull << 30});
  for (uint32_t i = 0; i < 40; ++i) {
    ProcessSample p;
    p.name = "app" + std::to_string(i % 25) + ".exe";
    p.pid = 100 + i;
    p.cpu_pct = static_cast<float>(i % 7);
    p.ram_bytes = (i + 1) << 20;
    s.processes.push_back(p);
  }
  return s;
}

struct OverviewFixture {
  Settings settings;
  Snapshot snapshot = busy_snapshot(4);
  std::vector<float> samples = std::vector<float>(60, 0.0f);
  PanelState panel;
  FontSet fonts = create_font_set(1.0f);
  OverviewInput input;

  OverviewFixture() {
    for (size_t i = 0; i < samples.size(); ++i) samples[i] = static_cast<float>((i * 7) % 100);
    input.settings = &settings;
    input.snapshot = &snapshot;
    for (size_t i = 0; i < kOverviewSeriesCount; ++i) {
      input.series[i] = SampleRing{samples, 0, samples.size()};
      input.series_max[i] = 99;
    }
    AgentCounts agents;
    agents.finished = 3;
    input.banners = ai_banners(true, 2, agents);
  }
  Size size() const {
    return overview_client_size(1.0f, snapshot.drives.size(), shown_metric_count(settings.main_metrics),
                                settings.mcp_enabled, input.banners.size());
  }
  PanelCanvas canvas(const Bitmap& bmp) {
    const Size sz = size();
    return PanelCanvas{bmp.dc(), sz.width, sz.height, 1.0f, &fonts, &panel};
  }
};

class PanelPaintThemes : public ::testing::TestWithParam<uint32_t> {
 protected:
  void TearDown() override { set_current_theme(0); }
};

TEST_P(PanelPaintThemes, BackgroundCardFillAndCpuLabelColour) {
  set_current_theme(GetParam());
  const Theme& theme = current_theme();
  OverviewFixture f;
  const Size sz = f.size();
  Bitmap bmp(sz.width, sz.height);
  paint_page(f.canvas(bmp), f.input);

  EXPECT_EQ(bmp.at(2, 2), theme.background);
  EXPECT_EQ(bmp.at(sz.width - 3, sz.height / 2), theme.background);
  // First card (CPU) at y = 70: its fill, away from text and graph.
  EXPECT_EQ(bmp.at(14, 72), theme.surface);
  EXPECT_EQ(bmp.at(150, 114), theme.surface);
  EXPECT_GT(bmp.count(Rect{22, 76, 60, 92}, metric_style("cpu").colour), 0) << "the CPU label in the accent colour";
  EXPECT_EQ(bmp.count(Rect{22, 76, 60, 92}, metric_style("ram").colour), 0);
  // The search frame: border, then the input colour inside.
  EXPECT_EQ(bmp.at(72, 37), theme.border);
  EXPECT_EQ(bmp.at(73, 38), theme.input);
}

INSTANTIATE_TEST_SUITE_P(AllThemes, PanelPaintThemes, ::testing::Values(0u, 1u, 2u));

TEST(PanelPaint, RegionsFollowTheOverviewLayout) {
  OverviewFixture f;
  const Size sz = f.size();
  Bitmap bmp(sz.width, sz.height);
  f.panel.hit_regions.push_back(HitRegion{0, 0, 1000, 1000, {}});  // left over from a previous paint
  paint_page(f.canvas(bmp), f.input);
  const auto& regions = f.panel.hit_regions;
  ASSERT_EQ(regions.size(), 3u + 7u + 2u);
  EXPECT_EQ(regions[0].action.kind, ActionKind::kHidePanel);
  EXPECT_EQ(regions[0].right, 324 + 6);
  EXPECT_EQ(regions[1].action.kind, ActionKind::kOpenSettings);
  EXPECT_EQ(regions[2].action.kind, ActionKind::kTogglePinned);
  EXPECT_LT(regions[2].right, regions[1].left + 14) << "links are laid from the right";
  for (size_t i = 0; i < 7; ++i) {
    const HitRegion& card = regions[3 + i];
    EXPECT_EQ(card.left, 12);
    EXPECT_EQ(card.right, 324);
    EXPECT_EQ(card.top, 70 + 52 * static_cast<int>(i));
    EXPECT_EQ(card.bottom, card.top + 46);
  }
  EXPECT_EQ(regions[3].action, make_action(ActionKind::kOpenMetric, 0, 0));
  EXPECT_EQ(regions[6].action.kind, ActionKind::kOpenFpsList);
  EXPECT_EQ(regions[9].action, make_action(ActionKind::kOpenMetric, 0, 5));
  EXPECT_EQ(regions[10].action.kind, ActionKind::kOpenMessages);
  EXPECT_EQ(regions[10].bottom, sz.height - 12);
  EXPECT_EQ(regions[11].action.kind, ActionKind::kOpenActivity);
  EXPECT_EQ(regions[11].bottom, regions[10].top - 4);
  // The last drive's meter ends above the upper banner.
  const int drives_bottom = 70 + 7 * 52 + 26 + 4 * 42;
  EXPECT_LE(drives_bottom, regions[11].top);
}

TEST(PanelPaint, PinnedHeaderHasNoCloseGlyphButATopLink) {
  OverviewFixture f;
  f.settings.pinned = true;
  f.settings.on_top = true;
  Bitmap bmp(336, 700);
  paint_page(f.canvas(bmp), f.input);
  ASSERT_GE(f.panel.hit_regions.size(), 3u);
  EXPECT_EQ(f.panel.hit_regions[0].action.kind, ActionKind::kOpenSettings);
  EXPECT_EQ(f.panel.hit_regions[0].right, 324 + 6);
  EXPECT_EQ(f.panel.hit_regions[1].action.kind, ActionKind::kToggleOnTop);
  EXPECT_EQ(f.panel.hit_regions[2].action.kind, ActionKind::kTogglePinned);
}

TEST(PanelPaint, BannerColoursAndHover) {
  OverviewFixture f;
  const Size sz = f.size();
  const Rgb amber = rgb(0xF59E0B);
  {
    Bitmap bmp(sz.width, sz.height);
    paint_page(f.canvas(bmp), f.input);
    const Rect r = banner_rect(0, sz.width, sz.height, 1.0f);
    EXPECT_EQ(bmp.at(r.left, r.top), scale_colour(amber, 0.39f));
    EXPECT_EQ(bmp.at(r.left + 2, r.top + 2), scale_colour(amber, 0.12f));
  }
  const Rect r = banner_rect(0, sz.width, sz.height, 1.0f);
  f.panel.hover_valid = true;
  f.panel.hover_x = r.left + 3;
  f.panel.hover_y = r.top + 3;
  Bitmap bmp(sz.width, sz.height);
  paint_page(f.canvas(bmp), f.input);
  EXPECT_EQ(bmp.at(r.left + 2, r.top + 2), amber);
  EXPECT_EQ(bmp.at(14, 72), current_theme().surface) << "the cards are not hovered";
}

TEST(PanelPaint, LightThemeBannersAreATintOfTheSurface) {
  const Rgb amber = rgb(0xF59E0B);
  for (uint32_t theme : {2u, 1u}) {
    set_current_theme(theme);
    OverviewFixture f;
    const Size sz = f.size();
    Bitmap bmp(sz.width, sz.height);
    paint_page(f.canvas(bmp), f.input);
    const Rect r = banner_rect(0, sz.width, sz.height, 1.0f);
    // Light: 12 % amber over the white surface. Black (like dark): amber dimmed to 12 %.
    const Rgb inside = theme == 2 ? Rgb{254, 243, 226} : Rgb{29, 18, 1};
    EXPECT_EQ(bmp.at(r.left + 2, r.top + 2), inside) << theme;
    EXPECT_EQ(bmp.at(r.left, r.top), scale_colour(amber, 0.39f)) << theme;  // the frame stays
  }
  set_current_theme(0);
}

TEST(PanelPaint, NoBannersWhileTheLinkIsOffAndNoDriveRowForNoDrives) {
  OverviewFixture f;
  f.settings.mcp_enabled = false;
  f.input.banners = ai_banners(false, 2, AgentCounts{});
  f.snapshot.drives.clear();
  const Size sz = f.size();
  EXPECT_EQ(sz.height, 12 + 144 + 42 + 7 * 52);
  Bitmap bmp(sz.width, sz.height);
  paint_page(f.canvas(bmp), f.input);
  EXPECT_EQ(f.panel.hit_regions.size(), 3u + 7u);
  // "No drives found" sits in the one reserved drive row, inside the window.
  const int row_top = 70 + 7 * 52 + 26;
  EXPECT_GT(bmp.count(Rect{12, row_top, 200, row_top + 24}, current_theme().text_dim), 0);
}

TEST(PanelPaint, SearchReplacesTheCardsWithRowsThatStopAtTheBottom) {
  OverviewFixture f;
  f.panel.filter_text = "app";
  Bitmap bmp(336, 400);
  PanelCanvas c{bmp.dc(), 336, 400, 1.0f, &f.fonts, &f.panel};
  paint_page(c, f.input);
  bmp.save_if_asked("search_results");
  EXPECT_EQ(f.panel.app_rows.size(), kMaxSearchRows);
  std::vector<HitRegion> rows;
  bool clear_glyph = false;
  for (const HitRegion& r : f.panel.hit_regions) {
    if (r.action.kind == ActionKind::kOpenAppRow) rows.push_back(r);
    if (r.action.kind == ActionKind::kClearFilter) {
      clear_glyph = true;
      EXPECT_EQ(r.right, 324);
      EXPECT_EQ(r.left, 300);
    }
    EXPECT_NE(r.action.kind, ActionKind::kOpenMetric) << "no cards while searching";
  }
  EXPECT_TRUE(clear_glyph);
  // Rows from y = 70 every 26 px while y <= 400 - 24.
  ASSERT_EQ(rows.size(), static_cast<size_t>((376 - 70) / 26 + 1));
  EXPECT_EQ(rows[0].top, 68);
  EXPECT_EQ(rows[0].action.index, 0u);
  EXPECT_EQ(rows.back().action.index, rows.size() - 1);
  EXPECT_EQ(f.panel.app_rows[0].name, "app13.exe") << "busiest first, ties by name";
}

TEST(PanelWidgets, BandLabelWinsOverBackAndSettingsBandGoesFirst) {
  PanelState panel;
  FontSet fonts = create_font_set(1.0f);
  Bitmap bmp(336, 300);
  PanelCanvas c{bmp.dc(), 336, 300, 1.0f, &fonts, &panel};
  const int next = title_band(c, 12, "AI activity", rgb(0x2DD4BF),
                              BandLabel{"clear", colours::accent, make_action(ActionKind::kClearAgents)});
  EXPECT_EQ(next, 12 + 40 + 10);
  ASSERT_EQ(panel.hit_regions.size(), 2u);
  const HitRegion label = panel.hit_regions[0];
  EXPECT_EQ(label.right, 324);
  EXPECT_EQ(label.action.kind, ActionKind::kClearAgents);
  EXPECT_EQ(panel.hit_regions[1], (HitRegion{12, 12, 324, 52, make_action(ActionKind::kBack), PieceRole::kButton, "Back"}));
  EXPECT_EQ(panel.hit_regions[*hit_test(panel.hit_regions, label.left + 1, 30)].action.kind, ActionKind::kClearAgents);
  EXPECT_EQ(panel.hit_regions[*hit_test(panel.hit_regions, label.left - 1, 30)].action.kind, ActionKind::kBack);

  panel.hit_regions.clear();
  check_row(c, 100, "Start with Windows", true, make_action(ActionKind::kToggleAutostart));
  settings_title_band(c, "Settings", colours::accent);
  ASSERT_EQ(panel.hit_regions.size(), 2u);
  EXPECT_EQ(panel.hit_regions[0].action.kind, ActionKind::kBack);
  EXPECT_EQ(bmp.at(5, 5), current_theme().background);
  EXPECT_EQ(bmp.at(320, 14), current_theme().surface);
}

TEST(PanelWidgets, RemoveGlyphRegionComesBeforeItsRow) {
  PanelState panel;
  FontSet fonts = create_font_set(1.0f);
  Bitmap bmp(336, 200);
  PanelCanvas c{bmp.dc(), 336, 200, 1.0f, &fonts, &panel};
  const int next = list_row_with_remove(c, 50, 324, "a custom request", true,
                                        make_action(ActionKind::kToggleCustomRequest, 2),
                                        make_action(ActionKind::kRemoveCustomRequest, 2));
  EXPECT_EQ(next, 74);
  ASSERT_EQ(panel.hit_regions.size(), 2u);
  EXPECT_EQ(panel.hit_regions[0], (HitRegion{288, 48, 316, 70, make_action(ActionKind::kRemoveCustomRequest, 2),
                                                PieceRole::kButton, "Remove a custom request"}));
  EXPECT_EQ(panel.hit_regions[1], (HitRegion{12, 48, 286, 70, make_action(ActionKind::kToggleCustomRequest, 2),
                                                PieceRole::kCheckBox, "a custom request", true}));
  EXPECT_EQ(bmp.at(17, 53), current_theme().track) << "box";
  EXPECT_EQ(bmp.at(20, 56), colours::accent) << "tick inside the box";
}

TEST(PanelWidgets, ChipAndLinkGeometry) {
  PanelState panel;
  FontSet fonts = create_font_set(1.0f);
  Bitmap bmp(336, 200);
  PanelCanvas c{bmp.dc(), 336, 200, 1.0f, &fonts, &panel};
  const int w = text_width(bmp.dc(), fonts.small, "dark");
  const int next = chip(c, 20, 30, "dark", true, make_action(ActionKind::kSetTheme, 0));
  EXPECT_EQ(next, 20 + w + 16 + 6);
  EXPECT_EQ(panel.hit_regions[0], (HitRegion{20, 30, 20 + w + 16, 54, make_action(ActionKind::kSetTheme, 0),
                                                PieceRole::kButton, "dark", true}));
  EXPECT_EQ(bmp.at(21, 31), colours::accent);
  const int lw = text_width(bmp.dc(), fonts.small, "settings");
  const int left_end = header_link(c, 300, 12, "settings", true, make_action(ActionKind::kOpenSettings));
  EXPECT_EQ(left_end, 300 - lw - 14);
  EXPECT_EQ(panel.hit_regions[1], (HitRegion{300 - lw - 6, 6, 306, 32, make_action(ActionKind::kOpenSettings),
                                                PieceRole::kButton, "settings", true}));
}

}  // namespace
}  // namespace qv

namespace qv {
namespace {

TEST(PanelWidgets, ListClipKeepsRowsInsideTheListArea) {
  PanelState panel;
  panel.scroll_offset = 30;
  FontSet fonts = create_font_set(1.0f);
  Bitmap bmp(336, 300);
  PanelCanvas c{bmp.dc(), 336, 300, 1.0f, &fonts, &panel};
  fill_rect(bmp.dc(), Rect{0, 0, 336, 300}, current_theme().background);
  {
    ListClip clip(c, 100, 500);
    EXPECT_EQ(clip.row_y(0), 70);
    EXPECT_FALSE(clip.shows(clip.row_y(0), clip.row_y(30))) << "scrolled away above the list";
    EXPECT_TRUE(clip.shows(clip.row_y(0), clip.row_y(31)));
    EXPECT_FALSE(clip.shows(288, 300)) << "below the list's bottom margin";
    fill_rect(bmp.dc(), Rect{0, clip.row_y(0), 336, clip.row_y(400)}, colours::accent);
  }
  EXPECT_EQ(bmp.at(50, 99), current_theme().background);
  EXPECT_EQ(bmp.at(50, 100), colours::accent);
  EXPECT_EQ(bmp.at(50, 287), colours::accent);
  EXPECT_EQ(bmp.at(50, 288), current_theme().background);
  fill_rect(bmp.dc(), Rect{0, 0, 336, 10}, colours::danger);
  EXPECT_EQ(bmp.at(50, 5), colours::danger) << "the clip ends with the list";
  scrollbar(c, 336, 300, 100, 500);
  EXPECT_EQ(panel.scroll_max, 500 - (300 - 12 - 100));
  // Visible 188 of 500: thumb 70 long, at 100 + (188 - 70) * 30 / 312 = 111.
  EXPECT_EQ(bmp.at(331, 110), current_theme().surface) << "track above the thumb";
  EXPECT_EQ(bmp.at(331, 111), current_theme().text_dim);
  EXPECT_EQ(bmp.at(331, 180), current_theme().text_dim);
  EXPECT_EQ(bmp.at(331, 181), current_theme().surface);
}

}  // namespace
}  // namespace qv

namespace qv {
namespace {

// The detail pages in every theme at the default and the "larger" text size, at the pop-up's
// own size. With QV_PANEL_SHOTS set, each picture is kept for a look.
struct DetailCase {
  uint32_t theme;
  uint32_t text_size;
};

class DetailPagesPaint : public ::testing::TestWithParam<DetailCase> {
 protected:
  void SetUp() override { set_current_theme(GetParam().theme); }
  void TearDown() override { set_current_theme(0); }

  float scale() const { return ui_scale_for(1.0f, GetParam().text_size); }
  std::string shot_name(const char* page) const {
    return std::string(page) + "_theme" + std::to_string(GetParam().theme) + "_size" +
           std::to_string(GetParam().text_size);
  }
  // Paints `panel`'s page and checks the title band's accent strip and the background.
  // `height` 0: the pop-up's own height.
  void paint(PanelState& panel, Rgb page_colour, const char* name, int32_t height = 0) {
    const float s = scale();
    Size sz = overview_client_size(s, 1, 7, true, 1);
    if (height > 0) sz.height = height;
    bmp_ = std::make_unique<Bitmap>(sz.width, sz.height);
    fonts_ = create_font_set(s);
    OverviewInput in;
    in.settings = &settings_;
    in.snapshot = &snapshot_;
    AppDetailInput app;
    for (size_t i = 0; i < kAppSeriesCount; ++i) {
      app.series[i] = SampleRing{samples_, 0, samples_.size()};
      app.series_max[i] = 99;
    }
    app.roles = &roles_;
    paint_page(PanelCanvas{bmp_->dc(), sz.width, sz.height, s, &fonts_, &panel}, in, app);
    bmp_->save_if_asked(shot_name(name).c_str());
    EXPECT_EQ(bmp_->at(2, 2), current_theme().background);
    const int band_middle = px(12, s) + px(20, s);
    EXPECT_EQ(bmp_->at(px(12, s) + 1, band_middle), page_colour) << name;
  }
  static size_t count_kind(const PanelState& panel, ActionKind kind) {
    size_t n = 0;
    for (const HitRegion& r : panel.hit_regions) n += r.action.kind == kind;
    return n;
  }

  Settings settings_;
  Snapshot snapshot_ = [] {
    Snapshot s = busy_snapshot(1);
    s.per_core_pct = {5, 20, 35, 50, 65, 80, 95, 100};
    s.processes[0].name = "a-very-long-application-name-that-needs-fitting.exe";
    s.presenting_apps = {PresentingApp{107, "app7.exe", 144}, PresentingApp{100, "app0.exe", 60},
                         PresentingApp{9, "video-player-with-a-long-name.exe", 24}};
    for (ProcessSample& p : s.processes) p.audio_peak = p.pid % 3 == 0 ? 0.4f : 0.0f;
    return s;
  }();
  std::unordered_map<uint32_t, std::string> roles_ = {{107, "Renderer"}, {132, "GPU process"}};
  std::vector<float> samples_ = [] {
    std::vector<float> v(60);
    for (size_t i = 0; i < v.size(); ++i) v[i] = static_cast<float>((i * 7) % 100);
    return v;
  }();
  std::unique_ptr<Bitmap> bmp_;
  FontSet fonts_;
};

TEST_P(DetailPagesPaint, ProcessorPage) {
  PanelState panel;
  panel.page = Page::kMetricDetail;
  paint(panel, rgb(0x4FA3FF), "detail_cpu");
  ASSERT_FALSE(panel.hit_regions.empty());
  EXPECT_EQ(panel.hit_regions[0].action.kind, ActionKind::kTogglePause) << "the pause button wins";
  EXPECT_FALSE(panel.app_rows.empty());
  EXPECT_EQ(count_kind(panel, ActionKind::kOpenAppRow), count_kind(panel, ActionKind::kCloseAppRow));
  EXPECT_GT(count_kind(panel, ActionKind::kOpenAppRow), 3u);
  // The meter of the last core (100 %) is all processor blue at its right end.
  const CoreGrid grid = core_grid(8, 0, bmp_->dc() ? overview_client_size(scale(), 1, 7, true, 1).width : 0, scale());
  const int meters_top = px(12, scale()) + px(40, scale()) + px(10, scale()) + px(32, scale()) + px(16, scale());
  EXPECT_EQ(bmp_->at(grid.bars[7].right - 1, meters_top + grid.bars[7].top + 1), rgb(0x4FA3FF));
}

TEST_P(DetailPagesPaint, PausedSoundPageWithFilter) {
  PanelState panel;
  panel.page = Page::kMetricDetail;
  panel.sub_page = 5;
  panel.paused = true;
  panel.filter_text = "app";
  paint(panel, rgb(0xE879F9), "detail_sound_paused");
  EXPECT_EQ(panel.hit_regions[0].action.kind, ActionKind::kTogglePause);
  EXPECT_EQ(count_kind(panel, ActionKind::kClearFilter), 1u);
}

TEST_P(DetailPagesPaint, NetworkPageWithoutTracking) {
  PanelState panel;
  panel.page = Page::kMetricDetail;
  panel.sub_page = 4;
  snapshot_.tracking_available = false;
  paint(panel, rgb(0xF59E0B), "detail_network_notice");
  EXPECT_TRUE(panel.app_rows.empty());
  EXPECT_EQ(count_kind(panel, ActionKind::kOpenAppRow), 0u);
}

TEST_P(DetailPagesPaint, AppDetailWithItsProcesses) {
  PanelState panel;
  panel.page = Page::kAppDetail;
  panel.selected_app = "app7.exe";  // pids 107 and 132 (40 processes, 25 names)
  panel.processes_expanded = true;
  panel.process_sort = 1;
  paint(panel, rgb(0x4FA3FF), "app_detail");
  ASSERT_GE(panel.hit_regions.size(), 2u);
  EXPECT_EQ(panel.hit_regions[0].action.kind, ActionKind::kCloseSelectedApp) << "the label before the band";
  EXPECT_EQ(panel.hit_regions[1].action.kind, ActionKind::kBack);
  EXPECT_EQ(count_kind(panel, ActionKind::kToggleProcesses), 1u);
  EXPECT_EQ(count_kind(panel, ActionKind::kSetProcessSort), 6u);
  std::vector<uint32_t> closable;
  for (const HitRegion& r : panel.hit_regions)
    if (r.action.kind == ActionKind::kCloseProcess) closable.push_back(r.action.number);
  EXPECT_EQ(closable, (std::vector<uint32_t>{132, 107})) << "largest RAM first";
}

TEST_P(DetailPagesPaint, FrameRateList) {
  PanelState panel;
  panel.page = Page::kFpsList;
  paint(panel, rgb(0xFF6B6B), "fps_list");
  EXPECT_EQ(panel.app_rows.size(), 3u);
  EXPECT_EQ(count_kind(panel, ActionKind::kOpenAppRow), 3u);
}

// The filter's clear glyph shows beside the pause button, not under it, and a click on it clears:
// its whole region answers, paused or not, and the text field stops short of it.
TEST_P(DetailPagesPaint, TheFilterClearGlyphIsClearOfThePauseButton) {
  for (const bool paused : {false, true}) {
    PanelState panel;
    panel.page = Page::kMetricDetail;
    panel.filter_text = "app";
    panel.paused = paused;
    paint(panel, rgb(0x4FA3FF), paused ? "detail_filter_paused" : "detail_filter");
    const HitRegion* clear = nullptr;
    for (const HitRegion& r : panel.hit_regions)
      if (r.action.kind == ActionKind::kClearFilter) clear = &r;
    ASSERT_NE(clear, nullptr);
    EXPECT_GE(clear->right - clear->left, px(20, scale()));
    for (int32_t x = clear->left; x < clear->right; ++x) {
      const auto hit = hit_test(panel.hit_regions, x, (clear->top + clear->bottom) / 2);
      ASSERT_TRUE(hit.has_value());
      EXPECT_EQ(panel.hit_regions[*hit].action.kind, ActionKind::kClearFilter) << "x " << x << (paused ? " paused" : "");
    }
    const Rect field = *filter_field_rect(Page::kMetricDetail, bmp_->w(), scale());
    EXPECT_LE(field.right, clear->left) << "the text field would hide the glyph";
  }
}

// The pointer moving from one process row to the next, away from their "×", is a change of
// region: the highlight follows it at once, not with the next sample.
TEST_P(DetailPagesPaint, MovingBetweenProcessRowsChangesTheHoverRegion) {
  PanelState panel;
  panel.page = Page::kAppDetail;
  panel.selected_app = "app7.exe";
  panel.processes_expanded = true;
  paint(panel, rgb(0x4FA3FF), "app_detail_rows");
  std::vector<int32_t> row_middles;
  for (const HitRegion& r : panel.hit_regions)
    if (r.action.kind == ActionKind::kCloseProcess) row_middles.push_back((r.top + r.bottom) / 2);
  ASSERT_EQ(row_middles.size(), 2u);
  const int32_t x = px(40, scale());
  EXPECT_TRUE(hover_region_changed(panel.hit_regions, std::pair{x, row_middles[0]}, x, row_middles[1]));
  EXPECT_TRUE(hover_region_changed(panel.hit_regions, std::nullopt, x, row_middles[0])) << "entering a row";
}

// A pop-up as short as one drive and two tiles make it (302 pixels at the default size) still
// reaches app detail's processes: the page scrolls below its band, and scrolled to its end the
// rows can be closed, none of them under the band.
TEST_P(DetailPagesPaint, AShortPopupScrollsAppDetailToItsProcesses) {
  PanelState panel;
  panel.page = Page::kAppDetail;
  panel.selected_app = "app7.exe";
  panel.processes_expanded = true;
  panel.scroll_offset = 100000;
  const int32_t height = px(302, scale());
  paint(panel, rgb(0x4FA3FF), "app_detail_short", height);
  EXPECT_GT(panel.scroll_max, 0);
  EXPECT_EQ(panel.scroll_offset, panel.scroll_max);
  size_t closable = 0;
  for (const HitRegion& r : panel.hit_regions) {
    if (r.action.kind != ActionKind::kCloseProcess) continue;
    ++closable;
    EXPECT_GE(r.top, px(12, scale()) + px(50, scale()));
    EXPECT_LE(r.bottom, height - px(12, scale()));
  }
  EXPECT_EQ(closable, 2u);
}

// A list that shrank since the last paint (a sample, a filter) is placed with an offset its new
// length allows, in the same paint: no rows drawn past its end, none missing at its top.
TEST_P(DetailPagesPaint, AListThatShrankIsPlacedWithinItsNewLength) {
  struct Case {
    Page page;
    ActionKind row_kind;
    size_t rows;
  };
  for (const Case& c : {Case{Page::kMetricDetail, ActionKind::kOpenAppRow, 25}, Case{Page::kAppDetail, ActionKind::kCloseProcess, 2}}) {
    PanelState panel;
    panel.page = c.page;
    panel.selected_app = "app7.exe";
    panel.processes_expanded = true;
    panel.scroll_offset = 5000;  // from a longer list
    panel.scroll_max = 5000;
    paint(panel, rgb(0x4FA3FF), "shrunk_list");
    EXPECT_LE(panel.scroll_offset, panel.scroll_max);
    size_t shown = 0;
    for (const HitRegion& r : panel.hit_regions) shown += r.action.kind == c.row_kind && r.top < r.bottom;
    EXPECT_GT(shown, 0u) << "page " << static_cast<int>(c.page);
    if (c.rows <= 2) EXPECT_EQ(shown, c.rows);
  }
}

INSTANTIATE_TEST_SUITE_P(ThemesAndSizes, DetailPagesPaint,
                         ::testing::Values(DetailCase{0, 1}, DetailCase{1, 1}, DetailCase{2, 1}, DetailCase{0, 3},
                                           DetailCase{1, 3}, DetailCase{2, 3}));

}  // namespace
}  // namespace qv
