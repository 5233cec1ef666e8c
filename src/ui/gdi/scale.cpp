#include "ui/gdi/scale.h"

#include <cmath>
#include <limits>

#include "config/settings.h"

namespace qv {

float dpi_scale_for(uint32_t dpi) { return static_cast<float>(dpi == 0 ? 96 : dpi) / 96.0f; }

float ui_scale_for(float dpi_scale, uint32_t text_size) { return dpi_scale * text_size_factor(text_size); }

int32_t px(double n, double ui_scale) {
  const double v = std::trunc(n * ui_scale);
  if (std::isnan(v)) return 0;
  if (v >= 2147483647.0) return std::numeric_limits<int32_t>::max();
  if (v <= -2147483648.0) return std::numeric_limits<int32_t>::min();
  return static_cast<int32_t>(v);
}

}  // namespace qv
