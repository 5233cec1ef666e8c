#pragma once
// Building a Windows command line from separate arguments, so that the child's C runtime
// (or CommandLineToArgvW) splits it back into exactly the same arguments.
#include <string>
#include <vector>

namespace qv {

std::string quote_argument(const std::string& arg);
std::string build_command_line(const std::string& program, const std::vector<std::string>& args);

}  // namespace qv
