#pragma once
// One entry of the notification queue that the UI thread drains into tray balloons.
#include <string>

namespace qv {

struct NotificationEntry {
  std::string title;
  std::string body;
  bool from_ai = false;  // pushed by the AI tool's notify command (alerts push false)
  bool operator==(const NotificationEntry&) const = default;
};

}  // namespace qv
