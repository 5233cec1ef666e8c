#pragma once
// The panel's list of messages from the AI tool: newest first, at most twelve.
#include <cstddef>
#include <deque>
#include <string>

namespace qv {

struct MessageEntry {
  std::string time;  // local "HH:MM" of arrival
  std::string title;
  std::string body;
  bool operator==(const MessageEntry&) const = default;
};

inline constexpr size_t kMaxMessages = 12;

// Puts the entry at the front and drops the oldest beyond twelve.
void record_message(std::deque<MessageEntry>& list, MessageEntry entry);

// "HH:MM", two digits each (values outside a clock are held to 0..23 and 0..59).
std::string clock_text(int hour, int minute);

}  // namespace qv
