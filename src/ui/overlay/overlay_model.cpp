#include "ui/overlay/overlay_model.h"

#include <algorithm>
#include <array>
#include <cstdint>

#include "ui/gdi/scale.h"

namespace qv {

Rgb overlay_colour(uint32_t index) {
  static constexpr std::array<Rgb, 5> kColours = {rgb(0xF0F2F5), rgb(0x34D399), rgb(0xFF6B6B), rgb(0x50DCFF),
                                                  rgb(0xF59E0B)};
  return index < kColours.size() ? kColours[index] : rgb(0xF0F3F5);
}

uint8_t overlay_alpha(uint32_t index) {
  static constexpr std::array<uint8_t, 3> kAlphas = {102, 178, 255};
  return index < kAlphas.size() ? kAlphas[index] : 178;
}

std::string overlay_text(const Snapshot& s) {
  return s.fps ? std::to_string(s.fps->fps) : std::string("\xE2\x80\x94");
}

std::string overlay_accessible_name(const std::string& shown_text) {
  const bool none = shown_text.empty() || shown_text == "\xE2\x80\x94";
  return "Frames per second: " + (none ? std::string("none") : shown_text);
}

Rect overlay_start_rect(const std::optional<Point>& stored, float ui_scale) {
  const int32_t inset = px(40, ui_scale);
  const int32_t w = px(96, ui_scale);
  const int32_t h = px(44, ui_scale);
  // A position written by hand can be as large as the file allows; the window keeps its size.
  const int32_t x = stored ? std::min(stored->x, INT32_MAX - w) : inset;
  const int32_t y = stored ? std::min(stored->y, INT32_MAX - h) : inset;
  return Rect{x, y, x + w, y + h};
}

Point overlay_text_origin(float ui_scale) { return Point{px(6, ui_scale), px(4, ui_scale)}; }

bool apply_overlay_move(Settings& settings, const std::optional<Point>& moved_to) {
  if (!moved_to || (settings.fps_pos_set && moved_to->x == settings.fps_x && moved_to->y == settings.fps_y)) {
    return false;
  }
  settings.fps_x = moved_to->x;
  settings.fps_y = moved_to->y;
  settings.fps_pos_set = true;
  return true;
}

}  // namespace qv
