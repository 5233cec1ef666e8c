#include "ui/panel/frame/panel_layout.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "config/settings.h"
#include "ui/gdi/scale.h"
#include "ui/panel/frame/hit_test.h"

namespace qv {
namespace {

HitRegion region(int32_t l, int32_t t, int32_t r, int32_t b, ActionKind kind) {
  HitRegion h;
  h.left = l;
  h.top = t;
  h.right = r;
  h.bottom = b;
  h.action.kind = kind;
  return h;
}

TEST(PanelHitTest, FirstRegionWinsAndRightAndBottomAreExclusive) {
  // A label drawn before the band that contains it.
  const std::vector<HitRegion> regions = {region(200, 10, 300, 50, ActionKind::kClearAgents),
                                          region(12, 10, 324, 50, ActionKind::kBack)};
  EXPECT_EQ(hit_test(regions, 250, 20), 0u);
  EXPECT_EQ(hit_test(regions, 199, 20), 1u);
  EXPECT_EQ(hit_test(regions, 300, 20), 1u) << "the label's right edge belongs to the band";
  EXPECT_EQ(hit_test(regions, 12, 10), 1u);
  EXPECT_EQ(hit_test(regions, 324, 20), std::nullopt);
  EXPECT_EQ(hit_test(regions, 100, 50), std::nullopt);
  EXPECT_EQ(hit_test(regions, 11, 49), std::nullopt);
  EXPECT_EQ(hit_test({}, 0, 0), std::nullopt);
  EXPECT_EQ(hit_test({region(5, 5, 5, 9, ActionKind::kBack)}, 5, 6), std::nullopt) << "an empty region";
}

TEST(PanelScrollbar, ThumbSizeAndPosition) {
  PanelState p;
  // Visible height 500 - 12 - 100 = 388; content 776 gives a thumb of half the track.
  p.scroll_offset = 9999;
  auto shape = layout_scrollbar(p, 336, 500, 100, 776, 1.0f);
  EXPECT_EQ(p.scroll_max, 388);
  EXPECT_EQ(p.scroll_offset, 388);
  ASSERT_TRUE(shape.track && shape.thumb);
  EXPECT_EQ(*shape.track, (Rect{330, 100, 333, 488}));
  EXPECT_EQ(*shape.thumb, (Rect{330, 100 + 194, 333, 100 + 194 + 194}));
  p.scroll_offset = 97;  // a quarter of the way: (388 - 194) * 97 / 388 = 48 (truncated)
  shape = layout_scrollbar(p, 336, 500, 100, 776, 1.0f);
  EXPECT_EQ(shape.thumb->top, 148);
}

TEST(PanelScrollbar, ShortThumbKeepsItsMinimumLength) {
  PanelState p;
  auto shape = layout_scrollbar(p, 336, 500, 100, 388 * 100, 1.0f);  // thumb would be 3 px
  ASSERT_TRUE(shape.thumb);
  EXPECT_EQ(shape.thumb->top, 100);
  EXPECT_EQ(shape.thumb->bottom, 116);
}

TEST(PanelScrollbar, ContentThatFitsDrawsNothingAndScrollMaxIsNeverNegative) {
  PanelState p;
  p.scroll_offset = 40;
  p.scroll_max = 80;
  auto shape = layout_scrollbar(p, 336, 500, 100, 50, 1.0f);
  EXPECT_EQ(p.scroll_max, 0);
  EXPECT_EQ(p.scroll_offset, 0);
  EXPECT_FALSE(shape.track || shape.thumb);
  layout_scrollbar(p, 336, 500, 100, 388, 1.0f);  // exactly fits
  EXPECT_EQ(p.scroll_max, 0);
  p.scroll_offset = -5;
  layout_scrollbar(p, 336, 500, 100, 1000, 1.0f);
  EXPECT_EQ(p.scroll_offset, 0);
}

TEST(PanelWindowSize, FollowsCardsDrivesAndBannerRows) {
  EXPECT_EQ(overview_client_size(1.0f, 1, 7, false, 0), (Size{336, 12 + 144 + 42 + 7 * 52}));
  EXPECT_EQ(overview_client_size(1.0f, 0, 7, false, 0), overview_client_size(1.0f, 1, 7, false, 0))
      << "no drives reserve one drive row";
  EXPECT_EQ(overview_client_size(1.0f, 4, 0, false, 0).height, 12 + 144 + 4 * 42 + 52);
  EXPECT_EQ(overview_client_size(1.0f, 1, 7, true, 0).height, 12 + 144 + 42 + 7 * 52 + 30)
      << "the banner space is kept while the AI link is on";
  EXPECT_EQ(overview_client_size(1.0f, 1, 7, true, 2).height, 12 + 144 + 42 + 7 * 52 + 60);
  EXPECT_EQ(overview_client_size(1.0f, 1, 7, false, 2).height, 12 + 144 + 42 + 7 * 52);
  // Each length is converted on its own: 1.15 gives 13 + 165 + 48 + 59 * 2 = 344.
  EXPECT_EQ(overview_client_size(1.15f, 1, 2, false, 0), (Size{386, 13 + 165 + 48 + 59 * 2}));
}

TEST(PanelLayoutKey, PageNumbersAndFieldPlacement) {
  EXPECT_EQ(page_layout_number(Page::kOverview, 0), 0);
  EXPECT_EQ(page_layout_number(Page::kSettingsSection, 1), 101);
  EXPECT_EQ(page_layout_number(Page::kAlertEditor, 0), 3);
  EXPECT_EQ(page_layout_number(Page::kAppDetail, 0), 4);
  EXPECT_EQ(page_layout_number(Page::kActivity, 0), 7);
  // Every field of the key, each from its own source (page number, flags, size).
  PanelState p;
  p.page = Page::kSettingsSection;
  p.sub_page = 1;
  EXPECT_EQ(make_layout_key(p, true, false, 336, 600), (LayoutKey{101, true, false, false, 336, 600}));
  p.processes_expanded = true;
  EXPECT_EQ(make_layout_key(p, false, true, 337, 601), (LayoutKey{101, false, true, true, 337, 601}));

  // Inside their frames: 6 in from the left, 3 from the top and bottom, short of the clear glyph's
  // 24 at the right. The detail frame (56..262) ends 6 before the 56-wide pause button.
  EXPECT_EQ(filter_field_rect(Page::kOverview, 336, 1.0f), (Rect{72 + 6, 37 + 3, 324 - 24, 61 - 3}));
  EXPECT_EQ(filter_field_rect(Page::kMetricDetail, 336, 1.0f), (Rect{56 + 6, 62 + 3, 262 - 24, 86 - 3}));
  EXPECT_EQ(filter_field_rect(Page::kSettingsHome, 336, 1.0f), std::nullopt);
}

TEST(PanelLayoutKey, RequestFieldOnlyWhenItsRowIsFullyVisible) {
  PanelState p;
  p.page = Page::kSettingsSection;
  p.sub_page = 1;
  p.request_field_y = 200;
  EXPECT_EQ(request_field_rect(p, true, 280, 400, 1.0f), (Rect{18, 203, 270, 221}));
  EXPECT_EQ(request_field_rect(p, false, 280, 400, 1.0f), std::nullopt);
  EXPECT_EQ(request_field_rect(p, true, 280, 223, 1.0f), std::nullopt) << "row cut by the bottom";
  EXPECT_NE(request_field_rect(p, true, 280, 224, 1.0f), std::nullopt);
  p.request_field_y = 61;  // under the settings title band
  EXPECT_EQ(request_field_rect(p, true, 280, 400, 1.0f), std::nullopt);
  p.request_field_y = -1;
  EXPECT_EQ(request_field_rect(p, true, 280, 400, 1.0f), std::nullopt);
  p.request_field_y = 200;
  p.sub_page = 0;
  EXPECT_EQ(request_field_rect(p, true, 280, 400, 1.0f), std::nullopt);
}

TEST(OverviewLayout, PlacesEveryPieceFromTheTop) {
  const OverviewLayout l = overview_layout(OverviewLayoutInput{1.0f, 336, 500, 2, 2, 1, true});
  EXPECT_EQ(l.header_y, 12);
  EXPECT_EQ(l.search_label, (Point{12, 42}));
  EXPECT_EQ(l.search_frame, (Rect{72, 37, 324, 61}));
  EXPECT_EQ(l.body_top, 70);
  EXPECT_EQ(l.cards, (std::vector<Rect>{{12, 70, 324, 116}, {12, 122, 324, 168}}));
  EXPECT_EQ(l.drives_heading_y, 178);
  ASSERT_EQ(l.drive_rows.size(), 2u);
  EXPECT_EQ(l.drive_rows[0].row, (Rect{12, 200, 324, 242}));
  EXPECT_EQ(l.drive_rows[0].meter, (Rect{12, 222, 324, 230}));
  EXPECT_EQ(l.drive_rows[1].row, (Rect{12, 242, 324, 284}));
  EXPECT_EQ(l.drive_rows[1].meter, (Rect{12, 264, 324, 272}));
  EXPECT_EQ(l.content_bottom, 284);
  EXPECT_EQ(l.banners, (std::vector<Rect>{{12, 462, 324, 488}}));
  EXPECT_EQ(l.content_height, 284 + 48 + 30 + 12);

  const OverviewLayout none = overview_layout(OverviewLayoutInput{1.0f, 336, 500, 1, 0, 0, false});
  EXPECT_EQ(none.no_drives_y, 152);
  EXPECT_TRUE(none.drive_rows.empty());
  EXPECT_EQ(none.content_bottom, 148 + 42) << "the empty line takes one drive row";
  EXPECT_TRUE(none.banners.empty());
}

// The pop-up's size formula and the painted layout are written apart; they must agree, or the
// window silently stops fitting its content. At 100 % every length is whole and they are equal;
// at the other text sizes each length is truncated on its own, so the formula may exceed the
// painted height by the rounding (a pixel or so for the fixed part and for each drive and banner
// row) but never fall short of it.
TEST(OverviewLayout, PaintedHeightMatchesTheSizeFormula) {
  for (uint32_t text_size = 0; text_size < 4; ++text_size) {
    const float s = text_size_factor(text_size);
    for (size_t cards = 1; cards <= 7; ++cards) {
      for (size_t drives = 0; drives <= 8; ++drives) {
        for (size_t banners = 0; banners <= 2; ++banners) {
          for (bool mcp : {false, true}) {
            const int32_t formula = overview_client_size(s, drives, cards, mcp, banners).height;
            const size_t painted_banners = mcp ? banners : 0;
            const OverviewLayout l =
                overview_layout(OverviewLayoutInput{s, px(336, s), formula, cards, drives, painted_banners, mcp});
            const std::string where = "text size " + std::to_string(text_size) + ", " + std::to_string(cards) +
                                      " cards, " + std::to_string(drives) + " drives, " + std::to_string(banners) +
                                      " banners" + (mcp ? "" : ", link off");
            if (s == 1.0f) {
              EXPECT_EQ(l.content_height, formula) << where;
            } else {
              EXPECT_GE(formula, l.content_height) << where;
              const int32_t rows = static_cast<int32_t>(drives + (mcp ? std::max<size_t>(banners, 1) : 0));
              EXPECT_LE(formula - l.content_height, 4 + rows) << where;
            }
            // Whatever the rounding, the drives never run into the banners.
            if (!l.banners.empty()) EXPECT_LE(l.content_bottom, l.banners.back().top) << where;
            EXPECT_LE(l.content_bottom, formula - px(12, s)) << where;
          }
        }
      }
    }
  }
}

TEST(PanelBannerRects, StackUpwardsFromTheBottom) {
  EXPECT_EQ(banner_rect(0, 336, 600, 1.0f), (Rect{12, 562, 324, 588}));
  EXPECT_EQ(banner_rect(1, 336, 600, 1.0f), (Rect{12, 532, 324, 558}));
}

}  // namespace
}  // namespace qv

namespace qv {
namespace {

TEST(PanelHover, RepaintOnlyWhenTheRegionUnderThePointerChanges) {
  const std::vector<HitRegion> regions = {region(0, 0, 100, 50, ActionKind::kBack),
                                          region(0, 50, 100, 100, ActionKind::kOpenSettings)};
  EXPECT_FALSE(hover_region_changed(regions, std::pair{10, 10}, 90, 40)) << "moving inside one region";
  EXPECT_FALSE(hover_region_changed(regions, std::pair{150, 10}, 160, 40)) << "moving outside all regions";
  EXPECT_TRUE(hover_region_changed(regions, std::pair{10, 49}, 10, 50)) << "to the next region";
  EXPECT_TRUE(hover_region_changed(regions, std::pair{99, 10}, 100, 10)) << "leaving over the right edge";
  EXPECT_TRUE(hover_region_changed(regions, std::nullopt, 10, 10)) << "entering the window over a region";
  EXPECT_FALSE(hover_region_changed(regions, std::nullopt, 300, 10));
}

}  // namespace
}  // namespace qv
