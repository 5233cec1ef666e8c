#include "mcp_pipe/pipe_server_win.h"

namespace qv {

void run_pipe_server(std::shared_ptr<SharedState>, HWND) {}

}  // namespace qv
