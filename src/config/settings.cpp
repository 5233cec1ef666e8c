#include "config/settings.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "util/text.h"
#include "util/utf.h"

namespace qv {
namespace {

bool parse_bool(std::string_view v) { return v == "1" || iequals_ascii(v, "true"); }

uint32_t unsigned_or(std::string_view v, uint32_t fallback) {
  auto n = parse_u32(v);
  return n ? *n : fallback;
}

int32_t signed_or_unplaced(std::string_view v) {
  auto n = parse_i32(v);
  return n ? *n : -1;
}

float clamp_scale(double v) {
  if (v < 0.6) v = 0.6;
  if (v > 3.0) v = 3.0;
  return static_cast<float>(std::round(v * 1000.0) / 1000.0);
}

// A decimal floating-point number the way a user or an older version might write it:
// optional sign, digits with an optional point, optional exponent, or inf / nan.
bool parse_float(std::string_view v, double& out) {
  if (v.empty()) return false;
  std::string s(v);
  std::string lower = to_lower_ascii(s);
  std::string_view body = lower;
  if (!body.empty() && (body.front() == '+' || body.front() == '-')) body.remove_prefix(1);
  if (body == "inf" || body == "infinity") {
    out = lower.front() == '-' ? -INFINITY : INFINITY;
    return true;
  }
  if (body == "nan") {
    out = NAN;
    return true;
  }
  if (body.empty() || !(std::isdigit(static_cast<unsigned char>(body.front())) || body.front() == '.'))
    return false;
  for (char c : body) {
    if (!(std::isdigit(static_cast<unsigned char>(c)) || c == '.' || c == 'e' || c == '+' || c == '-'))
      return false;
  }
  char* end = nullptr;
  out = std::strtod(s.c_str(), &end);
  return end == s.c_str() + s.size();
}

bool is_metric_name(std::string_view n) {
  for (const char* m : kMetricNames) {
    if (n == m) return true;
  }
  return false;
}

std::vector<MainMetric> parse_main_metrics(std::string_view value) {
  std::vector<MainMetric> out;
  auto has = [&](std::string_view n) {
    for (const auto& m : out) {
      if (m.name == n) return true;
    }
    return false;
  };
  size_t start = 0;
  while (start <= value.size()) {
    size_t comma = value.find(',', start);
    if (comma == std::string_view::npos) comma = value.size();
    std::string_view piece = trim(value.substr(start, comma - start));
    start = comma + 1;
    if (piece.empty()) continue;
    bool shown = true;
    if (piece.front() == '-') {
      shown = false;
      piece = trim(piece.substr(1));
    }
    if (is_metric_name(piece) && !has(piece)) out.push_back({std::string(piece), shown});
  }
  for (const char* m : kMetricNames) {
    if (!has(m)) out.push_back({m, true});
  }
  return out;
}

void add_notify_rule(Settings& s, std::string_view value) {
  if (value.empty()) return;
  bool enabled = true;
  std::string_view text = value;
  size_t bar = value.find('|');
  if (bar != std::string_view::npos) {
    std::string_view flag = value.substr(0, bar);
    text = value.substr(bar + 1);
    if (flag.size() == 1) enabled = flag != "0";
  }
  std::string unescaped = unescape_text(text);
  if (trim(unescaped).empty()) return;
  s.notify_rules.push_back({enabled, std::move(unescaped)});
}

void append_line(std::string& out, std::string_view key, std::string_view value) {
  out.append(key);
  out.push_back('=');
  out.append(value);
  out.push_back('\n');
}

void append_bool(std::string& out, std::string_view key, bool v) { append_line(out, key, v ? "1" : "0"); }

template <typename N>
void append_number(std::string& out, std::string_view key, N v) {
  append_line(out, key, std::to_string(v));
}

}  // namespace

size_t shown_metric_count(const std::vector<MainMetric>& main_metrics) {
  return static_cast<size_t>(
      std::count_if(main_metrics.begin(), main_metrics.end(), [](const MainMetric& m) { return m.shown; }));
}

std::vector<MainMetric> Settings::default_main_metrics() {
  std::vector<MainMetric> out;
  for (const char* m : kMetricNames) out.push_back({m, true});
  return out;
}

float text_size_factor(uint32_t text_size) {
  switch (text_size) {
    case 0: return 0.9f;
    case 1: return 1.0f;
    case 2: return 1.15f;
    case 3: return 1.3f;
    default: return 1.0f;
  }
}

std::string escape_text(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    switch (c) {
      case '\\': out += "\\\\"; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      default: out.push_back(c);
    }
  }
  return out;
}

