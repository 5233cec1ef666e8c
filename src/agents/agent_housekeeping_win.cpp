#include "agents/agent_housekeeping_win.h"

#include "agents/agent_log_win.h"
#include "agents/agent_registry.h"

namespace qv {

bool agent_housekeeping(SharedState& state, uint64_t now_ms) {
  const std::vector<FinishedAgent> abandoned = prune_agents(state, now_ms);
  if (abandoned.empty()) return false;
  append_agent_log(state, abandoned);
  return true;
}

}  // namespace qv
