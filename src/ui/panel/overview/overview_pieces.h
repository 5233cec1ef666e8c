#pragma once
// How the overview's own pieces read aloud: a card as its metric and figure ("CPU, 36 percent"),
// a search result as its app and figures, a banner as its text.
#include <optional>
#include <string_view>
#include <vector>

#include "core/snapshot.h"
#include "ui/panel/frame/panel_pieces.h"
#include "ui/panel/overview/overview_model.h"

namespace qv {

// Nothing for a region the kit names (links, the clear glyph).
std::optional<PieceText> overview_piece_text(const Action& action, const Snapshot& snapshot,
                                             std::string_view filter_lower, const std::vector<Banner>& banners);

}  // namespace qv
