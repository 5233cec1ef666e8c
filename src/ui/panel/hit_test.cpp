#include "ui/panel/hit_test.h"

namespace qv {

std::optional<size_t> hit_test(const std::vector<HitRegion>& regions, int32_t x, int32_t y) {
  for (size_t i = 0; i < regions.size(); ++i) {
    if (regions[i].contains(x, y)) return i;
  }
  return std::nullopt;
}

}  // namespace qv