std::string unescape_text(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c != '\\' || i + 1 == text.size()) {
      out.push_back(c);
      continue;
    }
    const char next = text[i + 1];
    if (next == '\\') {
      out.push_back('\\');
    } else if (next == 'n') {
      out.push_back('\n');
    } else if (next == 'r') {
      out.push_back('\r');
    } else {
      out.push_back('\\');
      out.push_back(next);
    }
    ++i;
  }
  return out;
}

Settings parse_settings(std::string_view text) {
  Settings s;
  bool scale_given = false;
  // Older files have no *_pos_set keys: their -1 meant "not placed", and a move always stored
  // both coordinates, so only -1 on both axes was never a real place.
  bool widget_pos_given = false;
  bool fps_pos_given = false;
  bool win_pos_given = false;
  bool fly_pos_given = false;
  size_t start = 0;
  while (start < text.size()) {
    size_t nl = text.find('\n', start);
    if (nl == std::string_view::npos) nl = text.size();
    std::string_view line = text.substr(start, nl - start);
    start = nl + 1;
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    size_t eq = line.find('=');
    if (eq == std::string_view::npos) continue;
    const std::string_view key = trim(line.substr(0, eq));
    const std::string_view value = trim(line.substr(eq + 1));

    if (key == "tray_static") s.tray_static = parse_bool(value);
    else if (key == "tray_cpu") s.tray_cpu = parse_bool(value);
    else if (key == "tray_ram") s.tray_ram = parse_bool(value);
    else if (key == "tray_disk") s.tray_disk = parse_bool(value);
    else if (key == "tray_net") s.tray_net = parse_bool(value);
    else if (key == "tray_fps") s.tray_fps = parse_bool(value);
    else if (key == "pinned") s.pinned = parse_bool(value);
    else if (key == "on_top") s.on_top = parse_bool(value);
    else if (key == "fps_overlay") s.fps_overlay = parse_bool(value);
    else if (key == "widget_on") s.widget_on = parse_bool(value);
    else if (key == "mcp_enabled") s.mcp_enabled = parse_bool(value);
    else if (key == "widget_pos_set") {
      s.widget_pos_set = parse_bool(value);
      widget_pos_given = true;
    } else if (key == "fps_pos_set") {
      s.fps_pos_set = parse_bool(value);
      fps_pos_given = true;
    } else if (key == "win_pos_set") {
      s.win_pos_set = parse_bool(value);
      win_pos_given = true;
    } else if (key == "fly_pos_set") {
      s.fly_pos_set = parse_bool(value);
      fly_pos_given = true;
    } else if (key == "interval_ms") {
      if (auto v = parse_u32(value)) s.interval_ms = *v > 10000 ? 10000 : (*v < 251 ? 250 : *v);
    } else if (key == "notify_presets") s.notify_presets = unsigned_or(value, 3);
    else if (key == "fps_color") s.fps_color = unsigned_or(value, 0);
    else if (key == "theme") s.theme = unsigned_or(value, 0);
    else if (key == "widget_theme") s.widget_theme = unsigned_or(value, 0);
    else if (key == "fps_opacity") s.fps_opacity = unsigned_or(value, 1);
    else if (key == "widget_mask") s.widget_mask = unsigned_or(value, 7);
    else if (key == "text_size") {
      const uint32_t v = unsigned_or(value, 1);
      s.text_size = v > 3 ? 3 : v;
    } else if (key == "win_x") s.win_x = signed_or_unplaced(value);
    else if (key == "win_y") s.win_y = signed_or_unplaced(value);
    else if (key == "win_w") s.win_w = signed_or_unplaced(value);
    else if (key == "win_h") s.win_h = signed_or_unplaced(value);
    else if (key == "fps_x") s.fps_x = signed_or_unplaced(value);
    else if (key == "fps_y") s.fps_y = signed_or_unplaced(value);
    else if (key == "widget_x") s.widget_x = signed_or_unplaced(value);
    else if (key == "widget_y") s.widget_y = signed_or_unplaced(value);
    else if (key == "fly_x") s.fly_x = signed_or_unplaced(value);
    else if (key == "fly_y") s.fly_y = signed_or_unplaced(value);
    else if (key == "widget_scale") {
      double v = 0;
      if (parse_float(value, v)) {
        scale_given = true;
        s.widget_scale = std::isfinite(v) ? clamp_scale(v) : 1.0f;
      }
    } else if (key == "main_metrics") s.main_metrics = parse_main_metrics(value);
    else if (key == "agent_log_file") s.agent_log_file = unescape_text(value);
    else if (key.size() >= 11 && key.substr(0, 11) == "notify_rule") add_notify_rule(s, value);
    else if (key == "notify_text") {
      if (!value.empty()) s.notify_rules.push_back({true, unescape_text(value)});
    } else if (key == "logging") {
      // older versions' switch; its meaning now lives in each rule
    } else if (key.substr(0, 3) == "log") {
      if (!value.empty()) s.log.emplace_back(value);
    }
  }
  if (!scale_given) s.widget_scale = clamp_scale(text_size_factor(s.text_size));
  if (!widget_pos_given) s.widget_pos_set = !(s.widget_x == -1 && s.widget_y == -1);
  if (!fps_pos_given) s.fps_pos_set = !(s.fps_x == -1 && s.fps_y == -1);
  if (!win_pos_given) s.win_pos_set = !(s.win_x == -1 && s.win_y == -1);
  if (!fly_pos_given) s.fly_pos_set = !(s.fly_x == -1 && s.fly_y == -1);
  return s;
}

