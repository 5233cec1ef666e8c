#pragma once
// The 60-sample display series behind the panel's graphs: a fixed ring, never reallocated.
#include <array>
#include <cstddef>

#include "ui/gdi/geometry.h"

namespace qv {

struct HistorySeries {
  static constexpr size_t kCapacity = 60;
  std::array<float, kCapacity> samples{};
  size_t head = 0;   // next write
  size_t count = 0;  // valid samples, ending just before head

  void push(float value);
  // The largest valid sample, NaN ignored; 0 when there is none.
  float series_max() const;
  SampleRing ring() const { return SampleRing{samples, head, count}; }
};

}  // namespace qv
