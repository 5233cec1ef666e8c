#include "ui/panel/kit/page_paint_win.h"

#include "ui/panel/frame/panel_layout.h"

namespace qv {
namespace {

Rgb ink_colour(const Theme& t, Ink ink, Rgb own) {
  switch (ink) {
    case Ink::kText: return t.text;
    case Ink::kDim: return t.text_dim;
    case Ink::kWarning: return colours::warning;
    case Ink::kAccent: return current_theme().accent;
    case Ink::kOwn: return own;
  }
  return t.text;
}

// Text vertically centred in a box of `height` from `top`.
int32_t centred_y(const PanelCanvas& c, HFONT font, int32_t top, int32_t height) {
  return top + (height - font_height(c.dc, font)) / 2;
}

void draw_item(const PanelCanvas& c, const GdiMeasure& m, const PageItem& it) {
  const Theme& t = c.theme();
  const FontSet& f = *c.fonts;
  const int32_t x0 = c.px(12);
  switch (it.kind) {
    case ItemKind::kHomeRow:
      hover_fill(c, it.rect, t.surface);
      draw_text(c.dc, x0 + c.px(10), it.y + c.px(7), f.heading, t.text, it.text);
      draw_text_fit(c.dc, x0 + c.px(10), it.y + c.px(24), c.width - x0 - c.px(26), {f.small}, t.text_dim, it.detail);
      draw_chevron(c.dc, c.width - x0 - c.px(14), it.y + c.px(22), c.px(10), c.px(2), t.text_dim, false);
      break;
    case ItemKind::kSectionTitle:
      paint_section_title(c, section_title_place(it.x, it.y, c.scale), it.text);
      break;
    case ItemKind::kCheckRow:
      paint_check_row(c, check_row_place(it.y, c.width, c.scale), it.text, it.on);
      break;
    case ItemKind::kListRow:
      paint_list_row(c, list_row_place(it.y, it.rect.right, c.scale), it.text, it.on);
      break;
    case ItemKind::kChip:
    case ItemKind::kTile:
      paint_chip(c, it.rect, it.text, it.on);
      break;
    case ItemKind::kText: {
      const Rgb colour = ink_colour(t, it.ink, it.colour);
      if (it.fit) {
        draw_text_fit(c.dc, it.x, it.y, it.rect.right, {m.font(it.font)}, colour, it.text);
      } else {
        draw_text(c.dc, it.x, it.y, m.font(it.font), colour, it.text);
      }
      break;
    }
    case ItemKind::kCommandBox:
      fill_rect(c.dc, it.rect, t.surface);
      draw_text_fit(c.dc, it.x, it.y, it.rect.right - c.px(8), {f.small}, t.text, it.text);
      break;
    case ItemKind::kInputFrame:
      text_field_frame(c, it.rect, std::nullopt);
      break;
    case ItemKind::kMetricRow: {
      if (it.alt) {
        fill_rect(c.dc, it.rect, t.surface);
      } else if (c.hovered(it.rect)) {
        fill_rect(c.dc, it.rect, t.hover);
      }
      const Rgb grip = it.alt ? current_theme().accent : t.text_dim;
      for (int i = 1; i <= 3; ++i) {
        const int32_t top = it.y + c.px(4 * i);
        fill_rect(c.dc, Rect{it.x + c.px(4), top, it.x + c.px(4) + c.px(10), top + c.px(2)}, grip);
      }
      paint_check_box(c, Rect{it.x + c.px(26), it.y + c.px(2), it.x + c.px(40), it.y + c.px(16)}, it.on);
      draw_text(c.dc, it.x + c.px(48), it.y, f.body, it.colour, it.text);
      break;
    }
    case ItemKind::kDropBar:
      fill_rect(c.dc, it.rect, current_theme().accent);
      break;
    case ItemKind::kButton: {
      hover_fill(c, it.rect, t.surface);
      const int32_t w = text_width(c.dc, f.small, it.text);
      draw_text(c.dc, it.rect.left + (it.rect.width() - w) / 2, centred_y(c, f.small, it.rect.top, it.rect.height()),
                f.small, current_theme().accent, it.text);
      break;
    }
  }
}

}  // namespace

HFONT GdiMeasure::font(FontRole role) const {
  switch (role) {
    case FontRole::kBody: return fonts_.body;
    case FontRole::kBold: return fonts_.bold;
    case FontRole::kHeading: return fonts_.heading;
    case FontRole::kSmall: return fonts_.small;
  }
  return fonts_.small;
}

int32_t GdiMeasure::width(FontRole role, std::string_view text) const { return text_width(dc_, font(role), text); }

PageView paint_page_view(const PanelCanvas& c, const PageInput& in, PageLayout layout) {
  const GdiMeasure measure(c.dc, *c.fonts);
  PageView view = layout(in, measure);
  // Content that became shorter (the AI link switched off) must not stay scrolled past its end:
  // the offset is clamped before anything is placed, and the page laid out again with it.
  const int32_t max = scroll_limit(view.content_height, view.list_top, c.height, c.scale);
  if (in.scroll_offset > max) {
    PageInput again = in;
    again.scroll_offset = max;
    c.panel->scroll_offset = max;
    view = layout(again, measure);
  }
  for (const PageItem& item : view.items) draw_item(c, measure, item);
  for (const HitRegion& r : view.regions) c.panel->hit_regions.push_back(r);
  c.panel->request_field_y = view.request_field_y;
  c.panel->request_field_right = view.request_field_right;
  scrollbar(c, c.width, c.height, view.list_top, view.content_height);
  settings_title_band(c, view.title, view.title_colour);
  return view;
}

}  // namespace qv
