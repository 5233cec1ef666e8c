#include "ui/access/focus_ring_win.h"

#include "ui/access/focus_ring.h"
#include "ui/gdi/draw_win.h"
#include "ui/gdi/theme.h"

namespace qv {
namespace {

// WM_CHANGEUISTATE goes to the top-level window, which passes the new state down to every child.
void change_ui_state(HWND window, WORD action) {
  HWND root = GetAncestor(window, GA_ROOT);
  SendMessageW(root ? root : window, WM_CHANGEUISTATE, MAKEWPARAM(action, UISF_HIDEFOCUS), 0);
}

}  // namespace

void draw_focus_ring(HDC dc, const Rect& region, float ui_scale) {
  const Rgb colour = current_theme().focus;
  for (const Rect& band : focus_ring_bands(region, focus_ring_thickness(ui_scale))) {
    if (band.width() > 0 && band.height() > 0) fill_rect(dc, band, colour);
  }
}

bool focus_cues_shown(HWND window) {
  return (SendMessageW(window, WM_QUERYUISTATE, 0, 0) & UISF_HIDEFOCUS) == 0;
}

void initialize_focus_cues(HWND window, bool by_keyboard) {
  // The user's "always show focus and access keys" setting keeps the rings on whatever the input.
  BOOL always = FALSE;
  if (!SystemParametersInfoW(SPI_GETKEYBOARDCUES, 0, &always, 0)) always = FALSE;
  change_ui_state(window, by_keyboard || always ? UIS_CLEAR : UIS_SET);
}

void show_focus_cues(HWND window) {
  if (!focus_cues_shown(window)) change_ui_state(window, UIS_CLEAR);
}

std::optional<FocusMove> focus_move_for_key(WPARAM virtual_key, bool shift) {
  switch (virtual_key) {
    case VK_TAB:
      return shift ? FocusMove::kPrevious : FocusMove::kNext;
    case VK_UP:
      return FocusMove::kUp;
    case VK_DOWN:
      return FocusMove::kDown;
    case VK_LEFT:
      return FocusMove::kLeft;
    case VK_RIGHT:
      return FocusMove::kRight;
    case VK_HOME:
      return FocusMove::kHome;
    case VK_END:
      return FocusMove::kEnd;
    case VK_PRIOR:
      return FocusMove::kPageUp;
    case VK_NEXT:
      return FocusMove::kPageDown;
    default:
      return std::nullopt;
  }
}

}  // namespace qv
