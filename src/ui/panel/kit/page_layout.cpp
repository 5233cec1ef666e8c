#include "ui/panel/kit/page_layout.h"

#include <algorithm>
#include <cstdint>

namespace qv {

void clip_to_list(PageBuilder& b) {
  const int32_t top = b.px(12) + b.px(40);
  const int32_t bottom = b.in.height - b.px(12);
  std::vector<HitRegion> kept;
  for (HitRegion r : b.view.regions) {
    r.top = std::max(r.top, top);
    r.bottom = std::min(r.bottom, bottom);
    if (r.top < r.bottom) kept.push_back(r);
  }
  b.view.regions = std::move(kept);
}

int32_t page_band_bottom(float s) { return px(12, s) + px(50, s); }

int32_t whole_page_height(const PageView& view, float s) {
  const int64_t h = int64_t{view.list_top} + std::max(view.content_height, 0) + px(12, s);
  return static_cast<int32_t>(std::min<int64_t>(h, INT32_MAX));
}

}  // namespace qv
