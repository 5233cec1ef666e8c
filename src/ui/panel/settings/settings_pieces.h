#pragma once
// How the settings pages' own pieces read aloud: the sections of the settings home, the metric
// rows of the main panel section and "Start with Windows" with its warning (the kit names the
// other links, chips and check rows).
#include <optional>

#include "config/settings.h"
#include "ui/panel/frame/panel_pieces.h"

namespace qv {

// Whether the program starts with Windows, and whether the last change of it failed.
struct AutostartShown {
  bool on = false;
  bool failed = false;
};

std::optional<PieceText> settings_piece_text(const Action& action, const Settings& settings,
                                             const AutostartShown& autostart = {});

}  // namespace qv
