#pragma once
// Paints the settings home, the settings sections and the alert editor from their layout, and
// registers their click regions; the settings title band goes on last, over scrolled content.
#include <windows.h>

#include <string>

#include "ui/panel/kit/panel_widgets_win.h"
#include "ui/panel/settings/settings_layout.h"

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

// Paints page 2, 3 or 4 of `in`; writes request_field_y (and the row's right end) into the
// panel state and returns the layout, whose drag list and field frames the window uses.
PageView paint_settings_page(const PanelCanvas& c, const PageInput& in);

// The connect command for this program's own folder (read once).
const std::string& own_connect_command();

}  // namespace qv
