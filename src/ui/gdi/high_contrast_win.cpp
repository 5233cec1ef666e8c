#include "ui/gdi/high_contrast_win.h"

namespace qv {
namespace {

Rgb system_colour(int index) {
  const COLORREF c = GetSysColor(index);
  return Rgb{GetRValue(c), GetGValue(c), GetBValue(c)};
}

}  // namespace

std::optional<SystemColours> read_high_contrast() {
  HIGHCONTRASTW hc{};
  hc.cbSize = sizeof hc;
  if (!SystemParametersInfoW(SPI_GETHIGHCONTRAST, sizeof hc, &hc, 0)) return std::nullopt;
  if (!(hc.dwFlags & HCF_HIGHCONTRASTON)) return std::nullopt;
  return SystemColours{system_colour(COLOR_WINDOW),    system_colour(COLOR_WINDOWTEXT),
                       system_colour(COLOR_HIGHLIGHT), system_colour(COLOR_HIGHLIGHTTEXT),
                       system_colour(COLOR_HOTLIGHT),  system_colour(COLOR_GRAYTEXT)};
}

bool refresh_high_contrast() {
  const Theme before = current_theme();  // the themes differ at least in their names
  set_high_contrast(read_high_contrast());
  return !(before == current_theme());
}

}  // namespace qv
