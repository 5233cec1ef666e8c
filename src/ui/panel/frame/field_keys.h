#pragma once
// What Enter and Tab do in the panel's text fields, decided without a window.
#include <array>
#include <optional>

#include "ui/panel/frame/hit_test.h"
#include "ui/panel/frame/panel_state.h"

namespace qv {

// The action Enter in `field` stands for on the current page: the custom request is added, the
// alert is saved. Nothing where Enter has no meaning (a filter filters as it is typed).
std::optional<ActionKind> enter_action(const PanelState& panel, TextField field);

// The field Tab (or Shift+Tab, `backwards`) moves to from `from` among the fields `shown` (by
// control-id order, which is the order they stand on every page), wrapping round; nothing when no
// other field is shown.
std::optional<TextField> next_field(const std::array<bool, kTextFieldCount>& shown, TextField from, bool backwards);

}  // namespace qv
