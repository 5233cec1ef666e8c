#pragma once
// What the messages page lists: one row per message from the AI tool, newest first, with its
// body wrapped to the list and folded to its first line unless the user unfolded it.
#include <cstddef>
#include <cstdint>
#include <deque>
#include <set>
#include <string>
#include <vector>

#include "ui/panel/ai/message_list.h"
#include "ui/gdi/text_layout.h"
#include "ui/panel/ai/activity_model.h"

namespace qv {

struct MessageRow {
  size_t position = 0;  // in the message list, newest 0: what unfolding it remembers
  std::string time;
  std::string title;               // "message" when the message has none
  std::vector<std::string> lines;  // the body's lines as shown: all, or the first when folded
  bool folds = false;              // the body takes more than one line: a chevron and a click
  bool expanded = false;
};

// `measure` is the width of text in the body's font; `wrap_width` the room of a body line.
std::vector<MessageRow> message_rows(const std::deque<MessageEntry>& messages, const std::set<size_t>& expanded,
                                     int32_t wrap_width, const TextMeasure& measure);

// A new message goes in front of the list: the unfolded positions move down with their messages
// (and drop off past the last place), so that the new one does not open in another's place.
void shift_expanded_for_new_message(std::set<size_t>& expanded);

ListPlacement place_message_rows(const std::vector<MessageRow>& rows, float ui_scale);

inline constexpr int kMessagePadding = 8;
inline constexpr int kMessageTitleHeight = 20;
inline constexpr int kMessageGap = 6;

}  // namespace qv
