#include "ui/panel/kit/panel_widgets_win.h"

#include <algorithm>

#include "ui/gdi/scale.h"
#include "ui/panel/frame/panel_layout.h"

namespace qv {

int32_t PanelCanvas::px(double n) const { return qv::px(n, scale); }

bool PanelCanvas::hovered(const Rect& r) const { return panel->hover_valid && r.contains(panel->hover_x, panel->hover_y); }

void PanelCanvas::add_region(const Rect& r, const Action& action, PieceRole role, std::string_view name,
                             bool checked) const {
  panel->hit_regions.push_back(HitRegion{r.left, r.top, r.right, r.bottom, action, role, std::string(name), checked, std::nullopt});
}

void PanelCanvas::add_region_first(const Rect& r, const Action& action, PieceRole role, std::string_view name) const {
  panel->hit_regions.insert(panel->hit_regions.begin(),
                            HitRegion{r.left, r.top, r.right, r.bottom, action, role, std::string(name), false, std::nullopt});
}

int32_t font_ascent(HDC dc, HFONT font) {
  SelectObject(dc, font);
  TEXTMETRICW tm{};
  GetTextMetricsW(dc, &tm);
  return tm.tmAscent;
}

int32_t font_height(HDC dc, HFONT font) {
  SelectObject(dc, font);
  TEXTMETRICW tm{};
  GetTextMetricsW(dc, &tm);
  return tm.tmHeight;
}

namespace {

// Shared by both bands: strip, chevron, optional label and the fitted title.
void band_content(const PanelCanvas& c, int32_t y, std::string_view title, Rgb colour,
                  const std::optional<BandLabel>& label, std::optional<Rect>* label_region) {
  const Theme& t = c.theme();
  const int32_t x0 = c.px(12);
  const int32_t band_h = c.px(40);
  fill_rect(c.dc, Rect{x0, y + c.px(6), x0 + c.px(3), y + band_h - c.px(6)}, colour);

  const int32_t title_h = font_height(c.dc, c.fonts->bold);
  const int32_t title_y = y + (band_h - title_h) / 2;
  const int32_t title_mid = title_y + title_h / 2;
  draw_chevron(c.dc, x0 + c.px(17), title_mid, c.px(11), c.px(2), t.text_dim, true);

  int32_t title_right = c.width - x0 - c.px(10);
  if (label) {
    const int32_t w = text_width(c.dc, c.fonts->small, label->text);
    const int32_t left = c.width - x0 - c.px(12) - w;
    const int32_t baseline_shift = font_ascent(c.dc, c.fonts->bold) - font_ascent(c.dc, c.fonts->small);
    draw_text(c.dc, left, title_y + baseline_shift, c.fonts->small, label->colour, label->text);
    *label_region = Rect{left - c.px(8), y, c.width - x0, y + band_h};
    title_right = left - c.px(10);
  }
  const int32_t title_x = x0 + c.px(17) + c.px(10) + c.px(11) / 2;
  draw_text_fit(c.dc, title_x, title_y, title_right, {c.fonts->bold, c.fonts->heading}, t.text, title);
}

}  // namespace

int32_t title_band(const PanelCanvas& c, int32_t y, std::string_view title, Rgb colour,
                   const std::optional<BandLabel>& label) {
  const Rect band{c.px(12), y, c.width - c.px(12), y + c.px(40)};
  hover_fill(c, band, c.theme().surface);
  std::optional<Rect> label_region;
  band_content(c, y, title, colour, label, &label_region);
  if (label && label_region) c.add_region(*label_region, label->action);
  c.add_region(band, make_action(ActionKind::kBack), PieceRole::kButton, "Back");
  return y + c.px(40) + c.px(10);
}

void settings_title_band(const PanelCanvas& c, std::string_view title, Rgb colour) {
  const Theme& t = c.theme();
  fill_rect(c.dc, Rect{0, 0, c.width, c.px(12)}, t.background);
  const int32_t y = c.px(12);
  const Rect band{c.px(12), y, c.width - c.px(12), y + c.px(40)};
  fill_rect(c.dc, band, t.surface);
  std::optional<Rect> unused;
  band_content(c, y, title, colour, std::nullopt, &unused);
  c.add_region_first(band, make_action(ActionKind::kBack), PieceRole::kButton, "Back");
}

int32_t header_link(const PanelCanvas& c, int32_t right, int32_t y, std::string_view text, bool active,
                    const Action& action) {
  const int32_t left = right - text_width(c.dc, c.fonts->small, text);
  draw_text(c.dc, left, y, c.fonts->small, active ? current_theme().accent : c.theme().text_dim, text);
  c.add_region(Rect{left - c.px(6), y - c.px(6), right + c.px(6), y + c.px(14) + c.px(6)}, action, PieceRole::kButton,
               text, active);
  return left - c.px(14);
}

void paint_chip(const PanelCanvas& c, const Rect& r, std::string_view text, bool selected) {
  fill_rect(c.dc, r, selected ? current_theme().accent : c.theme().surface);
  const int32_t text_y = r.top + (r.height() - font_height(c.dc, c.fonts->small)) / 2;
  draw_text(c.dc, r.left + c.px(8), text_y, c.fonts->small, selected ? current_theme().on_accent : c.theme().text, text);
}

void paint_check_box(const PanelCanvas& c, const Rect& box, bool ticked) {
  fill_rect(c.dc, box, c.theme().track);
  if (ticked) {
    const int32_t in = c.px(3);
    fill_rect(c.dc, Rect{box.left + in, box.top + in, box.right - in, box.bottom - in}, current_theme().accent);
  }
}

void paint_check_row(const PanelCanvas& c, const CheckRowPlace& place, std::string_view label, bool ticked) {
  if (c.hovered(place.row)) fill_rect(c.dc, place.row, c.theme().hover);
  paint_check_box(c, place.box, ticked);
  draw_text(c.dc, place.text.x, place.text.y, c.fonts->body, c.theme().text, label);
}

void paint_list_row(const PanelCanvas& c, const ListRowPlace& place, std::string_view text, bool ticked) {
  const Theme& t = c.theme();
  paint_check_box(c, place.box, ticked);
  draw_text_fit(c.dc, place.text.x, place.text.y, place.text_right, {c.fonts->small}, ticked ? t.text : t.text_dim, text);
  draw_text(c.dc, place.glyph.x, place.glyph.y, c.fonts->body, colours::danger, "×");
}

void paint_section_title(const PanelCanvas& c, const SectionTitlePlace& place, std::string_view text) {
  draw_text(c.dc, place.text.x, place.text.y, c.fonts->small, c.theme().text_dim, text);
}

void text_field_frame(const PanelCanvas& c, const Rect& frame, std::optional<Action> clear) {
  draw_input_frame(c.dc, frame);
  if (!clear) return;
  const ClearGlyphPlace glyph = clear_glyph_place(frame, c.scale);
  draw_text(c.dc, glyph.glyph.x, glyph.glyph.y, c.fonts->body, c.theme().text_dim, "×");
  c.add_region(glyph.region, *clear, PieceRole::kButton, "Clear");
}

int32_t chip(const PanelCanvas& c, int32_t x, int32_t y, std::string_view text, bool selected, const Action& action) {
  const Rect r = chip_rect(x, y, text_width(c.dc, c.fonts->small, text), c.scale);
  paint_chip(c, r, text, selected);
  c.add_region(r, action, PieceRole::kButton, text, selected);
  return r.right + c.px(kChipGap);
}

int32_t check_row(const PanelCanvas& c, int32_t y, std::string_view label, bool ticked, const Action& action) {
  const CheckRowPlace place = check_row_place(y, c.width, c.scale);
  paint_check_row(c, place, label, ticked);
  c.add_region(place.row, action, PieceRole::kCheckBox, label, ticked);
  return y + c.px(kRowStep);
}

int32_t list_row_with_remove(const PanelCanvas& c, int32_t y, int32_t right, std::string_view text, bool ticked,
                             const Action& toggle, const Action& remove) {
  const ListRowPlace place = list_row_place(y, right, c.scale);
  paint_list_row(c, place, text, ticked);
  c.add_region(place.remove, remove, PieceRole::kButton, "Remove " + std::string(text));
  c.add_region(place.toggle, toggle, PieceRole::kCheckBox, text, ticked);
  return y + c.px(kRowStep);
}

void hover_fill(const PanelCanvas& c, const Rect& r, Rgb colour) {
  fill_rect(c.dc, r, c.hovered(r) ? c.theme().hover : colour);
}

void scrollbar(const PanelCanvas& c, int32_t right, int32_t bottom, int32_t top, int32_t content) {
  const ScrollbarShape shape = layout_scrollbar(*c.panel, right, bottom, top, content, c.scale);
  if (shape.track) fill_rect(c.dc, *shape.track, c.theme().surface);
  if (shape.thumb) fill_rect(c.dc, *shape.thumb, c.theme().text_dim);
}

void marker(const PanelCanvas& c, int32_t y, Rgb colour, bool filled) {
  const Rect square{c.px(12) + c.px(2), y + c.px(4), c.px(12) + c.px(9), y + c.px(11)};
  fill_rect(c.dc, square, colour);
  if (!filled) {
    const int32_t in = c.px(2);
    fill_rect(c.dc, Rect{square.left + in, square.top + in, square.right - in, square.bottom - in}, c.theme().background);
  }
}

namespace {

// The bar before anything is placed: it clamps the offset the rows are then placed with.
const PanelCanvas& with_scrollbar(const PanelCanvas& c, int32_t top, int32_t content) {
  scrollbar(c, c.width, c.height, top, content);
  return c;
}

}  // namespace

ListClip::ListClip(const PanelCanvas& c, int32_t top, int32_t content)
    : dc_(with_scrollbar(c, top, content).dc),
      panel_(c.panel),
      first_region_(c.panel->hit_regions.size()),
      saved_(SaveDC(c.dc)),
      top_(top),
      bottom_(c.height - c.px(12)),
      offset_(c.panel->scroll_offset) {
  IntersectClipRect(dc_, 0, top_, c.width, bottom_);
}

ListClip::~ListClip() {
  RestoreDC(dc_, saved_);
  for (size_t i = first_region_; i < panel_->hit_regions.size(); ++i) {
    panel_->hit_regions[i].band = ScrollBand{top_, bottom_, offset_};
  }
}

}  // namespace qv
