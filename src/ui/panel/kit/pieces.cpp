#include "ui/panel/kit/pieces.h"

#include "ui/gdi/scale.h"

namespace qv {

Rect chip_rect(int32_t x, int32_t y, int32_t text_width, float s) {
  return Rect{x, y, x + text_width + px(16, s), y + px(24, s)};
}

CheckRowPlace check_row_place(int32_t y, int32_t width, float s) {
  CheckRowPlace p;
  p.row = Rect{px(12, s), y - px(2, s), width - px(12, s), y + px(20, s)};
  p.box = Rect{px(16, s), y + px(2, s), px(30, s), y + px(16, s)};
  p.text = Point{px(12, s) + px(26, s), y};
  return p;
}

ListRowPlace list_row_place(int32_t y, int32_t right, float s) {
  ListRowPlace p;
  const CheckRowPlace check = check_row_place(y, right, s);
  const int32_t glyph_x = right - px(12, s) - px(18, s);
  p.row = Rect{px(12, s), y - px(2, s), right, y + px(20, s)};
  p.box = check.box;
  p.text = Point{check.text.x, y + px(1, s)};
  p.text_right = glyph_x - px(8, s);
  p.glyph = Point{glyph_x, y};
  p.remove = Rect{glyph_x - px(6, s), y - px(2, s), right + px(4, s) - px(12, s), y + px(20, s)};
  p.toggle = Rect{px(12, s), y - px(2, s), glyph_x - px(8, s), y + px(20, s)};
  return p;
}

SectionTitlePlace section_title_place(int32_t x, int32_t y, float s) { return SectionTitlePlace{Point{x, y}, y + px(22, s)}; }

ClearGlyphPlace clear_glyph_place(const Rect& frame, float s) {
  const int32_t middle = (frame.top + frame.bottom) / 2;
  return ClearGlyphPlace{Point{frame.right - px(14, s), middle - px(8, s)},
                         Rect{frame.right - px(24, s), frame.top, frame.right, frame.bottom}};
}

Rect field_in_frame(const Rect& frame, bool clear_glyph, float s) {
  const int32_t right = clear_glyph ? clear_glyph_place(frame, s).region.left : frame.right - px(10, s);
  return Rect{frame.left + px(6, s), frame.top + px(3, s), right, frame.bottom - px(3, s)};
}

}  // namespace qv
