#include "sampler/drive_types.h"

namespace qv {

uint32_t fixed_drive_letters(DriveTypeCache& cache, uint32_t letters, const std::function<bool(int index)>& is_fixed) {
  letters &= (1u << 26) - 1;
  if (cache.known && cache.letters == letters && cache.ticks_since < kDriveTypeRefreshTicks) {
    ++cache.ticks_since;
    return cache.fixed;
  }
  uint32_t fixed = 0;
  for (int i = 0; i < 26; ++i) {
    if ((letters & (1u << i)) && is_fixed(i)) fixed |= 1u << i;
  }
  cache.known = true;
  cache.letters = letters;
  cache.fixed = fixed;
  cache.ticks_since = 0;
  return fixed;
}

bool device_event_moves_drives(uintptr_t event) { return event == 0x8000 || event == 0x8004; }

bool drive_letters_due(DriveTypeCache& cache, bool detail, bool announced) {
  const uint32_t since_reading = cache.letters_age + 1;  // this tick included
  if (!cache.known || detail || announced || cache.letters == 0 || since_reading >= kDriveLettersRefreshTicks) {
    cache.letters_age = 0;
    return true;
  }
  cache.letters_age = since_reading;
  return false;
}

}  // namespace qv
