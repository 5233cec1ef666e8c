#include "ui/panel/kit/page_layout.h"

#include <algorithm>
#include <cstdint>

namespace qv {

void clip_to_list(PageBuilder& b) {
  const ScrollBand band{page_band_bottom(b.in.scale), b.in.height - b.px(12), b.in.scroll_offset};
  for (HitRegion& r : b.view.regions) r.band = band;
}

int32_t page_band_bottom(float s) { return px(12, s) + px(50, s); }

int32_t whole_page_height(const PageView& view, float s) {
  const int64_t h = int64_t{view.list_top} + std::max(view.content_height, 0) + px(12, s);
  return static_cast<int32_t>(std::min<int64_t>(h, INT32_MAX));
}

}  // namespace qv
