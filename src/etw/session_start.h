#pragma once
// Starting our named trace session when a session of that name may be left over from a run that
// ended without stopping it (a crash, a kill): such a session is stopped and the start is tried
// once more. Kept free of Windows types so that the retry rule can be checked with fakes.
#include <cstdint>

namespace qv {

inline constexpr uint32_t kSessionAlreadyExists = 183;  // ERROR_ALREADY_EXISTS

// `start` returns a Windows error code (0 on success); `stop` stops the session by name.
// Returns the status of the last start.
template <typename Start, typename Stop>
uint32_t start_reclaiming(Start&& start, Stop&& stop) {
  uint32_t status = start();
  if (status == kSessionAlreadyExists) {
    stop();
    status = start();
  }
  return status;
}

}  // namespace qv
