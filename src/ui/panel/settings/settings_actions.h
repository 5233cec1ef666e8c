#pragma once
// What the settings sections' clicks do to the settings, and what the window must then follow.
#include "config/settings.h"
#include "ui/panel/frame/hit_test.h"
#include "ui/panel/frame/panel_host.h"
#include "ui/panel/frame/panel_state.h"

namespace qv {

// The actions of the settings sections. Returns false for any other action; indexes outside their lists do nothing.
bool perform_settings_action(PanelState& panel, Settings& settings, PanelHost& host, const Action& action);

}  // namespace qv
