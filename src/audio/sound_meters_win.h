#pragma once
// Sound peaks of the default playback device's sessions through Core Audio. Set up on the first
// read (on the sampler thread, multithreaded apartment); a failed set-up logs once.
#include <cstdint>
#include <unordered_map>

namespace qv {

class SoundMeters {
 public:
  SoundMeters();
  SoundMeters(const SoundMeters&) = delete;
  SoundMeters& operator=(const SoundMeters&) = delete;
  ~SoundMeters();
  // True when the meters were read: `peak` is the loudest active session, `per_pid_peak` the
  // loudest session of each process.
  bool read(float& peak, std::unordered_map<uint32_t, float>& per_pid_peak);

 private:
  struct Impl;
  Impl* impl_;
};

}  // namespace qv
