#pragma once
// Every user choice, and its text form: lines of key=value, written in a fixed order.
#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace qv {

inline constexpr std::array<const char*, 7> kMetricNames = {"cpu", "ram", "gpu", "fps",
                                                            "disk", "net", "audio"};

struct MainMetric {
  std::string name;  // one of kMetricNames
  bool shown = true;
  bool operator==(const MainMetric&) const = default;
};

struct NotifyRule {
  bool enabled = true;
  std::string text;  // unescaped, may hold line breaks
  bool operator==(const NotifyRule&) const = default;
};

struct Settings {
  bool tray_static = false;
  bool tray_cpu = true;
  bool tray_ram = true;
  bool tray_disk = false;
  bool tray_net = false;
  bool tray_fps = false;
  uint32_t interval_ms = 1000;  // 250..10000
  bool pinned = false;
  bool on_top = false;
  int32_t win_x = -1;  // -1: not placed yet, the owner picks a default
  int32_t win_y = -1;
  bool win_pos_set = false;  // as fps_pos_set, for win_x/win_y
  int32_t win_w = -1;
  int32_t win_h = -1;
  bool fps_overlay = false;
  uint32_t fps_color = 0;
  uint32_t fps_opacity = 1;
  int32_t fps_x = -1;
  int32_t fps_y = -1;
  // fps_x/fps_y are a real place (negative on a monitor left of or above the main one); false:
  // never placed, the overlay picks its default. Files without the key: placed unless both are -1.
  bool fps_pos_set = false;
  uint32_t text_size = 1;  // 0 small, 1 default, 2 large, 3 larger
  float widget_scale = 1.0f;  // 0.6..3.0, three decimals
  uint32_t widget_theme = 0;
  int32_t fly_x = -1;
  int32_t fly_y = -1;
  bool fly_pos_set = false;  // as fps_pos_set, for fly_x/fly_y (the pop-up was dragged there)
  uint32_t theme = 0;  // 0 dark, 1 black, 2 light
  bool widget_on = false;
  uint32_t widget_mask = 7;
  int32_t widget_x = -1;
  int32_t widget_y = -1;
  bool widget_pos_set = false;  // as fps_pos_set, for widget_x/widget_y
  bool mcp_enabled = true;
  uint32_t notify_presets = 3;
  std::vector<MainMetric> main_metrics = default_main_metrics();
  std::string agent_log_file;  // empty: no agent log
  std::vector<NotifyRule> notify_rules;
  std::vector<std::string> log;  // alert rule lines, as the user wrote them

  static std::vector<MainMetric> default_main_metrics();
  bool operator==(const Settings&) const = default;
};

// Main metrics marked shown, names the overview does not know included: what the pop-up's size counts.
size_t shown_metric_count(const std::vector<MainMetric>& main_metrics);

// The text-size factor behind `text_size` (0.9, 1.0, 1.15, 1.3; 1.0 for anything else).
float text_size_factor(uint32_t text_size);

std::string escape_text(std::string_view text);
std::string unescape_text(std::string_view text);

// Parses the file's text. The caller has already checked that it is valid UTF-8.
Settings parse_settings(std::string_view text);
// The complete file text, in the fixed line order.
std::string format_settings(const Settings& s);

// What loading makes of raw file bytes: the defaults for anything that is not UTF-8 text of a
// sane size, otherwise the parse.
inline constexpr size_t kMaxSettingsFileBytes = 4u << 20;
Settings settings_from_file_bytes(std::string_view bytes);

}  // namespace qv
