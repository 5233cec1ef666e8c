#pragma once
// How the alert editor's own pieces read aloud: its metric tiles, one of which is chosen, and the
// app picker (the kit names the chips, "save alert" and "cancel").
#include <optional>

#include "ui/panel/alert_editor/alert_editor_state.h"
#include "ui/panel/frame/panel_pieces.h"

namespace qv {

std::optional<PieceText> alert_editor_piece_text(const Action& action, const AlertEditorState& editor);

}  // namespace qv
