#pragma once
// The choices of the alert editor's form, kept in the panel state while the editor is used.
#include <cstdint>

namespace qv {

// "+ new alert" starts from these defaults.
struct AlertEditorState {
  uint8_t metric = 0;    // row of kAlertTiles
  uint8_t measure = 0;   // row of kAppMeasureChips
  bool above = true;
  uint8_t delivery = 0;  // 0 desktop, 1 file, 2 both
  uint8_t cooldown = 1;  // row of kCooldownChoices
  bool include_top = true;
  bool path_rejected = false;  // the last save refused the log file path
  bool operator==(const AlertEditorState&) const = default;
};

}  // namespace qv
