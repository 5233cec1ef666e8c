#include "ui/panel/kit/page_layout.h"

#include <algorithm>

namespace qv {

void clip_to_list(PageBuilder& b) {
  const ScrollBand band{page_band_bottom(b.in.scale), b.in.height - b.px(12), b.in.scroll_offset};
  for (HitRegion& r : b.view.regions) r.band = band;
}

int32_t page_band_bottom(float s) { return px(12, s) + px(50, s); }

}  // namespace qv
