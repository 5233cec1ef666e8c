#include "ui/panel/alert_editor/alert_editor_pieces.h"

#include <string>

#include "ui/panel/alert_editor/alert_editor.h"

namespace qv {

std::optional<PieceText> alert_editor_piece_text(const Action& action, const AlertEditorState& editor) {
  if (action.kind == ActionKind::kAlertMetric) {
    if (action.index >= kAlertTiles.size()) return std::nullopt;
    return PieceText{"metric:" + std::to_string(action.index), kAlertTiles[static_cast<size_t>(action.index)].label,
                     AccessRole::kRadioButton, "metrics", editor.metric == action.index};
  }
  if (action.kind == ActionKind::kAlertAppPicker) {
    return PieceText{"pick", "Pick a running app", AccessRole::kPushButton, ""};
  }
  return std::nullopt;
}

}  // namespace qv
