#pragma once
// Paints the settings home and the settings sections; the connect command of the AI tools section.
#include <windows.h>

#include <string>

#include "ui/panel/kit/page_paint_win.h"
#include "ui/panel/settings/settings_layout.h"

namespace qv {

// Paints page 2 or 3 of `in` (see paint_page_view).
PageView paint_settings_page(const PanelCanvas& c, const PageInput& in);

// The connect command for this program's own folder (read once).
const std::string& own_connect_command();

}  // namespace qv
