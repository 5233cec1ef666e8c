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
  cache = DriveTypeCache{true, letters, fixed, 0};
  return fixed;
}

}  // namespace qv
