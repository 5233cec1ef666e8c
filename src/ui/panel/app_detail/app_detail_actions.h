#pragma once
// What app detail's clicks do: its process section, and closing an app or a process.
#include "ui/panel/frame/hit_test.h"
#include "ui/panel/frame/panel_host.h"
#include "ui/panel/frame/panel_state.h"

namespace qv {

// The process section's fold and sort, and the close actions of app detail and the app lists. Returns false for any other action; indexes outside their lists do nothing.
bool perform_app_detail_action(PanelState& panel, PanelHost& host, const Action& action);

}  // namespace qv
