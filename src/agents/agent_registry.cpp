#include "agents/agent_registry.h"

#include <algorithm>
#include <mutex>
#include <unordered_map>
#include <unordered_set>

#include "agents/agent_report.h"
#include "core/shared_state.h"

namespace qv {
namespace {

uint64_t age(uint64_t then_ms, uint64_t now_ms) { return now_ms > then_ms ? now_ms - then_ms : 0; }

FinishedAgent finish(const Agent& a, std::string status, std::string_view label, uint64_t finished_ms) {
  FinishedAgent f;
  f.id = a.id;
  f.title = cut_characters(a.title, kFinishedTextCut);
  f.status = std::move(status);
  f.detail = cut_characters(a.detail, kFinishedTextCut);
  f.label = std::string(label);
  f.started_ms = a.started_ms;
  f.finished_ms = finished_ms;
  return f;
}

// Session ids come from the client: control characters would break the program log's lines.
std::string printable(std::string_view text) {
  std::string out(text);
  for (char& c : out) {
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) c = '?';
  }
  return out;
}

bool history_has(const AgentHistory& history, std::string_view id, uint64_t started_ms) {
  return std::any_of(history.begin(), history.end(),
                     [&](const FinishedAgent& f) { return f.id == id && f.started_ms == started_ms; });
}

}  // namespace

bool is_active_status(std::string_view status) {
  return status.empty() || status == "running" || status == "waiting";
}

bool agent_running(const Agent& agent, uint64_t now_ms) {
  return is_active_status(agent.status) && age(agent.updated_ms, now_ms) < kAgentQuietMs;
}

std::string cut_characters(std::string_view text, size_t max_chars) {
  size_t chars = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    if ((static_cast<unsigned char>(text[i]) & 0xC0) == 0x80) continue;  // continuation byte
    if (chars == max_chars) return std::string(text.substr(0, i));
    ++chars;
  }
  return std::string(text);
}

void record_finished(AgentHistory& history, FinishedAgent entry) {
  for (auto& f : history) {
    if (f.id == entry.id && f.started_ms == entry.started_ms) {
      f = std::move(entry);
      return;
    }
  }
  history.push_front(std::move(entry));
  while (history.size() > kAgentHistoryLength) history.pop_back();
}

ReportOutcome merge_report(AgentRegistry& registry, AgentHistory& history, std::string_view session_id,
                           std::string_view label, std::vector<Agent> agents, uint64_t now_ms) {
  ReportOutcome outcome;
  const std::string id = cut_characters(session_id, kAgentIdCut);
  auto session = std::find_if(registry.begin(), registry.end(), [&](const AgentSession& s) { return s.id == id; });
  if (session == registry.end()) {
    if (registry.size() >= kMaxAgentSessions) {
      outcome.refused = true;
      return outcome;
    }
    registry.push_back(AgentSession{id, {}, {}, now_ms});
    session = registry.end() - 1;
  }
  session->label = cut_characters(label, kAgentTitleCut);
  session->last_seen_ms = now_ms;

  const std::vector<Agent> old = std::move(session->agents);
  session->agents.clear();
  // Indexes, so that the merge stays linear however long the lists are. The views point into
  // `old` and `agents`, which are not changed while the indexes are used.
  std::unordered_map<std::string_view, uint64_t> old_started;  // first match wins
  old_started.reserve(old.size());
  for (const Agent& o : old) old_started.emplace(o.id, o.started_ms);
  std::unordered_set<std::string_view> listed_active;  // dropped ones included: they did not vanish
  listed_active.reserve(agents.size());
  for (Agent& a : agents) {
    if (const auto it = old_started.find(a.id); it != old_started.end()) a.started_ms = it->second;
    if (is_active_status(a.status)) listed_active.insert(a.id);
  }
  std::vector<size_t> vanished;  // old agents the report no longer lists as active
  for (size_t i = 0; i < old.size(); ++i) {
    if (!listed_active.contains(old[i].id)) vanished.push_back(i);
  }

  std::vector<Agent> active;
  size_t dropped = 0;
  for (Agent& a : agents) {
    if (is_active_status(a.status)) {
      if (active.size() < kMaxSessionAgents) {
        active.push_back(std::move(a));
      } else {
        ++dropped;
      }
      continue;
    }
    FinishedAgent f = finish(a, a.status, session->label, now_ms);
    record_finished(history, f);
    outcome.finished.push_back(std::move(f));
  }
  for (size_t i : vanished) {
    const Agent& o = old[i];
    // An agent that reported its own final status above is already in the history.
    if (history_has(history, o.id, o.started_ms)) continue;
    FinishedAgent f = finish(o, "done", session->label, now_ms);
    record_finished(history, f);
    outcome.finished.push_back(std::move(f));
  }
  if (dropped != 0 && !session->limit_logged) {
    session->limit_logged = true;
    outcome.log_lines.push_back("mcp pipe: agents of session \"" + printable(session->id) + "\" beyond " +
                                std::to_string(kMaxSessionAgents) + " dropped (" + std::to_string(dropped) +
                                " in this report)");
  }
  outcome.active_count = active.size();
  session->agents = std::move(active);

  std::vector<FinishedAgent> abandoned = prune_registry(registry, history, now_ms);
  outcome.finished.insert(outcome.finished.end(), std::make_move_iterator(abandoned.begin()),
                          std::make_move_iterator(abandoned.end()));
  return outcome;
}

