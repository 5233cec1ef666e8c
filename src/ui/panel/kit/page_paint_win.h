#pragma once
// Paints a page laid out as a list of pieces (page_layout.h) and registers its click regions; the
// title band goes on last, over the scrolled content.
#include <windows.h>

#include "ui/panel/kit/page_layout.h"
#include "ui/panel/kit/panel_widgets_win.h"

namespace qv {

// Widths as the panel's fonts draw them into `dc`.
class GdiMeasure : public RoleTextMeasure {
 public:
  GdiMeasure(HDC dc, const FontSet& fonts) : dc_(dc), fonts_(fonts) {}
  int32_t width(FontRole font, std::string_view text) const override;
  HFONT font(FontRole role) const;

 private:
  HDC dc_;
  const FontSet& fonts_;
};

using PageLayout = PageView (*)(const PageInput& in, const RoleTextMeasure& measure);

// Lays `in` out with `layout`, clamping the scroll offset to the content first (and laying out
// again with it), paints it, writes request_field_y (and the row's right end) into the panel
// state, and returns the layout, whose drag list and field frames the window uses.
PageView paint_page_view(const PanelCanvas& c, const PageInput& in, PageLayout layout);

}  // namespace qv
