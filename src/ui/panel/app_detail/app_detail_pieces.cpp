#include "ui/panel/app_detail/app_detail_pieces.h"

#include <array>

#include "util/untrusted_text.h"

namespace qv {
namespace {

// What the figure of each sort column measures, said after it and on its chip.
constexpr std::array<const char*, kProcessSortCount> kSortWords = {"CPU", "RAM", "GPU", "disk", "network", "sound"};

std::string figure_spoken(std::string_view value, const char* silent) {
  return value == "—" ? std::string(silent) : spoken(value);
}

std::string row_name(const std::string& app, const ProcessRow& row, uint8_t sort) {
  const uint8_t column = sort < kProcessSortCount ? sort : 0;
  // The role label comes from another program's command line.
  std::string name = app + ", " + spoken(display_line(row.label)) + ", ";
  if (row.value == "—") return name + "silent";
  return name + spoken(row.value) + " " + kSortWords[column];
}

}  // namespace

AppDetailShown app_detail_shown(const Snapshot& snapshot, std::string_view app,
                                const std::unordered_map<uint32_t, std::string>& roles, std::string_view filter_lower,
                                uint8_t sort, bool expanded, const std::array<float, kAppSeriesCount>& series_max) {
  AppDetailShown shown;
  shown.app = display_line(app);
  shown.process_count = app_process_count(snapshot, app);
  shown.tiles = app_tiles(snapshot, app, series_max);
  shown.sort = sort < kProcessSortCount ? sort : 0;
  shown.expanded = expanded;
  if (shown.process_count >= 2 && expanded) shown.rows = process_rows(snapshot, app, roles, filter_lower, sort);
  return shown;
}

std::optional<PieceText> app_detail_piece_text(const Action& action, const AppDetailShown& shown) {
  switch (action.kind) {
    case ActionKind::kCloseSelectedApp:
      return PieceText{"close-app", "Close app " + shown.app, AccessRole::kPushButton, ""};
    case ActionKind::kToggleProcesses: {
      PieceText text{"processes", "Processes (" + std::to_string(shown.process_count) + ")", AccessRole::kPushButton,
                     ""};
      text.expanded = shown.expanded;
      return text;
    }
    case ActionKind::kClearFilter:
      return PieceText{"clear-filter", "Clear filter", AccessRole::kPushButton, ""};
    case ActionKind::kSetProcessSort: {
      if (action.flag >= kProcessSortCount) return std::nullopt;
      return PieceText{std::string("sort:") + kProcessSortChips[action.flag],
                       std::string("Sort by ") + kSortWords[action.flag], AccessRole::kRadioButton, "sort",
                       shown.sort == action.flag};
    }
    case ActionKind::kCloseProcess:
      return PieceText{"close:" + std::to_string(action.number),
                       "Close " + shown.app + ", PID " + std::to_string(action.number), AccessRole::kPushButton, ""};
    case ActionKind::kNone:
      break;
    default:
      return std::nullopt;
  }
  if (action.flag == kAppStatusRegion) {
    PieceText text{"status", app_status_text(shown.process_count), AccessRole::kText, ""};
    text.focusable = false;
    return text;
  }
  if (action.flag == kAppTileRegion) {
    if (action.index >= shown.tiles.size()) return std::nullopt;
    const AppTile& tile = shown.tiles[static_cast<size_t>(action.index)];
    return PieceText{std::string("tile:") + tile.label,
                     std::string(tile.label) + ", " + figure_spoken(tile.value, "no frames now"), AccessRole::kText,
                     "tiles"};
  }
  if (action.flag == kAppProcessRowRegion) {
    for (const ProcessRow& row : shown.rows) {
      if (row.pid != action.number) continue;
      PieceText text{"process:" + std::to_string(row.pid), row_name(shown.app, row, shown.sort), AccessRole::kListItem,
                     "processes"};
      text.on_delete = make_action(ActionKind::kCloseProcess, 0, 0, row.pid);
      return text;
    }
  }
  return std::nullopt;
}

}  // namespace qv
