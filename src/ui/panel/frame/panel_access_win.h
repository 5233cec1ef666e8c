#pragma once
// The panel's keyboard focus and its accessible object: the pieces of the page just painted are
// published for readers, the focused one gets the ring, keys move the focus and press pieces,
// and a reader's presses are carried out as clicks once its call has returned.
#include <windows.h>

#include <array>
#include <optional>
#include <vector>

#include "core/messages.h"
#include "ui/access/piece.h"
#include "ui/gdi/geometry.h"
#include "ui/panel/frame/panel_state.h"
#include "ui/panel/overview/overview_model.h"

namespace qv {

struct UiState;

// Posted to the panel when a reader pressed or focused a piece.
inline constexpr unsigned kWmAccessRequest = 0x8000 + 4;

// WM_GETOBJECT, answered whether or not UiState is lent out (readers read the published copy).
std::optional<LRESULT> panel_get_object(HWND hwnd, WPARAM wparam, LPARAM lparam);
// WM_DESTROY: the accessible object answers "disconnected" from now on.
void drop_panel_access();

// Fields of a scrolling page that are not placed because they are scrolled out of view: where
// each would stand, and the band its page shows.
struct ScrolledOutFields {
  std::array<std::optional<Rect>, kTextFieldCount> places;
  ScrollBand band;
};

// During WM_PAINT, once the page is drawn into `dc` and its regions are known: publishes the
// page's pieces (the text fields among them, shown or scrolled out), draws the focus ring and
// tells readers when the focused piece or its figure changed.
void publish_panel_page(UiState& ui, HWND hwnd, HDC dc, const std::vector<Banner>& banners,
                        const std::array<std::optional<Rect>, kTextFieldCount>& fields,
                        const ScrolledOutFields& scrolled_out);
// At the end of WM_PAINT, after the fields took their places: a pending keyboard open puts the
// focus on the page's first piece.
void after_panel_paint(UiState& ui, HWND hwnd);

// The keyboard opened the panel: the first piece takes the focus on the next paint.
void focus_first_piece_on_paint(HWND hwnd);

// WM_KEYDOWN (also the keys a text field hands on): true when the key was used.
bool panel_access_key(UiState& ui, HWND hwnd, WPARAM virtual_key);

// WM_CHAR on the panel itself: a letter typed on a page with a search or filter field goes into
// that field, which takes the focus (typing to search works as when the field had it from the
// start). True when the character was used.
bool panel_access_char(UiState& ui, HWND hwnd, WPARAM ch);

// kWmAccessRequest: the reader's presses, as clicks, and its focus moves.
void carry_out_access_requests(UiState& ui, HWND hwnd);

}  // namespace qv
