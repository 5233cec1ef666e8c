#include "agents/instructions.h"

namespace qv {

std::string build_instructions(const Settings&) { return {}; }

}  // namespace qv
