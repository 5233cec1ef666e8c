#pragma once
#include <windows.h>

#include <memory>

#include "main/shared_state.h"

namespace qv {

// The pipe server worker for \\.\pipe\zelmor-mcp.
void run_pipe_server(std::shared_ptr<SharedState> state, HWND panel);

}  // namespace qv
