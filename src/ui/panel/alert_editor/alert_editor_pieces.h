#pragma once
// How the alert editor's pieces read aloud: its metric tiles and each row of chips as options of
// which one is chosen, read with the row's label ("goes above", "deliver by file"); "include top
// apps" as a check box; "save alert" as a button (it is drawn as chosen only to stand out); the
// app picker. The kit names "cancel" and the cooldown chip by what they show.
#include <optional>
#include <string>

#include "ui/panel/alert_editor/alert_editor_state.h"
#include "ui/panel/frame/panel_pieces.h"

namespace qv {

std::optional<PieceText> alert_editor_piece_text(const Action& action, const AlertEditorState& editor);
// The threshold field, with the unit shown after it: "Threshold, percent"; "Threshold" for an app.
std::string alert_threshold_field_name(const AlertEditorState& editor);

}  // namespace qv
