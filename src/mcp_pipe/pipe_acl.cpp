#include "mcp_pipe/pipe_acl.h"

namespace qv {

std::string pipe_sddl(const std::optional<std::string>& user_sid) {
  const std::string who = user_sid ? *user_sid : std::string("IU");
  return "D:(D;;GA;;;NU)(A;;GA;;;" + who + ")(A;;GA;;;SY)(A;;GA;;;BA)";
}

}  // namespace qv
