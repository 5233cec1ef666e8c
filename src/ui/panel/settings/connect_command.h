#pragma once
// The command that registers the pipe's companion client with the AI tool.
#include <string>
#include <string_view>

namespace qv {

// "claude mcp add quorvel " and the quoted path of zelmor-mcp.exe in `exe_dir` (the directory of
// this program), or the quoted bare file name when the directory is unknown (empty).
std::string connect_command(std::string_view exe_dir);

}  // namespace qv
