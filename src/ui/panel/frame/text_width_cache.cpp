#include "ui/panel/frame/text_width_cache.h"

#include <utility>

namespace qv {

TextMeasure cached_measure(TextWidthCache& cache, uint64_t font, float scale, TextMeasure measure) {
  if (cache.font != font || cache.scale != scale) {
    cache.widths.clear();
    cache.font = font;
    cache.scale = scale;
  }
  return [&cache, measure = std::move(measure)](std::string_view text) {
    const auto found = cache.widths.find(std::string(text));
    if (found != cache.widths.end()) return found->second;
    if (cache.widths.size() >= kTextWidthCacheLimit) cache.widths.clear();
    const int32_t w = measure(text);
    cache.widths.emplace(std::string(text), w);
    return w;
  };
}

}  // namespace qv
