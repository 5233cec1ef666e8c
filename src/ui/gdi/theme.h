#pragma once
// Colours every window paints with: the three themes and their roles, the fixed colours and the
// colour of each metric. The current theme is one process-wide index that painters read at
// paint time, so a change shows on the next repaint. While the system's high-contrast mode is on,
// a theme made of the system's own colours takes the place of the chosen one everywhere.
#include <cstdint>
#include <optional>
#include <string_view>

namespace qv {

struct Rgb {
  uint8_t r = 0;
  uint8_t g = 0;
  uint8_t b = 0;
  bool operator==(const Rgb&) const = default;
};

// 0xRRGGBB, the way colours are written everywhere in our notes.
constexpr Rgb rgb(uint32_t hex) {
  return Rgb{static_cast<uint8_t>((hex >> 16) & 0xFF), static_cast<uint8_t>((hex >> 8) & 0xFF),
             static_cast<uint8_t>(hex & 0xFF)};
}

// Each channel multiplied by `factor` (0..1) and truncated: dimmed fills such as banner frames.
Rgb scale_colour(Rgb c, float factor);
// `share` (0..1) of `c` laid over `base`, each channel rounded: a tint that keeps the base's
// lightness, such as the light theme's banner fills.
Rgb mix_colour(Rgb c, Rgb base, float share);
// Each channel halved (integer halving): the level bar of the tray icons.
Rgb half_brightness(Rgb c);

struct Theme {
  const char* name;
  Rgb background;  // window background, hollow markers
  Rgb surface;     // cards, chips, title bands, scroll track
  Rgb hover;       // fill under the mouse pointer
  Rgb input;       // inside of text fields
  Rgb border;      // frame of text fields
  Rgb text;        // primary text
  Rgb text_dim;    // secondary text, labels, links, chevrons, scroll thumb
  Rgb track;       // empty part of meter bars, check boxes
  Rgb focus;       // the keyboard focus ring: at least 3:1 against background and surface
  Rgb accent;      // selected chips, active links
  Rgb on_accent;   // text on an accent fill
  Rgb link;        // links
  bool operator==(const Theme&) const = default;
};

// The system colours a high-contrast theme is built from, as the system reports them.
struct SystemColours {
  Rgb window;          // COLOR_WINDOW
  Rgb window_text;     // COLOR_WINDOWTEXT
  Rgb highlight;       // COLOR_HIGHLIGHT
  Rgb highlight_text;  // COLOR_HIGHLIGHTTEXT
  Rgb hot_light;       // COLOR_HOTLIGHT: links
  Rgb gray_text;       // COLOR_GRAYTEXT
  bool operator==(const SystemColours&) const = default;
};

// Every role from the system colours: fills in the window colour, text and frames in the window
// text colour, selection and the focus ring in the highlight, links in the hot-light colour,
// empty tracks in the gray-text colour. Named "high contrast".
Theme high_contrast_theme(const SystemColours& system);

// WCAG 2 relative luminance (0 black .. 1 white) and contrast ratio (1 .. 21, either order).
double relative_luminance(Rgb c);
double contrast_ratio(Rgb a, Rgb b);

inline constexpr uint32_t kThemeCount = 3;  // 0 dark, 1 black, 2 light
inline constexpr uint32_t kLightTheme = 2;
// Any index above the last names the last theme ("light").
uint32_t clamp_theme_index(uint32_t index);
const Theme& theme_at(uint32_t index);

void set_current_theme(uint32_t index);  // stored clamped
uint32_t current_theme_index();  // the chosen theme, also while high contrast is on
// The chosen theme, or the high-contrast one while that is on.
const Theme& current_theme();

// Switched by the UI thread when the system's mode or colours change; nothing: the mode is off.
void set_high_contrast(const std::optional<SystemColours>& system);
bool high_contrast_on();
// What a window with its own theme choice (the widget) paints with: the high-contrast theme
// while that is on, otherwise theme_at(index).
const Theme& theme_or_high_contrast(uint32_t index);
// 0xRRGGBB again, for tables that keep colours as numbers.
constexpr uint32_t hex_of(Rgb c) { return (uint32_t{c.r} << 16) | (uint32_t{c.g} << 8) | c.b; }

// The same in every theme.
namespace colours {
inline constexpr Rgb accent = rgb(0x4FA3FF);        // selected chips, active links, CPU
inline constexpr Rgb on_accent = rgb(0x0F1114);     // text on an accent fill
inline constexpr Rgb danger = rgb(0xDC5A5A);        // remove glyphs in lists
inline constexpr Rgb danger_hover = rgb(0xE66464);  // the clear-search glyph under the pointer
inline constexpr Rgb warning = rgb(0xDC785A);       // the administrator warning
// Each measure's own colour: its cards, pages, graphs and labels.
inline constexpr Rgb cpu = accent;
inline constexpr Rgb ram = rgb(0x34D399);
inline constexpr Rgb gpu = rgb(0x2DD4BF);
inline constexpr Rgb disk = rgb(0xA78BFA);
inline constexpr Rgb net = rgb(0xF59E0B);
inline constexpr Rgb sound = rgb(0xE879F9);
inline constexpr Rgb fps = rgb(0xFF6B6B);
inline constexpr Rgb ai = gpu;        // the AI pages and banners
inline constexpr Rgb alerts = net;    // the alert editor and the messages banner
inline constexpr Rgb paused = fps;    // a paused detail page
}  // namespace colours

struct MetricStyle {
  const char* label;
  Rgb colour;
};
// By the metric key of the settings and the alert rules ("cpu", "ram", ...); exact match, and
// "?" in the accent colour for anything else.
MetricStyle metric_style(std::string_view key);

}  // namespace qv
