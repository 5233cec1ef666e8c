#pragma once
// Agents reported by an AI tool, per session, and the history of finished ones.
#include <cstdint>
#include <deque>
#include <string>
#include <vector>

namespace qv {

struct Agent {
  std::string id;
  std::string title;
  std::string status;  // "", "running", "waiting": active; anything else is final
  std::string detail;
  uint64_t updated_ms = 0;
  uint64_t started_ms = 0;
  bool operator==(const Agent&) const = default;
};

struct AgentSession {
  std::string id;
  std::string label;
  std::vector<Agent> agents;  // the active ones
  uint64_t last_seen_ms = 0;
  bool limit_logged = false;  // the program log has said that agents beyond the limit were dropped
  bool operator==(const AgentSession&) const = default;
};

struct FinishedAgent {
  std::string id;
  std::string title;   // at most 200 characters
  std::string status;
  std::string detail;  // at most 200 characters
  std::string label;
  uint64_t started_ms = 0;
  uint64_t finished_ms = 0;
  bool operator==(const FinishedAgent&) const = default;
};

using AgentRegistry = std::vector<AgentSession>;  // in order of first report
using AgentHistory = std::deque<FinishedAgent>;   // newest first, at most 200

}  // namespace qv
