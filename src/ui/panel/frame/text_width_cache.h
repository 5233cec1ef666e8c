#pragma once
// Widths of texts already measured in one font, kept across paints: the lists of the AI pages
// wrap the same words on every repaint, and asking the system again for each costs more than
// the rest of the paint together.
//
// Most words never reach the system at all: for the Latin letters, digits and punctuation below
// U+0300 the width of a run is the sum of its characters' advances (the system neither kerns nor
// shapes them when it measures), and those advances are asked once per block of characters. A
// text with anything else in it (combining marks, other scripts, controls, a character the font
// lacks) is measured whole, as before.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <unordered_map>
#include <vector>

#include "ui/gdi/text_layout.h"

namespace qv {

// Code points below this may be summed from their advances; they are asked in blocks of
// kAdvanceBlock.
inline constexpr char32_t kAdvanceLimit = 0x300;
inline constexpr size_t kAdvanceBlock = 64;

// Writes the advances of `count` code points from `first` to `out`, -1 for one the font has no
// glyph for (the system would draw it from another font); false when the system gave nothing.
using AdvanceSource = std::function<bool(char32_t first, size_t count, int32_t* out)>;

struct TextWidthCache {
  uint64_t font = 0;  // what the widths were measured in; another font starts afresh
  float scale = 0.0f;
  std::unordered_map<std::string, int32_t> widths;
  std::vector<int32_t> advances;  // per code point below kAdvanceLimit; empty until first asked
};

// Enough for every word of a full message list many times over; past it the cache starts again
// rather than grow with every new text.
inline constexpr size_t kTextWidthCacheLimit = 20000;

// `measure` behind the cache: a text measured before in the same font and scale is not measured
// again, and a text of summable characters is not measured at all when `advances` is given. The
// cache must outlive the returned measure.
TextMeasure cached_measure(TextWidthCache& cache, uint64_t font, float scale, TextMeasure measure,
                           AdvanceSource advances = {});

}  // namespace qv
