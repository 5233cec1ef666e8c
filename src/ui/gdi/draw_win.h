#pragma once
// The GDI toolkit every window paints with: the four fonts, text, measuring, wrapping and
// fitting, chevrons, the history graph, fills, meters, the text-field frame, child text fields
// and the clipboard. Text is UTF-8 and converted at each call. Primitives select what they need
// into the device context and leave it selected; brushes and pens live for one call.
#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "ui/gdi/geometry.h"
#include "ui/gdi/theme.h"

namespace qv {

inline COLORREF colorref(Rgb c) { return RGB(c.r, c.g, c.b); }
inline RECT to_rect(const Rect& r) { return RECT{r.left, r.top, r.right, r.bottom}; }

// The four fonts of a window. Owned: delete_font_set releases them (the destructor does too).
struct FontSet {
  HFONT body = nullptr;     // 14, regular: list text, values, text fields
  HFONT bold = nullptr;     // 14, bold: page titles, app names
  HFONT heading = nullptr;  // 12, bold: section headings
  HFONT small = nullptr;    // 11, regular: links, chips, hints

  FontSet() = default;
  FontSet(const FontSet&) = delete;
  FontSet& operator=(const FontSet&) = delete;
  FontSet(FontSet&& other) noexcept;
  FontSet& operator=(FontSet&& other) noexcept;
  ~FontSet();
};

// "Segoe UI" at `size` scaled units (character height), ClearType.
HFONT create_font(int size_px, int weight);
FontSet create_font_set(float ui_scale);
void delete_font_set(FontSet& fonts);

void draw_text(HDC dc, int x, int y, HFONT font, Rgb colour, std::string_view text);
int text_width(HDC dc, HFONT font, std::string_view text);
// Advance widths of the `count` (at most 64) UTF-16 code units from `first` in `font`, -1 for one
// the font has no glyph for; false when the system answered neither question.
bool char_advances(HDC dc, HFONT font, char32_t first, size_t count, int32_t* out);
std::vector<std::string> wrap_text(HDC dc, HFONT font, int max_width, std::string_view text);
void draw_wrapped(HDC dc, int x, int y, int max_width, int line_height, HFONT font, Rgb colour,
                  std::string_view text);
// Draws in the first font of `fonts` in which the text fits between x and right; otherwise in the
// last font, shortened with "…".
void draw_text_fit(HDC dc, int x, int y, int right, const std::vector<HFONT>& fonts, Rgb colour,
                   std::string_view text);

void draw_chevron(HDC dc, int cx, int cy, int size, int pen_width, Rgb colour, bool points_left);
void draw_fold_chevron(HDC dc, int cx, int cy, int size, int pen_width, Rgb colour, bool open);
void draw_sparkline(HDC dc, const Rect& rect, const SampleRing& ring, float full_scale, Rgb colour);
void fill_rect(HDC dc, const Rect& rect, Rgb colour);
// `border` frame one pixel wide around an `input` inside, in the current theme.
void draw_input_frame(HDC dc, const Rect& rect);
// `track` background, the part up to the fraction in `colour`.
void draw_meter(HDC dc, const Rect& rect, float fraction, Rgb colour);

// A hidden single-line child edit control with that control id and font. Escape pressed in it
// goes to the parent as the parent's own WM_KEYDOWN.
HWND create_text_field(HWND parent, int control_id, HFONT font);
void set_cue_text(HWND field, std::string_view text);
std::string get_field_text(HWND field);
std::string get_field_text_bounded(HWND field);  // at most 260 UTF-16 units
void set_field_text(HWND field, std::string_view text);

// Puts the text on the clipboard as Unicode text; nothing happens when it cannot be opened.
void copy_to_clipboard(HWND owner, std::string_view text);

}  // namespace qv
