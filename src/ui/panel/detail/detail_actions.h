#pragma once
// What the metric detail page's own clicks do.
#include "ui/panel/frame/hit_test.h"
#include "ui/panel/frame/panel_host.h"
#include "ui/panel/frame/panel_state.h"

namespace qv {

// Pause and resume. Returns false for any other action; indexes outside their lists do nothing.
bool perform_detail_action(PanelState& panel, PanelHost& host, const Action& action);

}  // namespace qv
