#include "ui/panel/settings/settings_pieces.h"

#include <string>

#include "ui/gdi/theme.h"
#include "ui/panel/settings/settings_layout.h"

namespace qv {

std::optional<PieceText> settings_piece_text(const Action& action, const Settings& settings,
                                             const AutostartShown& autostart) {
  if (action.kind == ActionKind::kToggleAutostart) {
    // The warning under the row is read with it, so that someone who cannot see it learns why the
    // box did not change. The key stays the same either way, and the focus with it.
    std::string name = kAutostartLabel;
    if (autostart.failed) name += std::string(". ") + kAutostartWarning;
    return PieceText{"autostart", std::move(name), AccessRole::kCheckBox, "", autostart.on};
  }
  if (action.kind == ActionKind::kOpenSettingsSection) {
    if (action.flag >= kSectionTitles.size()) return std::nullopt;
    return PieceText{"section:" + std::to_string(action.flag), kSectionTitles[action.flag], AccessRole::kLink,
                     "sections"};
  }
  if (action.kind == ActionKind::kToggleMainMetric || action.kind == ActionKind::kDragMainMetric) {
    if (action.index >= settings.main_metrics.size()) return std::nullopt;
    const MainMetric& m = settings.main_metrics[static_cast<size_t>(action.index)];
    const std::string label = metric_style(m.name).label;
    if (action.kind == ActionKind::kDragMainMetric) {
      return PieceText{"drag:" + m.name, "Drag " + label, AccessRole::kText, ""};
    }
    return PieceText{"metric:" + m.name, label, AccessRole::kCheckBox, "metrics", m.shown};
  }
  return std::nullopt;
}

}  // namespace qv
