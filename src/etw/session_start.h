#pragma once
// Starting our named trace session when a session of that name may be left over from a run that
// ended without stopping it (a crash, a kill, a sign-out): such a session is stopped and the start
// is tried once more. The session is machine-wide, so a monitor in another user's session may be
// running it: a machine-wide owner lock, held by the tracing thread for as long as its session
// may run, tells the two apart. Kept free of Windows types so that the rules can be checked with
// fakes.
#include <cstdint>

namespace qv {

inline constexpr uint32_t kSessionAlreadyExists = 183;  // ERROR_ALREADY_EXISTS

// How often the session hands its buffered events over: well inside the shortest sampling
// interval, so that each tick gets the frames presented during it.
inline constexpr uint32_t kTraceFlushMs = 100;

// What trying the owner lock without waiting gave.
enum class OwnerLock {
  kTaken,           // created anew, or free: no running monitor owns a session
  kAbandoned,       // its holder ended without letting go: its session is a left-over
  kHeldElsewhere,   // a running monitor holds it: its session is live
  kUnavailable,     // it could not be created or opened (no rights): nothing is known
};

// Only a session that no running monitor owns may be stopped.
constexpr bool may_reclaim_session(OwnerLock lock) {
  return lock == OwnerLock::kTaken || lock == OwnerLock::kAbandoned;
}

// `start` returns a Windows error code (0 on success); `stop` stops the session by name. A start
// that finds the session already there stops it and starts once more, but only when
// `may_reclaim`; otherwise the session is left alone and "already exists" is the result.
// Returns the status of the last start.
template <typename Start, typename Stop>
uint32_t start_reclaiming(Start&& start, Stop&& stop, bool may_reclaim) {
  uint32_t status = start();
  if (status == kSessionAlreadyExists && may_reclaim) {
    stop();
    status = start();
  }
  return status;
}

}  // namespace qv
