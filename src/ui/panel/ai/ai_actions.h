#pragma once
// What the AI pages' clicks do: folding items and clearing lists.
#include "ui/panel/frame/hit_test.h"
#include "ui/panel/frame/panel_host.h"
#include "ui/panel/frame/panel_state.h"

namespace qv {

// The AI activity and messages pages' actions. Returns false for any other action; indexes outside their lists do nothing.
bool perform_ai_action(PanelState& panel, PanelHost& host, const Action& action);

}  // namespace qv
