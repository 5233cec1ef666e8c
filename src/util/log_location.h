#pragma once
// Where a log file that the user named (a rule's log, the agent log) is written.
#include <string>
#include <string_view>

namespace qv {

// A relative path is taken from the settings folder rather than the current folder (the system
// folder when the start-up task starts the monitor). A drive-relative path ("C:x.log") would
// resolve against that drive's current folder, which is just as arbitrary, so it is taken from
// the settings folder too, without its drive. Absolute paths (drive and root, root, network
// share), and every path when there is no settings folder, stay as written.
std::string log_file_location(std::string_view file, std::string_view settings_dir);

}  // namespace qv
