#pragma once
// The drive letters and which of them are fixed drives, asked of the system only when the answer
// may have changed. A letter comes or goes only with a volume, and the system announces that to
// every top-level window (the panel passes it on); a letter's type changes only when its volume
// does, which changes the set of letters too. So the letters are read on every tick someone is
// looking at (the panel is shown, or a pipe request asked for full figures) and after each
// announcement, and the types whenever the letters differ. A reading now and then covers a
// change nobody announced. The free space of the fixed drives is read on every tick all the
// same, and a drive that is gone fails that reading and is left out at once.
#include <cstdint>
#include <functional>

namespace qv {

// Ticks between two full re-asks when the letters stay the same.
inline constexpr uint32_t kDriveTypeRefreshTicks = 60;
// Ticks between two readings of the letters while nobody looks and nothing is announced.
inline constexpr uint32_t kDriveLettersRefreshTicks = 60;

struct DriveTypeCache {
  bool known = false;         // false: nothing asked yet
  uint32_t letters = 0;       // bit i: letter 'A' + i was present when the types were asked
  uint32_t fixed = 0;         // bit i: that letter was a fixed drive
  uint32_t ticks_since = 0;   // ticks the answer has been reused
  uint32_t letters_age = 0;   // ticks since the letters were last read (0 on the tick that read them)
};

// The device-change events (WM_DEVICECHANGE's wParam) after which a volume may have come or gone:
// an arrival (0x8000) or a finished removal (0x8004).
bool device_event_moves_drives(uintptr_t event);

// Whether this tick reads the drive letters again: before any answer is kept, on a `detail` tick,
// after an announced change, when the last reading found no letter at all (nothing to reuse), or
// on the kDriveLettersRefreshTicks-th tick after the last reading. Otherwise the kept letters
// stand for this tick, which is counted.
bool drive_letters_due(DriveTypeCache& cache, bool detail, bool announced);

// The fixed letters among `letters` (bit i: 'A' + i, bits 26 and up ignored). `is_fixed(i)` is
// called for every present letter when the letters differ from the cached ones, on the first
// call, and after kDriveTypeRefreshTicks reuses; otherwise the cached answer stands.
uint32_t fixed_drive_letters(DriveTypeCache& cache, uint32_t letters, const std::function<bool(int index)>& is_fixed);

}  // namespace qv
