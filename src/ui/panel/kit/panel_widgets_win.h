#pragma once
// The building blocks of the panel's pages: title bands, header links, chips, check rows, list
// rows with a remove glyph, hover fills, the scrollbar and legend markers. Each draws into the
// paint's off-screen device context and appends its click regions to the panel's list, in
// drawing order.
#include <windows.h>

#include <optional>
#include <string_view>

#include "ui/gdi/draw_win.h"
#include "ui/gdi/geometry.h"
#include "ui/gdi/theme.h"
#include "ui/panel/kit/pieces.h"
#include "ui/panel/frame/panel_state.h"

namespace qv {

// One paint of the panel: the target, its size, the scale and fonts, and the panel state whose
// hover it reads and whose regions it fills.
struct PanelCanvas {
  HDC dc = nullptr;
  int32_t width = 0;
  int32_t height = 0;
  float scale = 1.0f;
  const FontSet* fonts = nullptr;
  PanelState* panel = nullptr;

  int32_t px(double n) const;
  const Theme& theme() const { return current_theme(); }
  bool hovered(const Rect& r) const;
  void add_region(const Rect& r, const Action& action, PieceRole role = PieceRole::kNone, std::string_view name = {},
                  bool checked = false) const;
  // Puts a region in front of all earlier ones, so it wins over what it is drawn above.
  void add_region_first(const Rect& r, const Action& action, PieceRole role = PieceRole::kNone,
                        std::string_view name = {}) const;
};

int32_t font_ascent(HDC dc, HFONT font);
int32_t font_height(HDC dc, HFONT font);

struct BandLabel {
  std::string_view text;
  Rgb colour;
  Action action;
};

// A page's title band at y, with Back on the whole band; returns the top of the content.
int32_t title_band(const PanelCanvas& c, int32_t y, std::string_view title, Rgb colour,
                   const std::optional<BandLabel>& label = std::nullopt);
// The band of a page whose content scrolls beneath it: drawn after the content, its regions
// first in the list.
void settings_title_band(const PanelCanvas& c, std::string_view title, Rgb colour);
// A link right-aligned to `right`; returns where the next link to its left ends.
int32_t header_link(const PanelCanvas& c, int32_t right, int32_t y, std::string_view text, bool active,
                    const Action& action);
// The kit's painters: each draws one piece at the places pieces.h works out.
void paint_chip(const PanelCanvas& c, const Rect& r, std::string_view text, bool selected);
void paint_check_box(const PanelCanvas& c, const Rect& box, bool ticked);
void paint_check_row(const PanelCanvas& c, const CheckRowPlace& place, std::string_view label, bool ticked);
void paint_list_row(const PanelCanvas& c, const ListRowPlace& place, std::string_view text, bool ticked);
void paint_section_title(const PanelCanvas& c, const SectionTitlePlace& place, std::string_view text);
// The text-field frame; with `clear` (the field holds text) its clear glyph and that region too.
void text_field_frame(const PanelCanvas& c, const Rect& frame, std::optional<Action> clear);

// A piece drawn with its click region. Returns the x of the next chip.
int32_t chip(const PanelCanvas& c, int32_t x, int32_t y, std::string_view text, bool selected, const Action& action);
// Returns the y of the next row.
int32_t check_row(const PanelCanvas& c, int32_t y, std::string_view label, bool ticked, const Action& action);
int32_t list_row_with_remove(const PanelCanvas& c, int32_t y, int32_t right, std::string_view text, bool ticked,
                             const Action& toggle, const Action& remove);
void hover_fill(const PanelCanvas& c, const Rect& r, Rgb colour);
// Clamps scroll_offset, writes scroll_max and draws the bar when the content does not fit.
void scrollbar(const PanelCanvas& c, int32_t right, int32_t bottom, int32_t top, int32_t content);
void marker(const PanelCanvas& c, int32_t y, Rgb colour, bool filled);

// The list of a scrolling page, `content` pixels tall: it first draws the scrollbar, which clamps
// scroll_offset to what this content allows (a list that shrank since the last paint must not be
// placed with the old offset); then, while it lives, drawing is clipped to the list area (from
// `top` to px(12) above the bottom) and rows are placed shifted up by scroll_offset. Rows entirely
// outside are not drawn by the caller, but their regions are still added: every region added
// while it lives is marked with the list's band, so that it is hit only where it shows and the
// keyboard and readers still reach it when it is scrolled out.
class ListClip {
 public:
  ListClip(const PanelCanvas& c, int32_t top, int32_t content);
  ListClip(const ListClip&) = delete;
  ListClip& operator=(const ListClip&) = delete;
  ~ListClip();
  // Where a row laid out at content position `y` (0 = list top) is drawn.
  int32_t row_y(int32_t y) const { return top_ + y - offset_; }
  // Whether a drawn row from `drawn_top` to `drawn_bottom` shows at all.
  bool shows(int32_t drawn_top, int32_t drawn_bottom) const { return drawn_bottom > top_ && drawn_top < bottom_; }

 private:
  HDC dc_;
  PanelState* panel_;
  size_t first_region_;
  int saved_;
  int32_t top_;
  int32_t bottom_;
  int32_t offset_;
};

}  // namespace qv
