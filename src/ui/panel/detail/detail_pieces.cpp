#include "ui/panel/detail/detail_pieces.h"

#include <string>
#include <vector>

#include "ui/panel/detail/detail_model.h"

namespace qv {
namespace {

// What a row's figure measures, said after it; sound rows show no figure.
constexpr const char* kMeasureWords[kMeasureCount] = {"CPU", "RAM", "GPU", "disk", "network", ""};

std::string row_name(const DetailRow& row, uint8_t measure) {
  if (row.value.empty()) return row.app.name;
  std::string name = row.app.name + ", " + spoken(row.value);
  const char* word = kMeasureWords[measure < kMeasureCount ? measure : 0];
  if (*word) name += std::string(" ") + word;
  return name;
}

}  // namespace

std::optional<PieceText> detail_piece_text(const Action& action, const Snapshot& snapshot, uint8_t measure,
                                           std::string_view filter_lower) {
  if (action.kind != ActionKind::kOpenAppRow && action.kind != ActionKind::kCloseAppRow) return std::nullopt;
  return detail_piece_text(action, detail_rows(snapshot.processes, measure, filter_lower), measure);
}

std::optional<PieceText> detail_piece_text(const Action& action, const std::vector<DetailRow>& rows, uint8_t measure) {
  if (action.kind != ActionKind::kOpenAppRow && action.kind != ActionKind::kCloseAppRow) return std::nullopt;
  if (action.index >= rows.size()) return std::nullopt;
  const DetailRow& row = rows[static_cast<size_t>(action.index)];
  if (action.kind == ActionKind::kCloseAppRow) {
    return PieceText{"close:" + row.app.name, "Close " + row.app.name, AccessRole::kPushButton, ""};
  }
  return PieceText{"row:" + row.app.name, row_name(row, measure), AccessRole::kListItem, "apps"};
}

}  // namespace qv
