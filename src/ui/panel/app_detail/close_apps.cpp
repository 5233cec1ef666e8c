#include "ui/panel/app_detail/close_apps.h"

#include "util/untrusted_text.h"
#include "util/lower.h"

namespace qv {

std::optional<CloseRequest> close_request(const PanelState& panel, const Snapshot& current, const Action& action) {
  switch (action.kind) {
    case ActionKind::kCloseSelectedApp: {
      if (!panel.selected_app) return std::nullopt;
      CloseRequest r{*panel.selected_app, {}};
      for (const ProcessSample& p : current.processes) {
        if (p.name == r.name) r.pids.push_back(p.pid);
      }
      return r;
    }
    case ActionKind::kCloseAppRow:
      if (action.index >= panel.app_rows.size()) return std::nullopt;
      return CloseRequest{panel.app_rows[action.index].name, panel.app_rows[action.index].pids};
    case ActionKind::kCloseProcess:
      if (!panel.selected_app) return std::nullopt;
      return CloseRequest{*panel.selected_app, {action.number}};
    default:
      return std::nullopt;
  }
}

std::string close_question(std::string_view name, size_t count) {
  return "End " + std::to_string(count) + " process(es) named \"" + display_line(name) + "\"?";
}

bool image_is_app(std::string_view image_path, std::string_view app) {
  const size_t slash = image_path.find_last_of("\\/");
  const std::string_view file = slash == std::string_view::npos ? image_path : image_path.substr(slash + 1);
  if (file.empty() || app.empty()) return false;
  return to_lower_utf8(file) == to_lower_utf8(app);
}

}  // namespace qv
