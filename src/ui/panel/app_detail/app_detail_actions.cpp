#include "ui/panel/app_detail/app_detail_actions.h"

#include "ui/panel/app_detail/close_apps.h"

namespace qv {

bool perform_app_detail_action(PanelState& panel, PanelHost& host, const Action& action) {
  switch (action.kind) {
    case ActionKind::kToggleProcesses:
      panel.processes_expanded = !panel.processes_expanded;
      panel.scroll_offset = 0;
      break;
    case ActionKind::kSetProcessSort:
      if (action.flag >= 6) break;
      panel.process_sort = action.flag;
      panel.scroll_offset = 0;
      break;
    case ActionKind::kCloseAppRow:
    case ActionKind::kCloseSelectedApp:
    case ActionKind::kCloseProcess:
      // The ids come from the list the user saw (or the snapshot copy of the click), not from
      // whatever sample arrives while the question is open.
      if (auto request = close_request(panel, host.current_snapshot(), action)) {
        host.close_processes(request->name, request->pids);
      }
      break;
    default:
      return false;
  }
  return true;
}

}  // namespace qv
