#pragma once
// The named-pipe server through which the AI tool reads figures, notifies and reports agents.
#include <windows.h>

#include <memory>
#include <string>

#include "core/shared_state.h"
#include "util/names.h"

namespace qv {

// A client gets this long from connecting to delivering its whole request.
inline constexpr DWORD kRequestTimeoutMs = 5000;

// The pipe server worker for \\.\pipe\zelmor-mcp. Ends only when no pipe instance can be made.
void run_pipe_server(std::shared_ptr<SharedState> state, HWND panel);
// The same server on another pipe name, so tests and benchmarks can run one beside a monitor.
void serve_pipe(const std::wstring& pipe_name, std::shared_ptr<SharedState> state, HWND panel);


}  // namespace qv
