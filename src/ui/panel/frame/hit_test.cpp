#include "ui/panel/frame/hit_test.h"

namespace qv {

Action make_action(ActionKind kind, uint64_t index, uint8_t flag, uint32_t number) {
  Action a;
  a.kind = kind;
  a.index = index;
  a.flag = flag;
  a.number = number;
  return a;
}

std::optional<size_t> hit_test(const std::vector<HitRegion>& regions, int32_t x, int32_t y) {
  for (size_t i = 0; i < regions.size(); ++i) {
    if (regions[i].contains(x, y)) return i;
  }
  return std::nullopt;
}

bool hover_region_changed(const std::vector<HitRegion>& regions, std::optional<std::pair<int32_t, int32_t>> from,
                          int32_t to_x, int32_t to_y) {
  const std::optional<size_t> before = from ? hit_test(regions, from->first, from->second) : std::nullopt;
  return before != hit_test(regions, to_x, to_y);
}

}  // namespace qv
