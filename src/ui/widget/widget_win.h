#pragma once
// The taskbar widget window: a borderless, never-activated strip of live figures that the panel
// feeds on every sample. It is dragged by its body and resized by its corner grip, and it hands
// those changes back as settings on the next sample.
#include <windows.h>

#include <cstdint>
#include <optional>

#include "ui/gdi/geometry.h"
#include "ui/widget/widget_model.h"

namespace qv {

struct UiState;

inline constexpr wchar_t kWidgetClass[] = L"ZelmorWidget";
inline constexpr wchar_t kWidgetTitle[] = L"Quorvel widget";

// On every sample and after a widget setting changed: hides the window while `widget_on` is off
// (it is kept); otherwise creates it on first use, takes the figures, fits its size to the
// shown items, stores (and saves) where the user moved or resized it since the last call, and
// shows it without activating it.
void update_widget(UiState& ui, float mem_pct);

// The corner beside the clock for the current widget, or nothing when there is no taskbar.
std::optional<Point> place_widget_by_clock(HWND widget, uint32_t mask);

// "Move next to the clock": stores the place beside the clock, saves, and moves the window there.
void move_widget_next_to_clock(UiState& ui);

// A new widget scale (the reset to 1.0) on the monitor factor the window already has: fonts
// renewed, window resized in place and repainted, and a grip resize not yet stored dropped.
void set_widget_scale(HWND widget, float widget_scale);

// One paint of the strip, for the window and for pictures made in memory.
struct WidgetPaint {
  WidgetFigures figures;
  uint32_t mask = 7;
  uint32_t theme = 0;  // widget_theme; above 2 counts as 2
  float scale = 1.0f;
  HFONT label_font = nullptr;
  HFONT value_font = nullptr;
  bool hovering = false;  // draws the resize grip
};
void paint_widget(HDC dc, int32_t width, int32_t height, const WidgetPaint& p);

// The two fonts for a scale: bold labels 9 units high, bold values 12 units high. The caller owns them.
HFONT create_widget_label_font(float scale);
HFONT create_widget_value_font(float scale);

}  // namespace qv
