#include "ui/panel/ai/messages_model.h"

#include <algorithm>
#include <climits>

#include "ui/gdi/scale.h"
#include "util/untrusted_text.h"

namespace qv {

std::vector<MessageRow> message_rows(const std::deque<MessageEntry>& messages, const std::set<size_t>& expanded,
                                     int32_t wrap_width, const TextMeasure& measure) {
  std::vector<MessageRow> rows;
  rows.reserve(messages.size());
  for (size_t i = 0; i < messages.size(); ++i) {
    const MessageEntry& m = messages[i];
    MessageRow row;
    row.position = i;
    row.time = display_line(m.time);
    row.title = display_line(m.title);
    if (row.title.find_first_not_of(' ') == std::string::npos) row.title = "message";
    row.expanded = expanded.count(i) > 0;
    // Blank lines before or after the text would leave a folded message showing nothing.
    const std::string cleaned = display_paragraphs(m.body);
    const size_t first = cleaned.find_first_not_of(" \n");
    if (first != std::string::npos) {
      const std::string_view body = std::string_view(cleaned).substr(first, cleaned.find_last_not_of(" \n") + 1 - first);
      // Folded, two lines are enough to know that there is more than one.
      row.lines = wrap_lines(body, wrap_width, measure, row.expanded ? SIZE_MAX : 2);
      row.folds = row.lines.size() > 1;
      if (!row.expanded) row.lines.resize(std::min<size_t>(row.lines.size(), 1));
    }
    rows.push_back(std::move(row));
  }
  return rows;
}

void shift_expanded_for_new_message(std::set<size_t>& expanded) {
  std::set<size_t> moved;
  for (size_t position : expanded) {
    if (position + 1 < kMaxMessages) moved.insert(position + 1);
  }
  expanded.swap(moved);
}

ListPlacement place_message_rows(const std::vector<MessageRow>& rows, float ui_scale) {
  constexpr int64_t kCeiling = INT32_MAX / 2;
  ListPlacement out;
  int64_t y = 0;
  for (const MessageRow& row : rows) {
    const int64_t h = std::min<int64_t>(
        kCeiling, int64_t{px(kMessagePadding, ui_scale)} * 2 + px(kMessageTitleHeight, ui_scale) +
                      static_cast<int64_t>(row.lines.size()) * px(kItemLineHeight, ui_scale));
    out.tops.push_back(static_cast<int32_t>(y));
    out.heights.push_back(static_cast<int32_t>(h));
    y = std::min(y + h + px(kMessageGap, ui_scale), kCeiling);
  }
  out.content_height = rows.empty() ? 0 : static_cast<int32_t>(std::max<int64_t>(0, y - px(kMessageGap, ui_scale)));
  return out;
}

}  // namespace qv
