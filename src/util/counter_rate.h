#pragma once
// Rates from cumulative counters, shared by the machine-wide tick and the per-process records.
#include <cstdint>

namespace qv {

// Bytes per second from two readings of a cumulative counter over `dt` seconds. A counter
// that went backwards (an interface went away) gives 0; the result saturates at 2^64 - 1.
uint64_t rate(uint64_t now, uint64_t before, double dt);

// a + b, or 2^64 - 1 when that does not fit: two saturated rates must not add up to a small one.
constexpr uint64_t saturating_add(uint64_t a, uint64_t b) { return a > UINT64_MAX - b ? UINT64_MAX : a + b; }

}  // namespace qv
