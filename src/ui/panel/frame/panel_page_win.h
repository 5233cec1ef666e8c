#pragma once
// Everything of one panel paint that happens inside the off-screen device context: the
// background, the fresh region list and the current page. Kept apart from the window so that
// tests and the benchmark can paint into a memory bitmap.
#include <windows.h>

#include "ui/panel/ai/panel_ai_pages_win.h"
#include "ui/panel/app_detail/panel_app_detail_win.h"
#include "ui/panel/overview/panel_overview_win.h"
#include "ui/panel/kit/panel_widgets_win.h"
#include "ui/panel/settings/settings_layout.h"

namespace qv {

// `app` feeds the app detail page, `ai` the AI activity and messages pages (without it they show
// their empty states) and `settings` the settings pages and the alert editor; the other pages read
// `in`. The returned layout is that of the settings pages (empty for the others).
PageView paint_page(const PanelCanvas& c, const OverviewInput& in, const AppDetailInput& app = {},
                    const AiPagesInput* ai = nullptr, const PageInput* settings = nullptr);

}  // namespace qv
