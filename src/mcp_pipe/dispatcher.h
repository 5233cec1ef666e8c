#pragma once
// The command dispatcher behind the pipe: one request line in, one JSON reply line out.
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/agent.h"

namespace qv {

struct SharedState;

// What a command may need from the Windows side, injected so the dispatcher stays portable.
struct LinkHooks {
  std::function<void()> wake_panel;  // posts WM_NOTIFY_QUEUED to the panel window
  std::function<void(const std::vector<FinishedAgent>&)> write_agent_log;  // called with no lock held
  std::function<void(const std::string&)> log;  // one program-log line, called with no lock held
};

// The reply to one trimmed request line, without its line feed.
std::string dispatch_request(std::string_view line, SharedState& state, const LinkHooks& hooks);

// The whole answer to one pipe message: nothing for an empty message, the disabled error while
// the link is switched off, otherwise the dispatcher's reply; with its line feed.
std::optional<std::string> answer_message(std::string_view message, SharedState& state, const LinkHooks& hooks);

}  // namespace qv
