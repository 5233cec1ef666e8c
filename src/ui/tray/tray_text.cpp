#include "ui/tray/tray_text.h"

#include <algorithm>
#include <cmath>

#include "util/format.h"
#include "util/utf.h"

namespace qv {
namespace {

constexpr Rgb kSlotColours[kTraySlots] = {colours::accent, rgb(0x4FA3FF), rgb(0x34D399),
                                          rgb(0xA78BFA),   rgb(0xF59E0B), rgb(0xFF6B6B)};

uint64_t saturating_add(uint64_t a, uint64_t b) { return a > UINT64_MAX - b ? UINT64_MAX : a + b; }

TrayIconContent percent_content(float pct) {
  const double p = std::isnan(pct) ? 0.0 : static_cast<double>(pct);
  const double shown = std::clamp(std::round(p), 0.0, 99.0);
  const double level = std::clamp(std::trunc(p), 0.0, 100.0);
  return TrayIconContent{std::to_string(static_cast<int>(shown)), true, static_cast<uint32_t>(level)};
}

}  // namespace

std::array<bool, kTraySlots> wanted_tray_slots(const Settings& s) {
  std::array<bool, kTraySlots> wanted = {s.tray_static, s.tray_cpu, s.tray_ram,
                                         s.tray_disk,   s.tray_net, s.tray_fps};
  if (std::none_of(wanted.begin(), wanted.end(), [](bool w) { return w; })) wanted[0] = true;
  return wanted;
}

Rgb tray_slot_colour(size_t slot) { return slot < kTraySlots ? kSlotColours[slot] : colours::accent; }

std::string tray_tooltip(const Snapshot& s) {
  std::string tip = "CPU ";
  tip += format_percent(s.cpu_pct);
  tip += "   RAM ";
  tip += format_percent(mem_pct(s));
  tip += "\nDownload ";
  tip += format_rate(s.net_rx_bps);
  tip += "   Upload ";
  tip += format_rate(s.net_tx_bps);
  if (s.fps) {
    tip += '\n';
    tip += std::to_string(s.fps->fps);
    tip += " fps in ";
    tip += s.fps->name;
  }
  return tip;
}

TrayTipFigures tray_tip_figures(const Snapshot& s) {
  TrayTipFigures f;
  f.cpu_shown = shown_percent(s.cpu_pct);
  f.mem_shown = shown_percent(mem_pct(s));
  f.rx_bps = s.net_rx_bps;
  f.tx_bps = s.net_tx_bps;
  if (s.fps) f.fps_app.emplace(s.fps->fps, s.fps->name);
  return f;
}

TraySlotSend tray_slot_send(std::string_view text, std::string_view shown_text, std::u16string_view tip,
                            std::u16string_view shown_tip) {
  // A cleared (empty) shown text or tooltip never equals a live one, so both go out again.
  const bool new_picture = text != shown_text;
  return TraySlotSend{new_picture || tip != shown_tip, new_picture};
}

TrayIconContent tray_slot_content(size_t slot, const Snapshot& s) {
  switch (slot) {
    case 1: return percent_content(s.cpu_pct);
    case 2: return percent_content(mem_pct(s));
    case 3: return TrayIconContent{format_compact(saturating_add(s.disk_read_bps, s.disk_write_bps)), false, 0};
    case 4: return TrayIconContent{format_compact(saturating_add(s.net_rx_bps, s.net_tx_bps)), false, 0};
    case 5: return TrayIconContent{s.fps ? std::to_string(s.fps->fps) : std::string("-"), false, 0};
    default: return TrayIconContent{};
  }
}

int32_t tray_icon_font_height(int32_t n, size_t characters) {
  const int32_t sixteenths = characters <= 2 ? 11 : characters == 3 ? 8 : 6;
  return std::max<int32_t>(static_cast<int32_t>(int64_t{sixteenths} * n / 16), 6);
}

int32_t tray_bar_top(int32_t n, uint32_t level) {
  const int64_t l = std::min<uint32_t>(level, 100);
  return static_cast<int32_t>(n - l * n / 100);
}

std::u16string cut_utf16(std::string_view utf8, size_t max_units) {
  std::u16string u = utf8_to_utf16(utf8);
  if (u.size() <= max_units) return u;
  size_t keep = max_units;
  // A high surrogate as the last kept unit would leave half a character behind.
  if (keep > 0 && u[keep - 1] >= 0xD800 && u[keep - 1] <= 0xDBFF) --keep;
  u.resize(keep);
  return u;
}

}  // namespace qv
