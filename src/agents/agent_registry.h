#pragma once
// The registry of reported agents: per session the active ones, a history of finished ones
// (newest first) and the rules that move an agent from one to the other.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/agent.h"

namespace qv {

struct SharedState;

inline constexpr uint64_t kAgentQuietMs = 300'000;       // updated more recently: running
inline constexpr uint64_t kAgentAbandonMs = 1'800'000;   // this old or older: abandoned
inline constexpr size_t kAgentHistoryLength = 200;
inline constexpr size_t kFinishedTextCut = 200;          // characters of title and detail

// What one client can make the registry hold. Reports come from any program of the user, and a
// session stays for 30 minutes after its last report, so both counts are bounded, and so is
// every text (in characters; titles stay longer than the history's cut).
inline constexpr size_t kMaxAgentSessions = 256;
inline constexpr size_t kMaxSessionAgents = 1000;  // active agents of one session
inline constexpr size_t kAgentIdCut = 256;          // agent and session ids
inline constexpr size_t kAgentTitleCut = 500;       // agent titles and session labels
inline constexpr size_t kAgentStatusCut = 64;
inline constexpr size_t kAgentDetailCut = 1000;

// "", "running" and "waiting" are active; every other status is final.
bool is_active_status(std::string_view status);
// Active and updated less than kAgentQuietMs ago.
bool agent_running(const Agent& agent, uint64_t now_ms);

// The first `max_chars` characters (code points) of UTF-8 text.
std::string cut_characters(std::string_view text, size_t max_chars);

struct ReportOutcome {
  size_t active_count = 0;                  // agents the session lists as active after the merge
  std::vector<FinishedAgent> finished;      // finished by this report, then abandoned by its prune
  bool refused = false;                     // a new session while kMaxAgentSessions exist: nothing changed
  std::vector<std::string> log_lines;       // for the program log: what was dropped, once per session
};

// Merges one report (already parsed) into its session, in time linear in the report and the
// session's old list. Active agents beyond kMaxSessionAgents are dropped (they neither stay nor
// count as finished). The caller holds both locks.
ReportOutcome merge_report(AgentRegistry& registry, AgentHistory& history, std::string_view session_id,
                           std::string_view label, std::vector<Agent> agents, uint64_t now_ms);
// Abandons agents not heard of for 30 minutes and drops idle sessions; returns the abandoned.
std::vector<FinishedAgent> prune_registry(AgentRegistry& registry, AgentHistory& history, uint64_t now_ms);
// Replaces the entry with the same id and started time in place, else adds at the front.
void record_finished(AgentHistory& history, FinishedAgent entry);
size_t running_agent_count(const AgentRegistry& registry, uint64_t now_ms);

// The same on SharedState: the registry lock, then the history lock, held together.
ReportOutcome report_agents(SharedState& state, std::string_view session_id, std::string_view label,
                            std::string_view json_text, uint64_t now_ms);
std::vector<FinishedAgent> prune_agents(SharedState& state, uint64_t now_ms);
size_t running_agent_count(SharedState& state, uint64_t now_ms);

}  // namespace qv
