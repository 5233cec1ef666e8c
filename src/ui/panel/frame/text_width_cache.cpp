#include "ui/panel/frame/text_width_cache.h"

#include <optional>
#include <utility>

#include "util/utf.h"

namespace qv {
namespace {

constexpr int32_t kNotAsked = -2;
constexpr int32_t kNoGlyph = -1;

// Characters whose advances add up to the width the system measures: printable Latin up to the
// combining marks. Not the controls, and not the soft hyphen, which some text paths hide.
bool summable(char32_t c) {
  return (c >= 0x20 && c < 0x7F) || (c >= 0xA0 && c < kAdvanceLimit && c != 0xAD);
}

// The advance of `c` (summable), asking the source for its block the first time.
int32_t advance_of(TextWidthCache& cache, const AdvanceSource& source, char32_t c) {
  if (cache.advances.empty()) cache.advances.assign(kAdvanceLimit, kNotAsked);
  int32_t& slot = cache.advances[c];
  if (slot == kNotAsked) {
    const char32_t first = c - c % kAdvanceBlock;
    int32_t* block = &cache.advances[first];
    if (!source(first, kAdvanceBlock, block)) {
      for (size_t i = 0; i < kAdvanceBlock; ++i) block[i] = kNoGlyph;
    }
    for (size_t i = 0; i < kAdvanceBlock; ++i) {
      if (block[i] < 0) block[i] = kNoGlyph;  // nothing negative but "unknown" from the source
    }
  }
  return slot;
}

// The width as the sum of advances, or nothing when some character must be measured whole.
std::optional<int32_t> summed_width(TextWidthCache& cache, const AdvanceSource& source, std::string_view text) {
  int64_t sum = 0;
  for (size_t pos = 0; pos < text.size();) {
    size_t len = 1;
    const char32_t c = decode_utf8_at(text, pos, len);
    if (c == kInvalidUtf8 || !summable(c)) return std::nullopt;
    const int32_t w = advance_of(cache, source, c);
    if (w == kNoGlyph) return std::nullopt;
    sum += w;
    pos += len;
  }
  if (sum > INT32_MAX) return std::nullopt;
  return static_cast<int32_t>(sum);
}

}  // namespace

TextMeasure cached_measure(TextWidthCache& cache, uint64_t font, float scale, TextMeasure measure,
                           AdvanceSource advances) {
  if (cache.font != font || cache.scale != scale) {
    cache.widths.clear();
    cache.advances.clear();
    cache.font = font;
    cache.scale = scale;
  }
  return [&cache, measure = std::move(measure), advances = std::move(advances)](std::string_view text) {
    if (advances) {
      if (const std::optional<int32_t> w = summed_width(cache, advances, text)) return *w;
    }
    const auto found = cache.widths.find(std::string(text));
    if (found != cache.widths.end()) return found->second;
    if (cache.widths.size() >= kTextWidthCacheLimit) cache.widths.clear();
    const int32_t w = measure(text);
    cache.widths.emplace(std::string(text), w);
    return w;
  };
}

}  // namespace qv
