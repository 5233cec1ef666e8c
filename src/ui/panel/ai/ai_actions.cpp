#include "ui/panel/ai/ai_actions.h"

#include "ui/panel/frame/panel_navigation.h"

namespace qv {

bool perform_ai_action(PanelState& panel, PanelHost& host, const Action& action) {
  const uint64_t index = action.index;
  switch (action.kind) {
    case ActionKind::kToggleMessage:
      if (!panel.expanded_messages.erase(index)) panel.expanded_messages.insert(index);
      break;
    case ActionKind::kToggleActivityItem:
      if (!panel.expanded_ai_items.erase(index)) panel.expanded_ai_items.insert(index);
      break;
    case ActionKind::kClearAgents:
      host.clear_agents();
      break;
    case ActionKind::kClearFinishedAgents:
      host.clear_finished_agents();
      break;
    case ActionKind::kToggleActivityView:
      panel.finished_expanded = !panel.finished_expanded;
      panel.scroll_offset = 0;
      break;
    case ActionKind::kClearMessages:
      host.clear_messages();
      panel.expanded_messages.clear();
      navigate(panel, host, Page::kOverview, 0);
      break;
    default:
      return false;
  }
  return true;
}

}  // namespace qv
