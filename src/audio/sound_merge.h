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

// Whether a failed session-list call means that the device is gone for good (unplugged, disabled,
// or the audio service restarted), so that it must be let go, rather than a failure of one tick.
constexpr bool playback_device_gone(int32_t hresult) {
  return hresult == static_cast<int32_t>(0x88890004)     // AUDCLNT_E_DEVICE_INVALIDATED
         || hresult == static_cast<int32_t>(0x88890010);  // AUDCLNT_E_SERVICE_NOT_RUNNING
}

// When to take the default playback device. A device can go away (a headset unplugged, a screen's
// sound asleep): its session list then fails on every read. After such a failure the default
// device is taken again on the next reading; while there is none, it is looked for again only
// every kRetryMs, not on every tick.
class PlaybackDeviceSchedule {
 public:
  static constexpr uint64_t kRetryMs = 10'000;

  // Whether this reading, at `now_ms` (steady clock), should look for the default device.
  bool should_look(uint64_t now_ms) const { return !has_device_ && now_ms >= next_look_ms_; }
  void found() { has_device_ = true; }
  // There was no default device, or it could not be opened.
  void not_found(uint64_t now_ms) {
    has_device_ = false;
    next_look_ms_ = now_ms + kRetryMs;
  }
  // The device's session list failed: let go of it and look again on the next reading.
  void lost() {
    has_device_ = false;
    next_look_ms_ = 0;
  }
  bool has_device() const { return has_device_; }

 private:
  bool has_device_ = false;
  uint64_t next_look_ms_ = 0;
};

// Peaks are clamped to 0..1; values that are not finite numbers are ignored. A process with
// several active sessions gets the loudest; sessions without a pid count toward `loudest` only.
SoundLevels merge_sound_sessions(const std::vector<SoundSession>& sessions);

}  // namespace qv
