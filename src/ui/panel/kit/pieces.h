#pragma once
// The kit of pieces every page of the panel is built from: chip, check row, list row with its
// remove glyph, section title, text-field frame with its clear glyph. Each piece's places are
// worked out here, once, from the row's position and the scale; the painters in
// panel_widgets_win.h draw from them and the pages' layouts add their click regions from them.
#include <cstdint>

#include "ui/gdi/geometry.h"

namespace qv {

// A chip: text `text_width` wide in the small font, px(8) of padding on both sides, px(24) high.
Rect chip_rect(int32_t x, int32_t y, int32_t text_width, float ui_scale);
inline constexpr int32_t kChipGap = 6;  // between chips in a row

// A check row at line `y` across a page `width` wide: the whole row answers the click.
struct CheckRowPlace {
  Rect row;
  Rect box;
  Point text;  // the label, in the body font
};
CheckRowPlace check_row_place(int32_t y, int32_t width, float ui_scale);

// A list row at line `y` whose right edge is `right`: check box, fitted text, remove glyph. The
// glyph's region comes first in drawing order and does not overlap the toggle's.
struct ListRowPlace {
  Rect row;
  Rect box;
  Point text;  // the fitted text, in the small font, up to text_right
  int32_t text_right = 0;
  Point glyph;  // "×", in the body font
  Rect remove;
  Rect toggle;
};
ListRowPlace list_row_place(int32_t y, int32_t right, float ui_scale);
inline constexpr int32_t kRowStep = 24;  // from one check or list row to the next

// A section title ("THEME") at line `y`: its text, and where the next piece starts.
struct SectionTitlePlace {
  Point text;
  int32_t next_y = 0;
};
SectionTitlePlace section_title_place(int32_t x, int32_t y, float ui_scale);

// The clear glyph of a text-field frame: drawn near the frame's right end and clicked on its
// last px(24), inside the frame.
struct ClearGlyphPlace {
  Point glyph;  // "×", in the body font, vertically centred on the frame
  Rect region;
};
ClearGlyphPlace clear_glyph_place(const Rect& frame, float ui_scale);

// Where a text field (the child edit control) sits inside its frame: px(3) in at the top and
// bottom, px(6) in at the left, and at the right px(10) in, or short of the clear glyph's region
// when the frame has one.
Rect field_in_frame(const Rect& frame, bool clear_glyph, float ui_scale);

}  // namespace qv
