#pragma once
// The JSON reply objects of the pipe commands, each on one line without its line feed, and the
// payload readers of the commands that take free text.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/notification.h"
#include "core/snapshot.h"

namespace qv {

inline constexpr std::string_view kUnknownCommandReply = R"({"error":"unknown command"})";
inline constexpr std::string_view kDisabledReply = R"({"error":"MCP is disabled in Quorvel settings"})";
inline constexpr std::string_view kOkReply = R"({"ok":true})";
inline constexpr std::string_view kTooManySessionsReply = R"({"error":"too many agent sessions"})";

std::string format_snapshot_reply(const Snapshot& s);
std::string format_history_reply(const std::vector<HistorySample>& samples);
// `metric_word` as requested (echoed escaped); unknown words rank by processor use.
std::string format_top_reply(std::string_view metric_word, uint32_t count, const std::vector<ProcessSample>& processes);
std::string format_app_reply(std::string_view name, const Snapshot& s);
std::string format_fps_reply(const Snapshot& s);
std::string format_agents_reply(size_t active_count);
std::string format_instructions_reply(std::string_view instructions);

// The count word of `top`: an unsigned decimal, "+" allowed, clamped to 1..50; 10 when absent
// or not such a number.
uint32_t top_count(std::optional<std::string_view> word);

// `notify`: "notify <title>\t<body>" or "notify <body>" (title "Claude Code").
NotificationEntry notification_from_request(std::string_view line);

// `agents`: "agents <session>\t<label>\t<json>" or "agents <json>" (the legacy session).
struct AgentsRequest {
  std::string session_id;
  std::string label;
  std::string json_text;
};
AgentsRequest agents_request_from_line(std::string_view line);

}  // namespace qv
