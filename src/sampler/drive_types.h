#pragma once
// Which drive letters are fixed drives, asked of the system only when the answer may have
// changed. The set of letters is read every tick and is cheap; asking each letter's type costs
// a call per letter, and a letter's type changes only when its volume comes or goes, which
// changes the set of letters too. A full re-ask now and then covers a letter given to another
// volume between two ticks.
#include <cstdint>
#include <functional>

namespace qv {

// Ticks between two full re-asks when the letters stay the same.
inline constexpr uint32_t kDriveTypeRefreshTicks = 60;

struct DriveTypeCache {
  bool known = false;         // false: nothing asked yet
  uint32_t letters = 0;       // bit i: letter 'A' + i was present when the types were asked
  uint32_t fixed = 0;         // bit i: that letter was a fixed drive
  uint32_t ticks_since = 0;   // ticks the answer has been reused
};

// The fixed letters among `letters` (bit i: 'A' + i, bits 26 and up ignored). `is_fixed(i)` is
// called for every present letter when the letters differ from the cached ones, on the first
// call, and after kDriveTypeRefreshTicks reuses; otherwise the cached answer stands.
uint32_t fixed_drive_letters(DriveTypeCache& cache, uint32_t letters, const std::function<bool(int index)>& is_fixed);

}  // namespace qv
