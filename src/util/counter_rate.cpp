#include "util/counter_rate.h"

namespace qv {

uint64_t rate(uint64_t now, uint64_t before, double dt) {
  if (now < before) return 0;
  const double r = static_cast<double>(now - before) / dt;
  if (!(r > 0.0)) return 0;  // also NaN
  // 2^64 as a double; anything at or above it does not fit.
  if (r >= 18446744073709551616.0) return UINT64_MAX;
  return static_cast<uint64_t>(r);
}

}  // namespace qv
