#pragma once
// Sound peaks of the default playback device's sessions through Core Audio. Set up on the first
// read (on the sampler thread, multithreaded apartment); a failed set-up logs once and is not
// retried, and the device chosen then is kept for the run.
#include <cstdint>
#include <memory>
#include <unordered_map>

namespace qv {

class SoundMeters {
 public:
  SoundMeters();
  SoundMeters(const SoundMeters&) = delete;
  SoundMeters& operator=(const SoundMeters&) = delete;
  ~SoundMeters();
  // True when the meters were read: `peak` is the loudest active session, `per_pid_peak` the
  // loudest session of each process (replaced; empty when the session list is unavailable).
  // False, with `peak` 0 and `per_pid_peak` left alone, when sound is unavailable for this run.
  bool read(float& peak, std::unordered_map<uint32_t, float>& per_pid_peak);

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace qv
