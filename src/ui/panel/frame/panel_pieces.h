#pragma once
// The pieces a painted page offers the keyboard and readers, made from the click regions of its
// paint: the kit names its own pieces (links, chips, check rows, Back), and a page's room names
// the ones only it can read aloud (a card's figure, a row's app and value). Each piece keeps the
// action a click on it performs, so Enter, Space and a reader's press do the same.
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "ui/access/piece.h"
#include "ui/panel/frame/hit_test.h"

namespace qv {

// What a page's room says of one of its regions.
struct PieceText {
  std::string key;   // stable across samples: "tile:cpu", "row:builder.exe"
  std::string name;  // as a sighted user reads it
  AccessRole role = AccessRole::kPushButton;
  std::string group;  // a list whose rows the arrow keys walk
  bool checked = false;  // a ticked check box, the chosen one of a set of options
  std::optional<bool> expanded = std::nullopt;  // a fold: whether it is open; nothing for a piece that does not fold
  bool focusable = true;         // false: read by a reader's own navigation, skipped by Tab
  std::optional<Action> on_delete = std::nullopt;  // what Delete does while the piece has the focus
};
// Nothing: the room leaves the region to the kit's name and role. An empty name takes the name
// the painter gave the region. A region that does nothing on a click becomes a piece only when
// its room names it (a figure, a row that is only read); it has no default action.
using PieceNamer = std::function<std::optional<PieceText>(const Action&)>;

struct PanelPieces {
  std::vector<Piece> pieces;
  std::vector<Action> actions;  // parallel to `pieces`; kNone for a text field
  std::vector<std::optional<Action>> on_delete;  // parallel to `pieces`: Delete on the focused piece
};

// One piece per region that does something, in the regions' order. Keys are made unique (a
// second region with the same key gets "#2"); a drag handle is listed but takes no focus, since
// a key cannot drag.
PanelPieces pieces_from_regions(const std::vector<HitRegion>& regions, const PieceNamer& namer);

// Adds the child edit control `control_id` standing at `region`; with a band, a field of a
// scrolling page, offscreen when the region lies wholly outside the band.
void add_text_field(PanelPieces& out, const Rect& region, int32_t control_id, std::string name,
                    std::optional<ScrollBand> band = std::nullopt);

// A figure as a reader should say it: "36%" is "36 percent", the "  ·  " between two figures a
// comma, the arrows of the network figure "down" and "up".
std::string spoken(std::string_view text);

// The action behind a key, nothing when no piece has it.
std::optional<Action> action_of_key(const PanelPieces& pieces, const std::string& key);
// What Delete does on the piece with this key: a list row asks to close its app; nothing for
// the others.
std::optional<Action> delete_action_of_key(const PanelPieces& pieces, const std::string& key);

}  // namespace qv
