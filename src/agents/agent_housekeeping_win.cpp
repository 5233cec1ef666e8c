#include "agents/agent_housekeeping_win.h"

namespace qv {

bool agent_housekeeping(SharedState&, uint64_t) { return false; }

}  // namespace qv
