#pragma once
// Text arithmetic behind the drawing kit: word wrap and ellipsis fitting over an injected text
// measurer, so the rules can be checked without a screen. Text is UTF-8; lines and cuts always
// fall on code-point boundaries.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace qv {

// Width in pixels of a run of text in the font the caller has in mind.
using TextMeasure = std::function<int32_t(std::string_view)>;
// Width of a run of text in the font at `font_index` of an ordered list of fonts.
using FontTextMeasure = std::function<int32_t(size_t font_index, std::string_view)>;

// Byte length of the code point starting at `pos` (1 for a byte that starts no valid sequence).
size_t code_point_length(std::string_view text, size_t pos);
// Number of code points (a stray byte counts as one).
size_t code_point_count(std::string_view text);

// Splits at line feeds into paragraphs and word-wraps each to `max_width`: white space runs
// collapse to one space, every paragraph gives at least one line (an empty one gives an empty
// line), and a word wider than the width is broken between characters. Nothing when
// max_width <= 0. With `max_lines`, stops measuring once that many lines are known (a folded
// text only needs to know whether it has a second line).
std::vector<std::string> wrap_lines(std::string_view text, int32_t max_width, const TextMeasure& measure,
                                    size_t max_lines = SIZE_MAX);

// Lines that laying out `text` in a row of `row_width` pixels takes: 0 for an empty text,
// otherwise the wrapped count (at least 1) at the row width less the row's padding.
size_t layout_line_count(std::string_view text, int32_t row_width, float ui_scale, const TextMeasure& measure);

struct FittedText {
  size_t font_index = 0;
  std::string text;
};
// The first of `font_count` fonts in which the whole text fits in `room` pixels; when none
// fits, the last font and the text cut from its end, one code point at a time, with "…" added
// (at least one code point stays, so the result may still be too wide). font_count must be >= 1.
FittedText fit_text(std::string_view text, int32_t room, size_t font_count, const FontTextMeasure& measure);

}  // namespace qv
