#pragma once
// How the AI activity and messages pages read aloud: each agent by its title, status or time and
// what it is doing; each session by its label; each message by its time, title and text; the
// folds with their state, and the clears by what they clear.
#include <cstdint>
#include <deque>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "ui/panel/ai/activity_model.h"
#include "ui/panel/ai/message_list.h"
#include "ui/panel/ai/messages_model.h"
#include "ui/panel/frame/panel_pieces.h"

namespace qv {

// The pages' regions that do nothing on a click but are read: a kNone action whose flag says
// which, with the item's key, the session's key or the message's position in `index`.
inline constexpr uint8_t kActivityItemRegion = 1;
inline constexpr uint8_t kSessionHeaderRegion = 2;
inline constexpr uint8_t kMessageRegion = 3;

// A session header's key, from its label: stable while the session is listed.
uint64_t session_header_key(std::string_view label);

// The names the painter gives the regions of a row, from what the row shows: `shown_detail` is
// the detail's lines as drawn (the first only, while folded).
std::string activity_row_name(const ActivityRow& row, const std::vector<std::string>& shown_detail);
std::string message_row_name(const MessageRow& row);

// Key, role, group and state; the name comes from the region. Nothing for what the kit names.
std::optional<PieceText> activity_piece_text(const Action& action, const std::set<uint64_t>& expanded_items,
                                             bool finished_expanded);
std::optional<PieceText> messages_piece_text(const Action& action, const std::deque<MessageEntry>& messages,
                                             const std::set<size_t>& expanded);

}  // namespace qv
