#pragma once
// The one factor that sizes fonts and every layout length of the panel, and its conversion of a
// scaled length to whole pixels.
#include <cstdint>

namespace qv {

// dots per inch / 96; a zero or unreadable dpi counts as 96.
float dpi_scale_for(uint32_t dpi);
// dpi_scale times the text-size factor of the settings value `text_size`.
float ui_scale_for(float dpi_scale, uint32_t text_size);

// Pixels for a length of n scaled units: n * ui_scale truncated toward zero, NaN -> 0, and
// saturated at the 32-bit limits. Each length converts on its own, so px(12) + px(50) may be one
// short of px(62); layouts add separately converted terms on purpose.
int32_t px(double n, double ui_scale);

}  // namespace qv
