#include "ui/panel/ai/message_list.h"

#include <algorithm>
#include <cstdio>

namespace qv {

void record_message(std::deque<MessageEntry>& list, MessageEntry entry) {
  list.push_front(std::move(entry));
  while (list.size() > kMaxMessages) list.pop_back();
}

std::string clock_text(int hour, int minute) {
  char buf[8];
  std::snprintf(buf, sizeof buf, "%02d:%02d", std::clamp(hour, 0, 23), std::clamp(minute, 0, 59));
  return buf;
}

}  // namespace qv