std::vector<FinishedAgent> prune_registry(AgentRegistry& registry, AgentHistory& history, uint64_t now_ms) {
  std::vector<FinishedAgent> abandoned;
  for (AgentSession& s : registry) {
    auto stale = std::stable_partition(s.agents.begin(), s.agents.end(), [&](const Agent& a) {
      return age(a.updated_ms, now_ms) < kAgentAbandonMs;
    });
    for (auto it = stale; it != s.agents.end(); ++it) {
      // The agent went silent at its last update, so that is when it finished.
      FinishedAgent f = finish(*it, "abandoned", s.label, it->updated_ms);
      record_finished(history, f);
      abandoned.push_back(std::move(f));
    }
    s.agents.erase(stale, s.agents.end());
  }
  std::erase_if(registry, [&](const AgentSession& s) {
    return s.agents.empty() && age(s.last_seen_ms, now_ms) >= kAgentAbandonMs;
  });
  return abandoned;
}

size_t running_agent_count(const AgentRegistry& registry, uint64_t now_ms) {
  size_t n = 0;
  for (const AgentSession& s : registry) {
    for (const Agent& a : s.agents) {
      if (agent_running(a, now_ms)) ++n;
    }
  }
  return n;
}

ReportOutcome report_agents(SharedState& state, std::string_view session_id, std::string_view label,
                            std::string_view json_text, uint64_t now_ms) {
  std::vector<Agent> agents = parse_agent_report(json_text, now_ms);
  std::lock_guard sessions_lock(state.agent_sessions_mutex);  // always before the history lock
  std::lock_guard history_lock(state.agent_history_mutex);
  ReportOutcome outcome =
      merge_report(state.agent_sessions, state.agent_history, session_id, label, std::move(agents), now_ms);
  // A refused session has no record to remember the note in: say it once while the registry
  // stays full.
  if (outcome.refused && !state.agent_session_limit_logged) {
    state.agent_session_limit_logged = true;
    outcome.log_lines.push_back("mcp pipe: " + std::to_string(kMaxAgentSessions) +
                                " agent sessions reached; reports of new sessions dropped");
  } else if (state.agent_sessions.size() < kMaxAgentSessions) {
    state.agent_session_limit_logged = false;
  }
  return outcome;
}

std::vector<FinishedAgent> prune_agents(SharedState& state, uint64_t now_ms) {
  std::lock_guard sessions_lock(state.agent_sessions_mutex);
  std::lock_guard history_lock(state.agent_history_mutex);
  return prune_registry(state.agent_sessions, state.agent_history, now_ms);
}

size_t running_agent_count(SharedState& state, uint64_t now_ms) {
  std::lock_guard lock(state.agent_sessions_mutex);
  return running_agent_count(state.agent_sessions, now_ms);
}

}  // namespace qv
