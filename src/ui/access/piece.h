#pragma once
// What the keyboard and assistive technology know of one piece of a page: where it is, what it is
// called, what kind of thing it is, its state and what pressing it does. A page lists its pieces
// after each layout; the focus order, the focus ring and the accessible object all read that list.
#include <cstdint>
#include <optional>
#include <string>

#include "ui/gdi/geometry.h"

namespace qv {

// The kinds of piece a reader announces; each maps to one system role.
enum class AccessRole : uint8_t {
  kPushButton,   // tiles, ✕ buttons, "save alert"
  kLink,         // "back", "more…"
  kListItem,     // process rows, message rows
  kCheckBox,     // check rows
  kRadioButton,  // chips of which one is chosen
  kText,         // a figure that is read but not acted on
  kTextField,    // a child edit control
};

// Bits of Piece::state.
namespace piece_state {
inline constexpr uint32_t kFocusable = 1u << 0;  // takes the keyboard focus (in the focus order)
inline constexpr uint32_t kSelected = 1u << 1;   // the chosen chip, the open page's link
inline constexpr uint32_t kChecked = 1u << 2;    // a ticked check row
inline constexpr uint32_t kUnavailable = 1u << 3;
inline constexpr uint32_t kOffscreen = 1u << 4;  // scrolled out of the page's view
inline constexpr uint32_t kExpanded = 1u << 5;   // a fold that shows what it holds
inline constexpr uint32_t kCollapsed = 1u << 6;  // a fold that hides it
}  // namespace piece_state

// The part of the window a scrolling list shows (client rows top..bottom, bottom exclusive) and
// how far the list is scrolled. A piece of such a list is drawn `scroll` pixels above its place in
// the list, and may lie partly or wholly outside the band: it is still a piece, scrolled out.
struct ScrollBand {
  int32_t top = 0;
  int32_t bottom = 0;
  int32_t scroll = 0;
  bool operator==(const ScrollBand&) const = default;
};

struct Piece {
  std::string key;             // stable across samples and layouts: "tile:cpu", "row:builder.exe"
  Rect region;                 // client coordinates, as painted (after scrolling)
  std::string name;            // what a sighted user sees: "CPU, 36 percent"
  AccessRole role = AccessRole::kPushButton;
  uint32_t state = piece_state::kFocusable;
  std::string default_action;  // "Press", "Open", "Check"; empty: none
  std::string group;           // pieces with the same non-empty group move by arrow keys: a list
  int32_t control_id = 0;      // the child edit control standing for this piece; 0: none
  std::optional<ScrollBand> band;  // in a scrolling list: its band; nothing: never scrolls
};

}  // namespace qv
