#pragma once
// Merging the peak meters of the playback device's sound sessions into the loudest peak of the
// machine and the loudest peak of each process.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <unordered_map>
#include <vector>

namespace qv {

// Only the first sessions are looked at, so that a device with a runaway session list cannot
// make a tick slow.
inline constexpr int kMaxSoundSessions = 256;

// How many sessions to examine for a reported count (0 for a count of 0 or less).
size_t sound_sessions_to_examine(int reported_count);

struct SoundSession {
  bool active = false;        // only sessions in the active state count, whatever their meter shows
  uint32_t pid = 0;           // 0 when unknown, and for the system sounds
  std::optional<float> peak;  // nothing when the meter could not be read
};

struct SoundLevels {
  float loudest = 0;                          // 0.0 to 1.0
  std::unordered_map<uint32_t, float> per_pid;  // pid 0 is never an entry
};

// Peaks are clamped to 0..1; values that are not finite numbers are ignored. A process with
// several active sessions gets the loudest; sessions without a pid count toward `loudest` only.
SoundLevels merge_sound_sessions(const std::vector<SoundSession>& sessions);

}  // namespace qv
