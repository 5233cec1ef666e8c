#pragma once
// How the metric detail page's rows read aloud: "builder.exe, 18.9 percent CPU" for a row, and
// "Close builder.exe" for its ✕.
#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

#include "core/snapshot.h"
#include "ui/panel/detail/detail_model.h"
#include "ui/panel/frame/panel_pieces.h"

namespace qv {

// `snapshot` is the one the page shows (the paused copy while paused). Nothing for a region the
// kit names (Back, Pause, the clear glyph).
std::optional<PieceText> detail_piece_text(const Action& action, const Snapshot& snapshot, uint8_t measure,
                                           std::string_view filter_lower);
// The same from the rows the page lists (detail_rows of that snapshot, measure and filter), worked
// out once for all of a paint's pieces: every row of a long list is a piece.
std::optional<PieceText> detail_piece_text(const Action& action, const std::vector<DetailRow>& rows, uint8_t measure);

}  // namespace qv
