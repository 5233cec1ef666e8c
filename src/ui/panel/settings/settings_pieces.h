#pragma once
// How the settings pages' own pieces read aloud: the sections of the settings home and the
// metric rows of the main panel section (the kit names the links, chips and check rows).
#include <optional>

#include "config/settings.h"
#include "ui/panel/frame/panel_pieces.h"

namespace qv {

std::optional<PieceText> settings_piece_text(const Action& action, const Settings& settings);

}  // namespace qv
