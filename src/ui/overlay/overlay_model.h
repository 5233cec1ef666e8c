#pragma once
// What the frame-rate overlay shows and where: its text, the colour and opacity choices, the
// key colour that makes its background vanish, its first placement and the saving of a drag.
#include <cstdint>
#include <optional>
#include <string>

#include "config/settings.h"
#include "core/snapshot.h"
#include "ui/gdi/geometry.h"
#include "ui/gdi/theme.h"

namespace qv {

// Painted behind the digits and keyed out: a colour no picture of ours uses.
inline constexpr Rgb kOverlayKeyColour = rgb(0x000001);
inline constexpr Rgb kOverlayShadowColour = rgb(0x0A0A0C);
inline constexpr int32_t kOverlayFontHeight = 30;  // scaled units, weight 800
inline constexpr int32_t kOverlayFontWeight = 800;

// By `fps_color`: white, green, red, cyan, yellow; a near-white for anything else.
Rgb overlay_colour(uint32_t index);
// By `fps_opacity`: 40 %, 70 %, 100 % of 255; 70 % for anything else.
uint8_t overlay_alpha(uint32_t index);

// The frame rate in plain digits, or the em dash when no app is drawing frames.
std::string overlay_text(const Snapshot& s);

// What a screen reader reads for the overlay: "Frames per second: 144", or "...: none" while it
// shows the dash.
std::string overlay_accessible_name(const std::string& shown_text);

// Where a new window goes, in pixels for `ui_scale`: the stored corner (negative on a monitor
// left of or above the main one), or 40 units in from the screen's edges when the overlay was
// never placed; 96 x 44 units. The size stays fixed.
Rect overlay_start_rect(const std::optional<Point>& stored, float ui_scale);

// The digits' corner; the shadow is drawn 2 pixels right of and below it.
Point overlay_text_origin(float ui_scale);

// Stores a reported move into the settings; true when it changed them (and they must be saved).
bool apply_overlay_move(Settings& settings, const std::optional<Point>& moved_to);

}  // namespace qv
