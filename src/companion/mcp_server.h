#pragma once
// The Model Context Protocol side of the companion: one JSON-RPC message per line in, at most one
// reply line out. The monitor is reached through a function, so the whole exchange runs without
// Windows (tests, fuzzing) as well as over the real pipe.
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "companion/tools.h"

namespace qv::companion {

// What became of one pipe request.
struct PipeOutcome {
  enum class Kind {
    kReply,       // `text` is the monitor's reply line, without its line feed
    kNotRunning,  // nothing serves the pipe
    kRefused,     // the pipe is served by a program that is not the user's own monitor
    kFailed,      // anything else; `text` says what, for the model
  };
  Kind kind = Kind::kFailed;
  std::string text;
};
// Sends one request line and waits at most `wait_ms` for the monitor's reply.
using PipeRequest = std::function<PipeOutcome(const std::string& request_line, unsigned long wait_ms)>;
using Diagnostic = std::function<void(std::string_view line)>;

inline constexpr const char* kNotRunningText = "Quorvel is not running on this machine";

// The monitor's longest sampling interval. A request for per-process figures waits there for up
// to two intervals and a half (at least a second more): 25 s at the longest interval.
inline constexpr unsigned long kLongestIntervalMs = 10000;
// How long a tool call's reply is waited for: the monitor's longest wait and a margin, so that the
// monitor, not the companion, decides when figures are late.
inline constexpr unsigned long kReplyWaitMs = 2 * kLongestIntervalMs + kLongestIntervalMs / 2 + 5000;
// How long the notification preferences are waited for while initializing, and the last agent
// report when leaving: both are answered at once by a monitor that is there at all.
inline constexpr unsigned long kBriefWaitMs = 3000;

// Notifications a model may send at once, and how many a second after that.
inline constexpr uint64_t kNotifyBurst = 5;
inline constexpr uint64_t kNotifyEveryMs = 1000;

// Protocol versions this server speaks, oldest first; the last is answered to clients asking for
// one it does not know.
inline constexpr const char* kProtocolVersions[] = {"2024-11-05", "2025-03-26", "2025-06-18", "2025-11-25"};
// The revision without a handshake: each request names it in its params' `_meta` and is answered
// on its own, whatever came before. Only this one is accepted there; the older ones are reached
// through initialize.
inline constexpr const char* kStatelessProtocolVersion = "2026-07-28";
// How long a client may keep the tool list: it is fixed for the life of this program.
inline constexpr uint64_t kToolListTtlMs = 3600000;

struct McpServer {
  std::string version;  // this program's version, for serverInfo
  ToolContext context;
  PipeRequest pipe;
  Diagnostic diagnostic;         // lines for stderr; may be empty
  std::string protocol_version;  // agreed at initialize; empty before
  std::function<uint64_t()> clock_ms;  // a monotonic clock in ms; empty uses the steady clock
  // Notifications allowed now, in ms of credit (kNotifyEveryMs per notification); a full burst at
  // first, refilled as the clock runs.
  uint64_t notify_credit_ms = kNotifyBurst * kNotifyEveryMs;
  std::optional<uint64_t> notify_credit_at;  // when the credit was last brought up to date
  bool agents_shown = false;  // the last agent report that reached the monitor listed agents
};

// The reply line (without a line feed) to one incoming line, or nothing: notifications, responses
// and blank lines get no reply. A request whose params' `_meta` names a protocol version is served
// by the stateless revision alone (`server/discover`, `tools/list`, `tools/call`), and leaves the
// version agreed at initialize as it was.
std::optional<std::string> handle_line(McpServer& server, std::string_view line);

// One incoming line as JSON, discarded when it does not parse. Invalid UTF-8 and unpaired
// surrogate escapes are replaced by U+FFFD first, so that a request with bad text in a string
// still parses and its reply carries its id.
Json parse_message(std::string_view line);
// The reply to a parsed message: an object (one request), an array (a batch, answered by an array
// of replies) or a discarded value (a parse error).
std::optional<std::string> handle_message(McpServer& server, const Json& message);

// The request that tells the monitor this session's agents are gone, when the last report listed
// some: sent when the AI tool leaves, so they do not linger in the panel as gone quiet.
std::optional<std::string> farewell_request(const McpServer& server);

// The reply to a line that was too long to keep (its id is unknown).
std::string too_long_reply();

// The version answered to a client that asks for `requested`.
std::string negotiate_version(std::string_view requested);

}  // namespace qv::companion
