#include "ui/panel/settings/connect_command.h"
#include "util/names.h"

namespace qv {

std::string connect_command(std::string_view exe_dir) {
  std::string path;
  if (!exe_dir.empty()) {
    path = exe_dir;
    if (path.back() != '\\' && path.back() != '/') path += '\\';
  }
  path += kCompanionExeName;
  return "claude mcp add quorvel \"" + path + "\"";
}

}  // namespace qv
