#pragma once
// The frame-rate overlay window: large digits with a shadow on a keyed-out background, over
// every other window, dragged from any point, never activated.
#include <windows.h>

#include <cstdint>
#include <string_view>

#include "ui/gdi/theme.h"
#include "ui/overlay/overlay_model.h"

namespace qv {

struct UiState;

inline constexpr wchar_t kOverlayClass[] = L"ZelmorFpsOverlay";
inline constexpr wchar_t kOverlayTitle[] = L"FPS";

// On every sample and after an overlay setting changed: hides the window while `fps_overlay` is
// off (it is kept); otherwise creates it on first use, takes the frame rate and colour, sets the
// opacity, stores (and saves) where the user dragged it since the last call, and shows it
// without activating it.
void update_overlay(UiState& ui);

// One paint: the key colour everywhere, the text's shadow, then the text.
void paint_overlay(HDC dc, int32_t width, int32_t height, std::string_view text, Rgb colour, HFONT font, float scale);

// The digits' font for a scale (bold, weight 800, 30 units). The caller owns it.
HFONT create_overlay_font(float scale);

}  // namespace qv
