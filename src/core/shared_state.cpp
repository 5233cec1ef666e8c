#include "core/shared_state.h"

namespace qv {

std::shared_ptr<SharedState> make_shared_state(const Settings& settings, std::vector<AlertRule> rules,
                                               std::string instructions) {
  auto state = std::make_shared<SharedState>();
  state->rules = std::move(rules);
  state->instructions = std::move(instructions);
  state->agent_log_file = settings.agent_log_file;
  state->interval_ms.store(settings.interval_ms);
  state->mcp_enabled.store(settings.mcp_enabled);
  return state;
}

}  // namespace qv
