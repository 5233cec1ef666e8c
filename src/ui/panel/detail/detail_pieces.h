#pragma once
// How the metric detail page's rows read aloud: "builder.exe, 18.9 percent CPU" for a row, and
// "Close builder.exe" for its ✕.
#include <cstdint>
#include <optional>
#include <string_view>

#include "core/snapshot.h"
#include "ui/panel/frame/panel_pieces.h"

namespace qv {

// `snapshot` is the one the page shows (the paused copy while paused). Nothing for a region the
// kit names (Back, Pause, the clear glyph).
std::optional<PieceText> detail_piece_text(const Action& action, const Snapshot& snapshot, uint8_t measure,
                                           std::string_view filter_lower);

}  // namespace qv
