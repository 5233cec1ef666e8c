#include "ui/gdi/theme.h"

#include <algorithm>
#include <atomic>
#include <cmath>

namespace qv {
namespace {

constexpr Theme kThemes[kThemeCount] = {
    {"dark", rgb(0x18191C), rgb(0x212328), rgb(0x2D3037), rgb(0x0F1013), rgb(0x4C525C), rgb(0xE6E8EB),
     rgb(0x8C9198), rgb(0x32353C), colours::accent, colours::accent, colours::on_accent, rgb(0x8C9198)},
    {"black", rgb(0x000000), rgb(0x101114), rgb(0x1E2026), rgb(0x08080A), rgb(0x3C4048), rgb(0xEBEDF0),
     rgb(0x82878E), rgb(0x22242A), colours::accent, colours::accent, colours::on_accent, rgb(0x82878E)},
    // The accent is too light for a ring on white (2.6:1): the ring takes a deeper blue.
    {"light", rgb(0xF3F4F6), rgb(0xFFFFFF), rgb(0xE5E7EB), rgb(0xFFFFFF), rgb(0xA0A6AF), rgb(0x181C21),
     rgb(0x697078), rgb(0xD1D5DB), rgb(0x1F6FD1), colours::accent, colours::on_accent, rgb(0x697078)},
};

struct KeyedStyle {
  std::string_view key;
  MetricStyle style;
};
constexpr KeyedStyle kMetricStyles[] = {
    {"cpu", {"CPU", colours::cpu}},       {"ram", {"RAM", colours::ram}},
    {"gpu", {"GPU", colours::gpu}},       {"fps", {"FPS", colours::fps}},
    {"net", {"Network", colours::net}},   {"audio", {"Sound", colours::sound}},
    {"disk", {"Disk", colours::disk}},
};

// Written by the UI thread only; atomic so a stray reader elsewhere is still well-defined.
std::atomic<uint32_t> g_current_theme{0};
// Written and read by the UI thread only (the painters): the flag says whether the theme is valid.
Theme g_high_contrast{};
std::atomic<bool> g_high_contrast_on{false};

double linear_channel(uint8_t v) {
  const double c = static_cast<double>(v) / 255.0;
  return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
}

uint8_t scale_channel(uint8_t v, float factor) {
  if (!(factor > 0.0f)) return 0;  // also catches NaN
  if (factor >= 1.0f) return v;
  return static_cast<uint8_t>(std::trunc(static_cast<float>(v) * factor));
}

}  // namespace

Rgb scale_colour(Rgb c, float factor) {
  return Rgb{scale_channel(c.r, factor), scale_channel(c.g, factor), scale_channel(c.b, factor)};
}

Rgb mix_colour(Rgb c, Rgb base, float share) {
  const float a = share > 0.0f ? std::min(share, 1.0f) : 0.0f;  // NaN gives the base
  const auto channel = [a](uint8_t top, uint8_t under) {
    return static_cast<uint8_t>(std::lround(static_cast<float>(top) * a + static_cast<float>(under) * (1.0f - a)));
  };
  return Rgb{channel(c.r, base.r), channel(c.g, base.g), channel(c.b, base.b)};
}

Rgb half_brightness(Rgb c) {
  return Rgb{static_cast<uint8_t>(c.r / 2), static_cast<uint8_t>(c.g / 2), static_cast<uint8_t>(c.b / 2)};
}

uint32_t clamp_theme_index(uint32_t index) { return index < kThemeCount ? index : kThemeCount - 1; }

const Theme& theme_at(uint32_t index) { return kThemes[clamp_theme_index(index)]; }

void set_current_theme(uint32_t index) { g_current_theme.store(clamp_theme_index(index)); }
uint32_t current_theme_index() { return g_current_theme.load(); }
const Theme& current_theme() { return theme_or_high_contrast(current_theme_index()); }

Theme high_contrast_theme(const SystemColours& system) {
  Theme t{};
  t.name = "high contrast";
  t.background = system.window;
  t.surface = system.window;
  t.hover = system.window;  // text keeps the window text colour, so its fill must stay the window's
  t.input = system.window;
  t.border = system.window_text;
  t.text = system.window_text;
  t.text_dim = system.window_text;  // secondary text must stay as legible as the rest
  t.track = system.gray_text;
  t.focus = system.highlight;
  t.accent = system.highlight;
  t.on_accent = system.highlight_text;
  t.link = system.hot_light;
  return t;
}

double relative_luminance(Rgb c) {
  return 0.2126 * linear_channel(c.r) + 0.7152 * linear_channel(c.g) + 0.0722 * linear_channel(c.b);
}

double contrast_ratio(Rgb a, Rgb b) {
  const double la = relative_luminance(a);
  const double lb = relative_luminance(b);
  return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

void set_high_contrast(const std::optional<SystemColours>& system) {
  if (system) g_high_contrast = high_contrast_theme(*system);
  g_high_contrast_on.store(system.has_value());
}

bool high_contrast_on() { return g_high_contrast_on.load(); }

const Theme& theme_or_high_contrast(uint32_t index) {
  return high_contrast_on() ? g_high_contrast : theme_at(index);
}

MetricStyle metric_style(std::string_view key) {
  for (const auto& entry : kMetricStyles) {
    if (entry.key == key) return entry.style;
  }
  return MetricStyle{"?", colours::accent};
}

}  // namespace qv
