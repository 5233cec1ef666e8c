#include "ui/panel/detail/detail_actions.h"

namespace qv {

bool perform_detail_action(PanelState& panel, PanelHost& host, const Action& action) {
  switch (action.kind) {
    case ActionKind::kTogglePause:
      // A paused page shows the frozen copy; resuming goes back to the live one.
      if (panel.paused) {
        panel.paused = false;
        panel.frozen_snapshot.reset();
      } else {
        panel.frozen_snapshot = host.current_snapshot();
        panel.paused = true;
      }
      break;
    default:
      return false;
  }
  return true;
}

}  // namespace qv
