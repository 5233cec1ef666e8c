#pragma once
// What the tray icons say: the shared tooltip, each live icon's text and level bar, the slots
// the settings want, and the sizes the icon picture is drawn with.
#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "config/settings.h"
#include "core/snapshot.h"
#include "ui/gdi/theme.h"

namespace qv {

inline constexpr size_t kTraySlots = 6;  // 0 plain icon, 1 CPU, 2 RAM, 3 disk, 4 network, 5 frame rate
inline constexpr std::string_view kTrayInitialTip = "Quorvel";
inline constexpr size_t kTrayTipUnits = 127;       // tooltip limit, UTF-16 units
inline constexpr size_t kBalloonTitleUnits = 63;
inline constexpr size_t kBalloonTextUnits = 255;

// The six tray settings in slot order; when all are off the plain icon is wanted anyway.
std::array<bool, kTraySlots> wanted_tray_slots(const Settings& s);

// Colour of a live slot's figure (slot 0 has none and gets the accent colour).
Rgb tray_slot_colour(size_t slot);

// "CPU 12%   RAM 40%\nDownload 1.5 KB/s   Upload 0 B/s", plus "\n60 fps in game.exe" when a
// frame-rate app is named.
std::string tray_tooltip(const Snapshot& s);

// What the tooltip's text is made of: the two percents at the whole numbers it shows, the two
// rates as measured, and the frame-rate app. Equal figures give the same text, so the text need
// not be built again. (A rate that moved below the tenth the text shows still counts as a
// change: the text is built, comes out the same, and the icons are left alone.)
struct TrayTipFigures {
  long cpu_shown = 0;
  long mem_shown = 0;
  uint64_t rx_bps = 0;
  uint64_t tx_bps = 0;
  std::optional<std::pair<uint32_t, std::string>> fps_app;
  bool operator==(const TrayTipFigures&) const = default;
};
TrayTipFigures tray_tip_figures(const Snapshot& s);

struct TrayIconContent {
  std::string text;
  bool with_bar = false;
  uint32_t level = 0;  // 0..100, only drawn with the bar
  bool operator==(const TrayIconContent&) const = default;
};
// Text and bar of live slot 1..5: percents rounded and held to 0..99 with the truncated percent as
// the level; rates in the compact form; the frame rate in digits or "-".
TrayIconContent tray_slot_content(size_t slot, const Snapshot& s);

// What one added slot must send at a sample: nothing when its picture and tooltip are the ones
// the notification area already has, otherwise a modify, with a new picture when the icon text
// changed. The plain icon's text is always empty, so its picture never changes; a live icon's
// text never is, so a cleared shown text means "draw again".
struct TraySlotSend {
  bool send = false;
  bool new_picture = false;
  bool operator==(const TraySlotSend&) const = default;
};
TraySlotSend tray_slot_send(std::string_view text, std::string_view shown_text, std::u16string_view tip,
                            std::u16string_view shown_tip);

// Font height of the icon text for an icon of n pixels: 11n/16 up to two characters, 8n/16 for
// three, 6n/16 for more; never under 6.
int32_t tray_icon_font_height(int32_t n, size_t characters);
// First row of the level bar in an n-pixel icon (level held to 0..100); n means no bar rows.
int32_t tray_bar_top(int32_t n, uint32_t level);

// UTF-16 text cut to at most `max_units`, never between the two halves of a surrogate pair.
std::u16string cut_utf16(std::string_view utf8, size_t max_units);

}  // namespace qv
