#pragma once
// Widths of texts already measured in one font, kept across paints: the lists of the AI pages
// wrap the same words on every repaint, and asking the system again for each costs more than
// the rest of the paint together.
#include <cstddef>
#include <cstdint>
#include <string>
#include <unordered_map>

#include "ui/gdi/text_layout.h"

namespace qv {

struct TextWidthCache {
  uint64_t font = 0;  // what the widths were measured in; another font starts afresh
  float scale = 0.0f;
  std::unordered_map<std::string, int32_t> widths;
};

// Enough for every word of a full message list many times over; past it the cache starts again
// rather than grow with every new text.
inline constexpr size_t kTextWidthCacheLimit = 20000;

// `measure` behind the cache: a text measured before in the same font and scale is not measured
// again. The cache must outlive the returned measure.
TextMeasure cached_measure(TextWidthCache& cache, uint64_t font, float scale, TextMeasure measure);

}  // namespace qv
