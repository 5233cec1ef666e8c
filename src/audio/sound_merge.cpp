#include "audio/sound_merge.h"

#include <algorithm>
#include <cmath>

namespace qv {

size_t sound_sessions_to_examine(int reported_count) {
  if (reported_count <= 0) return 0;
  return static_cast<size_t>(std::min(reported_count, kMaxSoundSessions));
}

SoundLevels merge_sound_sessions(const std::vector<SoundSession>& sessions) {
  SoundLevels out;
  for (const SoundSession& s : sessions) {
    if (!s.active || !s.peak || !std::isfinite(*s.peak)) continue;
    const float p = std::clamp(*s.peak, 0.0f, 1.0f);
    out.loudest = std::max(out.loudest, p);
    if (s.pid != 0) {
      float& entry = out.per_pid[s.pid];
      entry = std::max(entry, p);
    }
  }
  return out;
}

}  // namespace qv
