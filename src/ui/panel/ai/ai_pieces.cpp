#include "ui/panel/ai/ai_pieces.h"

#include <cstdio>
#include <utility>

namespace qv {
namespace {

// FNV-1a over length-prefixed fields.
struct Fnv {
  uint64_t h = 0xcbf29ce484222325ull;
  void text(std::string_view s) {
    for (size_t n = s.size(), i = 0; i < 8; ++i) step(static_cast<uint8_t>(n >> (8 * i)));
    for (char c : s) step(static_cast<uint8_t>(c));
  }
  void step(uint8_t b) {
    h ^= b;
    h *= 0x100000001b3ull;
  }
};

std::string hex(uint64_t v) {
  char buf[17];
  std::snprintf(buf, sizeof buf, "%016llx", static_cast<unsigned long long>(v));
  return buf;
}

void append_lines(std::string& name, const std::vector<std::string>& lines) {
  for (size_t i = 0; i < lines.size(); ++i) {
    if (lines[i].empty()) continue;
    name += i == 0 ? ", " : " ";
    name += lines[i];
  }
}

// A finished agent's "14:05 · 1m 05s", said as two figures.
std::string side_spoken(std::string_view side) {
  std::string s = spoken(side);
  const std::string_view dot = " · ";
  for (size_t at = s.find(dot); at != std::string::npos; at = s.find(dot, at + 2)) s.replace(at, dot.size(), ", ");
  return s;
}

}  // namespace

uint64_t session_header_key(std::string_view label) {
  Fnv f;
  f.text("session");
  f.text(label);
  return f.h;
}

std::string activity_row_name(const ActivityRow& row, const std::vector<std::string>& shown_detail) {
  switch (row.kind) {
    case ActivityRowKind::kSessionHeader:
      return row.title;
    case ActivityRowKind::kFinishedHeader: {
      // The fold's arrow is said by the piece's state.
      const size_t at = row.title.find("Finished");
      return at == std::string::npos ? row.title : row.title.substr(at);
    }
    case ActivityRowKind::kAgent:
    case ActivityRowKind::kFinished:
      break;
  }
  std::string name = row.title;
  if (!row.side.empty()) name += ", " + side_spoken(row.side);
  append_lines(name, shown_detail);
  return name;
}

std::string message_row_name(const MessageRow& row) {
  std::string name = row.time.empty() ? row.title : row.time + ", " + row.title;
  append_lines(name, row.lines);
  return name;
}

std::optional<PieceText> activity_piece_text(const Action& action, const std::set<uint64_t>& expanded_items,
                                             bool finished_expanded) {
  switch (action.kind) {
    case ActionKind::kClearAgents:
      return PieceText{"clear-agents", "Clear active agents", AccessRole::kPushButton, ""};
    case ActionKind::kClearFinishedAgents:
      return PieceText{"clear-finished", "Clear finished agents", AccessRole::kPushButton, ""};
    case ActionKind::kToggleActivityView: {
      PieceText text{"finished", "", AccessRole::kListItem, "agents"};
      text.expanded = finished_expanded;
      return text;
    }
    case ActionKind::kToggleActivityItem: {
      PieceText text{"agent:" + hex(action.index), "", AccessRole::kListItem, "agents"};
      text.expanded = expanded_items.count(action.index) > 0;
      return text;
    }
    case ActionKind::kNone:
      if (action.flag == kActivityItemRegion) {
        return PieceText{"agent:" + hex(action.index), "", AccessRole::kListItem, "agents"};
      }
      if (action.flag == kSessionHeaderRegion) {
        return PieceText{"session:" + hex(action.index), "", AccessRole::kListItem, "agents"};
      }
      return std::nullopt;
    default:
      return std::nullopt;
  }
}

std::optional<PieceText> messages_piece_text(const Action& action, const std::deque<MessageEntry>& messages,
                                             const std::set<size_t>& expanded) {
  if (action.kind == ActionKind::kClearMessages) {
    return PieceText{"clear-messages", "Clear messages", AccessRole::kPushButton, ""};
  }
  const bool folds = action.kind == ActionKind::kToggleMessage;
  if (!folds && !(action.kind == ActionKind::kNone && action.flag == kMessageRegion)) return std::nullopt;
  if (action.index >= messages.size()) return std::nullopt;
  // Keyed by what the message says, so that the focus stays with it when a newer one arrives.
  const MessageEntry& m = messages[static_cast<size_t>(action.index)];
  Fnv f;
  f.text(m.time);
  f.text(m.title);
  f.text(m.body);
  PieceText text{"message:" + hex(f.h), "", AccessRole::kListItem, "messages"};
  if (folds) text.expanded = expanded.count(static_cast<size_t>(action.index)) > 0;
  return text;
}

}  // namespace qv
