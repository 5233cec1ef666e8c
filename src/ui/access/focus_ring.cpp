#include "ui/access/focus_ring.h"

#include <algorithm>

#include "ui/gdi/scale.h"

namespace qv {

int32_t focus_ring_thickness(float ui_scale) { return std::max(2, px(2, ui_scale)); }

std::array<Rect, 4> focus_ring_bands(const Rect& r, int32_t thickness) {
  if (r.width() <= 0 || r.height() <= 0 || thickness <= 0) return {};
  const int32_t tv = std::min(thickness, r.height() / 2 + r.height() % 2);  // top and bottom bands
  const int32_t th = std::min(thickness, r.width() / 2 + r.width() % 2);    // left and right bands
  const int32_t inner_top = r.top + tv;
  const int32_t inner_bottom = std::max(inner_top, r.bottom - tv);
  return {Rect{r.left, r.top, r.right, inner_top}, Rect{r.left, inner_bottom, r.right, r.bottom},
          Rect{r.left, inner_top, r.left + th, inner_bottom}, Rect{std::max(r.left + th, r.right - th), inner_top, r.right, inner_bottom}};
}

}  // namespace qv
