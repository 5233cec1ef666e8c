#include "ui/panel/frame/field_keys.h"

namespace qv {

std::optional<ActionKind> enter_action(const PanelState& panel, TextField field) {
  if (panel.page == Page::kAlertEditor && field != TextField::kRequest) return ActionKind::kAlertSave;
  if (panel.page == Page::kSettingsSection && panel.sub_page == 1 && field == TextField::kRequest) {
    return ActionKind::kAddCustomRequest;
  }
  return std::nullopt;
}

std::optional<TextField> next_field(const std::array<bool, kTextFieldCount>& shown, TextField from, bool backwards) {
  const size_t count = shown.size();
  const size_t start = field_slot(from);
  for (size_t step = 1; step < count; ++step) {
    const size_t slot = backwards ? (start + count - step) % count : (start + step) % count;
    if (shown[slot]) return static_cast<TextField>(slot + 1);
  }
  return std::nullopt;
}

}  // namespace qv
