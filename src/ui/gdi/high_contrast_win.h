#pragma once
// The system's high-contrast mode: read when the program starts and whenever the system says its
// colours or settings changed, and handed to the theme, which then paints every window in the
// system's colours until the mode is switched off.
#include <windows.h>

#include <optional>

#include "ui/gdi/theme.h"

namespace qv {

// The system colours while high contrast is on; nothing while it is off or cannot be read.
std::optional<SystemColours> read_high_contrast();

// Reads the mode and hands it to the theme; true when what the windows paint with changed.
bool refresh_high_contrast();

// The messages after which the mode or its colours may have changed.
inline bool may_change_high_contrast(UINT msg) { return msg == WM_SYSCOLORCHANGE || msg == WM_SETTINGCHANGE; }

}  // namespace qv
