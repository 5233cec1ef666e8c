#include "mcp_pipe/dispatcher.h"

#include <mutex>

#include "agents/agent_registry.h"
#include "core/shared_state.h"
#include "mcp_pipe/replies.h"
#include "mcp_pipe/request.h"
#include "sampler/publish.h"
#include "util/white_space.h"

namespace qv {

std::string dispatch_request(std::string_view line, SharedState& state, const LinkHooks& hooks) {
  const RequestWords words = split_request(line);
  const std::string_view command = words.command;

  if (command == "snapshot") return format_snapshot_reply(read_snapshot(state));
  if (command == "history") return format_history_reply(read_history(state));
  if (command == "fps") return format_fps_reply(read_snapshot(state));
  if (command == "top") {
    const std::string_view metric = words.second.value_or("cpu");
    const uint32_t count = top_count(words.third);
    return format_top_reply(metric, count, fresh_detailed_snapshot(state).processes);
  }
  if (command == "app") {
    const std::string_view name = line.size() > 4 ? trim_white_space(line.substr(4)) : std::string_view();
    return format_app_reply(name, fresh_detailed_snapshot(state));
  }
  if (command == "notify") {
    NotificationEntry entry = notification_from_request(line);
    {
      std::lock_guard lock(state.notifications_mutex);
      state.notifications.push_back(std::move(entry));
    }
    if (hooks.wake_panel) hooks.wake_panel();
    return std::string(kOkReply);
  }
  if (command == "agents") {
    const AgentsRequest r = agents_request_from_line(line);
    const ReportOutcome outcome = report_agents(state, r.session_id, r.label, r.json_text, unix_now_ms());
    if (hooks.log) {
      for (const std::string& line : outcome.log_lines) hooks.log(line);
    }
    // Nothing was stored: the client must not be told it was.
    if (outcome.refused) return std::string(kTooManySessionsReply);
    if (hooks.write_agent_log && !outcome.finished.empty()) hooks.write_agent_log(outcome.finished);
    if (hooks.wake_panel) hooks.wake_panel();
    return format_agents_reply(outcome.active_count);
  }
  if (command == "rules") {
    std::string text;
    {
      std::lock_guard lock(state.instructions_mutex);
      text = state.instructions;
    }
    return format_instructions_reply(text);
  }
  return std::string(kUnknownCommandReply);
}

std::optional<std::string> answer_message(std::string_view message, SharedState& state, const LinkHooks& hooks) {
  if (message.empty()) return std::nullopt;
  const std::string line = request_line_from_message(message);
  std::string reply = state.mcp_enabled.load() ? dispatch_request(line, state, hooks) : std::string(kDisabledReply);
  reply.push_back('\n');
  return reply;
}

}  // namespace qv
