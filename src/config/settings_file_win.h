#pragma once
// The settings file zelmor.ini in LOCALAPPDATA.
#include <optional>
#include <string>

#include "config/settings.h"

namespace qv {

std::optional<std::wstring> settings_path();
// Any failure (no path, unreadable, too large, not UTF-8) gives the defaults.
Settings load_settings();
// Writes a temporary file beside the settings and swaps it in, so a failed save leaves the old
// file whole; only when the swap keeps failing is the file rewritten in place. Failures are
// ignored: the next save tries again.
void save_settings(const Settings& settings);

}  // namespace qv
