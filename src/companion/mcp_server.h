#pragma once
// The Model Context Protocol side of the companion: one JSON-RPC message per line in, at most one
// reply line out. The monitor is reached through a function, so the whole exchange runs without
// Windows (tests, fuzzing) as well as over the real pipe.
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
using PipeRequest = std::function<PipeOutcome(const std::string& request_line)>;
using Diagnostic = std::function<void(std::string_view line)>;

inline constexpr const char* kNotRunningText = "Quorvel is not running on this machine";

// Protocol versions this server speaks, oldest first; the last is answered to clients asking for
// one it does not know.
inline constexpr const char* kProtocolVersions[] = {"2024-11-05", "2025-03-26", "2025-06-18", "2025-11-25"};

struct McpServer {
  std::string version;  // this program's version, for serverInfo
  ToolContext context;
  PipeRequest pipe;
  Diagnostic diagnostic;         // lines for stderr; may be empty
  std::string protocol_version;  // agreed at initialize; empty before
};

// The reply line (without a line feed) to one incoming line, or nothing: notifications, responses
// and blank lines get no reply.
std::optional<std::string> handle_line(McpServer& server, std::string_view line);

// The reply to a line that was too long to keep (its id is unknown).
std::string too_long_reply();

// The version answered to a client that asks for `requested`.
std::string negotiate_version(std::string_view requested);

}  // namespace qv::companion
