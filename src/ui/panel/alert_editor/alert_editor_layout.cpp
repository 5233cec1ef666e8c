#include "ui/panel/alert_editor/alert_editor_layout.h"

#include <algorithm>

#include "ui/panel/alert_editor/alert_editor.h"

namespace qv {
namespace {

// One labelled row of the editor: the label in the left column, returns where its content starts.
int32_t editor_label(PageBuilder& b, int32_t y, std::string_view label) {
  b.text(b.x0(), y + b.px(5), label);
  return b.x0() + b.px(66);
}

// Returns the bottom of the last row.
int32_t editor(PageBuilder& b, int32_t y) {
  static const AlertEditorState kDefaults;
  const AlertEditorState& e = b.in.editor ? *b.in.editor : kDefaults;
  const int32_t x0 = b.x0();
  const int32_t right = b.w() - x0;
  const int32_t row = b.px(30);
  y = b.heading(y, "ALERT ME WHEN");

  const int32_t gap = b.px(6);
  const int32_t column = (right - x0 - gap) / 2;
  for (size_t i = 0; i < kAlertTiles.size(); ++i) {
    const int32_t left = x0 + static_cast<int32_t>(i % 2) * (column + gap);
    const int32_t top = y + static_cast<int32_t>(i / 2) * b.px(24);
    PageItem tile;
    tile.kind = ItemKind::kTile;
    tile.rect = Rect{left, top, left + column, top + b.px(20)};
    tile.text = kAlertTiles[i].label;
    tile.on = e.metric == i;
    b.view.items.push_back(tile);
    b.region(tile.rect, make_action(ActionKind::kAlertMetric, i));
  }
  y += 4 * b.px(24) + b.px(6);

  int32_t x = editor_label(b, y, "goes");
  x = b.chip(x, y, "above", e.above, make_action(ActionKind::kAlertAbove, 0, 1));
  b.chip(x, y, "below", !e.above, make_action(ActionKind::kAlertAbove, 0, 0));
  y += row;

  const bool app = e.metric == kAppTile;
  if (app) {
    x = editor_label(b, y, "app");
    const Rect frame{x, y, right - b.px(52), y + b.px(24)};
    b.input_frame(frame);
    b.view.field_frames[0] = frame;
    PageItem pick;
    pick.kind = ItemKind::kButton;
    pick.rect = Rect{frame.right + b.px(6), y, right, y + b.px(24)};
    pick.text = "pick ▾";
    b.view.items.push_back(pick);
    b.region(pick.rect, make_action(ActionKind::kAlertAppPicker));
    y += row;
    std::vector<PageBuilder::ChipSpec> measures;
    for (size_t i = 0; i < kAppMeasureChips.size(); ++i) {
      measures.push_back({kAppMeasureChips[i].label, e.measure == i, make_action(ActionKind::kAlertMeasure, i)});
    }
    y = b.chips(editor_label(b, y, "measuring"), y, measures) + row;
  }

  x = editor_label(b, y, "reaches");
  const Rect threshold{x, y, x0 + b.px(144), y + b.px(24)};
  b.input_frame(threshold);
  b.view.field_frames[1] = threshold;
  if (!app) b.text(threshold.right + b.px(6), y + b.px(4), kAlertTiles[std::min<uint8_t>(e.metric, kAppTile)].unit,
                   FontRole::kBody, Ink::kDim);
  y += row;

  std::vector<PageBuilder::ChipSpec> deliveries;
  for (size_t i = 0; i < kDeliveryChips.size(); ++i) deliveries.push_back({kDeliveryChips[i], e.delivery == i, make_action(ActionKind::kAlertDelivery, i)});
  y = b.chips(editor_label(b, y, "deliver by"), y, deliveries) + row;

  if (e.delivery == 1 || e.delivery == 2) {
    x = editor_label(b, y, "log file");
    const Rect frame{x, y, right, y + b.px(24)};
    b.input_frame(frame);
    b.view.field_frames[2] = frame;
    y += row;
  }

  const std::string cooldown = std::string("at most every ") + kCooldownChoices[std::min<size_t>(e.cooldown, 2)].label;
  y = b.chips(x0, y, {{"include top apps", e.include_top, make_action(ActionKind::kAlertIncludeTop)},
                      {cooldown, false, make_action(ActionKind::kAlertCooldown)}}) + row;
  if (e.path_rejected) {
    b.text(x0, y, kLogPathWarning, FontRole::kSmall, Ink::kWarning);
    y += b.px(20);
  }
  y = b.chips(x0, y, {{"save alert", true, make_action(ActionKind::kAlertSave)}, {"cancel", false, make_action(ActionKind::kAlertCancel)}});
  return y + b.px(24);
}

}  // namespace

PageView layout_alert_editor(const PageInput& in, const RoleTextMeasure& measure) {
  PageBuilder b{in, measure, {}};
  if (!in.settings || in.page != Page::kAlertEditor) return std::move(b.view);
  const int32_t band_bottom = page_band_bottom(in.scale);
  // The editor scrolls beneath its band like the sections: in a short pop-up "save alert" is
  // reached with the wheel. A field whose frame is not wholly in view is not placed.
  b.view.title = "New alert";
  b.view.title_colour = colours::alerts;
  b.view.list_top = band_bottom;
  const int32_t top = band_bottom - in.scroll_offset;
  b.view.content_height = editor(b, top) - top;
  clip_to_list(b);
  for (size_t i = 0; i < b.view.field_frames.size(); ++i) {
    std::optional<Rect>& frame = b.view.field_frames[i];
    if (frame && (frame->top < band_bottom || frame->bottom > in.height - b.px(12))) {
      b.view.scrolled_out_frames[i] = frame;
      frame.reset();
    }
  }
  return std::move(b.view);
}

}  // namespace qv
