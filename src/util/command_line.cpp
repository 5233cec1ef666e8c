#include "util/command_line.h"

namespace qv {

std::string quote_argument(const std::string& arg) {
  if (!arg.empty() && arg.find_first_of(" \t\n\v\"") == std::string::npos) return arg;
  // Backslashes are literal except before a quotation mark (or the closing quote), where each
  // must be doubled; a quotation mark itself is written as \".
  std::string out = "\"";
  size_t backslashes = 0;
  for (char c : arg) {
    if (c == '\\') {
      ++backslashes;
      continue;
    }
    if (c == '"') {
      out.append(backslashes * 2 + 1, '\\');
    } else {
      out.append(backslashes, '\\');
    }
    backslashes = 0;
    out.push_back(c);
  }
  out.append(backslashes * 2, '\\');
  out.push_back('"');
  return out;
}

std::string build_command_line(const std::string& program, const std::vector<std::string>& args) {
  std::string line = quote_argument(program);
  for (const auto& a : args) {
    line.push_back(' ');
    line += quote_argument(a);
  }
  return line;
}

}  // namespace qv
