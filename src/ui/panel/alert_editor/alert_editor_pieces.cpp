#include "ui/panel/alert_editor/alert_editor_pieces.h"

#include <string>
#include <utility>

#include "ui/panel/alert_editor/alert_editor.h"

namespace qv {
namespace {

// One of a row of chips of which one is chosen, read with its row's label ("goes above").
PieceText option(std::string key, std::string name, const char* group, bool chosen) {
  return PieceText{std::move(key), std::move(name), AccessRole::kRadioButton, group, chosen};
}

}  // namespace

std::optional<PieceText> alert_editor_piece_text(const Action& action, const AlertEditorState& editor) {
  const auto i = static_cast<size_t>(action.index);
  switch (action.kind) {
    case ActionKind::kAlertMetric:
      if (i >= kAlertTiles.size()) return std::nullopt;
      return option("metric:" + std::to_string(i), kAlertTiles[i].label, "metrics", editor.metric == i);
    case ActionKind::kAlertAbove:
      return action.flag ? option("above", "goes above", "comparison", editor.above)
                         : option("below", "goes below", "comparison", !editor.above);
    case ActionKind::kAlertMeasure:
      if (i >= kAppMeasureChips.size()) return std::nullopt;
      return option("measure:" + std::to_string(i), std::string("measuring ") + kAppMeasureChips[i].label, "measures",
                    editor.measure == i);
    case ActionKind::kAlertDelivery:
      if (i >= kDeliveryChips.size()) return std::nullopt;
      return option("deliver:" + std::to_string(i), std::string("deliver by ") + kDeliveryChips[i], "deliveries",
                    editor.delivery == i);
    case ActionKind::kAlertIncludeTop:
      return PieceText{"top-apps", "include top apps", AccessRole::kCheckBox, "", editor.include_top};
    case ActionKind::kAlertSave:
      // Drawn as chosen to stand out; it is a button, not a choice. The warning above it is read
      // with it: it says why saving does nothing yet.
      return PieceText{"save", editor.path_rejected ? std::string("save alert. ") + kLogPathWarning : "save alert",
                       AccessRole::kPushButton, ""};
    case ActionKind::kAlertAppPicker:
      return PieceText{"pick", "Pick a running app", AccessRole::kPushButton, ""};
    default:
      return std::nullopt;
  }
}

std::string alert_threshold_field_name(const AlertEditorState& editor) {
  if (editor.metric >= kAppTile) return "Threshold";
  const std::string unit = kAlertTiles[editor.metric].unit;
  return "Threshold, " + (unit == "%" ? std::string("percent") : unit);
}

}  // namespace qv
