#pragma once
// Appending finished agents to the agent log file chosen in the settings.
#include <string>
#include <vector>

#include "core/agent.h"
#include "core/shared_state.h"

namespace qv {

// Takes the path under its lock, then writes with no lock held. An empty path means no log.
void append_agent_log(SharedState& state, const std::vector<FinishedAgent>& entries);

// Where the agent log goes when the user switches it on: LOCALAPPDATA\zelmor-agents.log, or
// C:\zelmor-agents.log when that variable is missing.
std::string default_agent_log_path();

}  // namespace qv
