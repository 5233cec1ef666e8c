#include "ui/panel/overview/overview_pieces.h"

#include <string>

#include "ui/gdi/theme.h"

namespace qv {
namespace {

constexpr std::string_view kCardKeys[] = {"cpu", "ram", "gpu", "fps", "disk", "net", "audio"};

std::string metric_label(std::string_view key) {
  std::string label = metric_style(key).label;
  return label;
}

}  // namespace

std::optional<PieceText> overview_piece_text(const Action& action, const Snapshot& snapshot,
                                             std::string_view filter_lower, const std::vector<Banner>& banners) {
  // The frame-rate card opens its own list; the others their metric's page.
  for (std::string_view key : kCardKeys) {
    const std::optional<CardKind> card = card_kind(key);
    if (!card || !(card->action == action)) continue;
    return PieceText{"tile:" + std::string(key), metric_label(key) + ", " + spoken(card_value_text(key, snapshot)),
                     AccessRole::kPushButton, ""};
  }
  if (action.kind == ActionKind::kOpenAppRow) {
    const std::vector<SearchRow> rows = search_rows(snapshot.processes, filter_lower);
    if (action.index >= rows.size()) return std::nullopt;
    const SearchRow& row = rows[static_cast<size_t>(action.index)];
    return PieceText{"row:" + row.app.name, row.app.name + ", " + spoken(search_stats_text(row)),
                     AccessRole::kListItem, "apps"};
  }
  if (action.kind == ActionKind::kHidePanel) return PieceText{"close", "Close", AccessRole::kPushButton, ""};
  for (const Banner& b : banners) {
    if (b.action == action) {
      return PieceText{"banner:" + std::to_string(static_cast<int>(action.kind)), b.text, AccessRole::kLink, "banners"};
    }
  }
  return std::nullopt;
}

}  // namespace qv
