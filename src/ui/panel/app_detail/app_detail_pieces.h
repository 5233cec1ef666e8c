#pragma once
// How one app's detail page reads aloud: its figures ("CPU, 18.9 percent"), each process row by
// what it shows ("builder.exe, Renderer, PID 412, 18.9 percent CPU") with its ✕ ("Close
// builder.exe, PID 412"), the sort chips by what they sort by, and the fold of the process list.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "core/snapshot.h"
#include "ui/panel/app_detail/app_detail_model.h"
#include "ui/panel/frame/panel_pieces.h"

namespace qv {

// The page's regions that do nothing on a click but are read: a kNone action whose flag says
// which, with the tile's position in `index` or the process id in `number`.
inline constexpr uint8_t kAppStatusRegion = 1;
inline constexpr uint8_t kAppTileRegion = 2;
inline constexpr uint8_t kAppProcessRowRegion = 3;

// What the page shows, worked out once per publish rather than once per region.
struct AppDetailShown {
  std::string app;  // the open app; empty: none
  size_t process_count = 0;
  std::vector<AppTile> tiles;
  std::vector<ProcessRow> rows;  // as listed: filtered and sorted
  uint8_t sort = 0;
  bool expanded = false;
};
AppDetailShown app_detail_shown(const Snapshot& snapshot, std::string_view app,
                                const std::unordered_map<uint32_t, std::string>& roles, std::string_view filter_lower,
                                uint8_t sort, bool expanded, const std::array<float, kAppSeriesCount>& series_max);

// Nothing for a region the kit names (Back, the clear glyph's own name aside).
std::optional<PieceText> app_detail_piece_text(const Action& action, const AppDetailShown& shown);

}  // namespace qv
