#pragma once
// "Close app": asks the user once, then ends each named process that still runs the app.
#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

namespace qv {

struct CloseOutcome {
  bool asked = false;      // the question was shown
  bool confirmed = false;  // and answered Yes
  size_t ended = 0;        // processes terminated
};

// With no ids nothing is asked. Otherwise a Yes/No question (No is the default) owned by
// `owner`; on Yes each id is opened for termination and its image name, and ended with exit
// code 1 only while its image file name is still `name` (ignoring case). Ids that cannot be
// opened, read or ended, or that now run another program, are skipped without a word.
CloseOutcome close_processes(HWND owner, std::string_view name, const std::vector<uint32_t>& pids);

}  // namespace qv
