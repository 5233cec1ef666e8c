#pragma once
// The settings file zelmor.ini in LOCALAPPDATA.
#include <optional>
#include <string>

#include "config/settings.h"

namespace qv {

std::optional<std::wstring> settings_path();
// Any failure (no path, unreadable, too large, not UTF-8) gives the defaults. A sharing violation
// is retried for about half a second first.
Settings load_settings();
// Writes a temporary file beside the settings and swaps it in, so a failed save leaves the old
// file whole; only when the swap keeps failing is the file rewritten in place. Failures are
// ignored: the next save tries again. The first save after a file failed to load keeps that file
// as zelmor.ini.bad (replacing an older one) and logs it; if it cannot be kept, nothing is saved.
void save_settings(const Settings& settings);

}  // namespace qv
