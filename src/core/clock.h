#pragma once
// The wall clock every thread stamps its records with.
#include <cstdint>

namespace qv {

// Wall-clock milliseconds since 1970 (0 if the clock reads earlier).
uint64_t unix_now_ms();

}  // namespace qv
