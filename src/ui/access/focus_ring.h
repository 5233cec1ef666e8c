#pragma once
// The keyboard focus ring's geometry: four bands just inside a piece's region, so the ring never
// reaches under a neighbour.
#include <array>
#include <cstdint>

#include "ui/gdi/geometry.h"

namespace qv {

// Two scaled units, and never thinner than 2 pixels.
int32_t focus_ring_thickness(float ui_scale);

// Top, bottom, left, right bands of a ring `thickness` wide inside `region`. A region too small
// for two bands in a direction is filled in that direction; an empty region gives empty bands.
std::array<Rect, 4> focus_ring_bands(const Rect& region, int32_t thickness);

}  // namespace qv