std::string format_settings(const Settings& s) {
  std::string out;
  out.reserve(1024 + s.log.size() * 64);
  append_bool(out, "tray_static", s.tray_static);
  append_bool(out, "tray_cpu", s.tray_cpu);
  append_bool(out, "tray_ram", s.tray_ram);
  append_bool(out, "tray_disk", s.tray_disk);
  append_bool(out, "tray_net", s.tray_net);
  append_bool(out, "tray_fps", s.tray_fps);
  append_number(out, "interval_ms", s.interval_ms);
  append_bool(out, "pinned", s.pinned);
  append_bool(out, "on_top", s.on_top);
  append_number(out, "win_x", s.win_x);
  append_number(out, "win_y", s.win_y);
  append_bool(out, "win_pos_set", s.win_pos_set);
  append_number(out, "win_w", s.win_w);
  append_number(out, "win_h", s.win_h);
  append_bool(out, "fps_overlay", s.fps_overlay);
  append_number(out, "fps_color", s.fps_color);
  append_number(out, "fps_opacity", s.fps_opacity);
  append_number(out, "fps_x", s.fps_x);
  append_number(out, "fps_y", s.fps_y);
  append_bool(out, "fps_pos_set", s.fps_pos_set);
  append_number(out, "theme", s.theme);
  append_bool(out, "widget_on", s.widget_on);
  append_number(out, "widget_mask", s.widget_mask);
  append_number(out, "widget_x", s.widget_x);
  append_number(out, "widget_y", s.widget_y);
  append_bool(out, "widget_pos_set", s.widget_pos_set);
  append_bool(out, "mcp_enabled", s.mcp_enabled);
  append_number(out, "notify_presets", s.notify_presets);
  append_number(out, "text_size", s.text_size);
  char scale[32];
  std::snprintf(scale, sizeof scale, "%.3f", static_cast<double>(s.widget_scale));
  append_line(out, "widget_scale", scale);
  append_number(out, "widget_theme", s.widget_theme);
  append_number(out, "fly_x", s.fly_x);
  append_number(out, "fly_y", s.fly_y);
  append_bool(out, "fly_pos_set", s.fly_pos_set);
  std::string metrics;
  for (const auto& m : s.main_metrics) {
    if (!metrics.empty()) metrics.push_back(',');
    if (!m.shown) metrics.push_back('-');
    metrics += m.name;
  }
  append_line(out, "main_metrics", metrics);
  append_line(out, "agent_log_file", escape_text(s.agent_log_file));
  for (size_t i = 0; i < s.notify_rules.size(); ++i) {
    const auto& r = s.notify_rules[i];
    append_line(out, "notify_rule" + std::to_string(i + 1),
                std::string(r.enabled ? "1|" : "0|") + escape_text(r.text));
  }
  for (size_t i = 0; i < s.log.size(); ++i) append_line(out, "log" + std::to_string(i + 1), s.log[i]);
  return out;
}

Settings settings_from_file_bytes(std::string_view bytes) {
  if (bytes.size() > kMaxSettingsFileBytes || !is_valid_utf8(bytes)) return parse_settings("");
  // Editors such as Notepad start the file with a byte-order mark, which would otherwise become
  // part of the first key and cost that setting.
  constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
  if (bytes.starts_with(kByteOrderMark)) bytes.remove_prefix(kByteOrderMark.size());
  return parse_settings(bytes);
}

}  // namespace qv
