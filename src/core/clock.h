#pragma once
// The wall clock every thread stamps its records with, and the steady clock deadlines use.
#include <cstdint>

namespace qv {

// Wall-clock milliseconds since 1970 (0 if the clock reads earlier).
uint64_t unix_now_ms();

// Milliseconds on a clock that only moves forward and ignores changes of the wall clock, from an
// unspecified start: for spans and deadlines, never for time stamps.
uint64_t steady_now_ms();

}  // namespace qv
