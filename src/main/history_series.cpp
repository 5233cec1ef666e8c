#include "main/history_series.h"

#include <algorithm>
#include <cmath>

namespace qv {

void HistorySeries::push(float value) {
  samples[head] = value;
  head = (head + 1) % kCapacity;
  count = std::min(count + 1, kCapacity);
}

float HistorySeries::series_max() const {
  bool any = false;
  float best = 0.0f;
  for (size_t i = 0; i < count; ++i) {
    const float v = samples[(head + kCapacity - count + i) % kCapacity];
    if (std::isnan(v)) continue;
    if (!any || v > best) best = v;
    any = true;
  }
  return any ? best : 0.0f;
}

}  // namespace qv
