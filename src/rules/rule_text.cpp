#include "rules/rule_text.h"

#include <array>
#include <cerrno>
#include <charconv>
#include <limits>
#include <cstdlib>
#include <system_error>

#include "util/lower.h"
#include "util/text.h"

namespace qv {
namespace {

// Every ";"-separated piece of the line, trimmed (empty pieces included).
std::vector<std::string_view> segments(std::string_view text) {
  std::vector<std::string_view> out;
  size_t start = 0;
  while (true) {
    const size_t semi = text.find(';', start);
    if (semi == std::string_view::npos) {
      out.push_back(trim(text.substr(start)));
      return out;
    }
    out.push_back(trim(text.substr(start, semi - start)));
    start = semi + 1;
  }
}

bool starts_with(std::string_view s, std::string_view prefix) { return s.substr(0, prefix.size()) == prefix; }

constexpr std::array<std::pair<std::string_view, MachineMetric>, 7> kMachineWords = {{
    {"cpu", MachineMetric::Cpu},
    {"ram", MachineMetric::Ram},
    {"gpu", MachineMetric::Gpu},
    {"disk", MachineMetric::Disk},
    {"net", MachineMetric::Net},
    {"fps", MachineMetric::Fps},
    {"sound", MachineMetric::Sound},
}};

// Apps have no graphics or frame-rate measure.
constexpr std::array<std::pair<std::string_view, AppMeasure>, 5> kAppWords = {{
    {"cpu", AppMeasure::Cpu},
    {"ram", AppMeasure::Ram},
    {"disk", AppMeasure::Disk},
    {"net", AppMeasure::Net},
    {"sound", AppMeasure::Sound},
}};

std::optional<AlertMetric> parse_metric(std::string_view lower_word) {
  for (const auto& [word, m] : kMachineWords) {
    if (lower_word == word) {
      AlertMetric metric;
      metric.machine = m;
      return metric;
    }
  }
  constexpr std::string_view kProc = "proc:";
  if (!starts_with(lower_word, kProc)) return std::nullopt;
  const std::string_view rest = lower_word.substr(kProc.size());
  const size_t colon = rest.rfind(':');
  if (colon == std::string_view::npos) return std::nullopt;
  const std::string_view measure = rest.substr(colon + 1);
  for (const auto& [word, m] : kAppWords) {
    if (measure == word) {
      AlertMetric metric;
      metric.is_app = true;
      metric.app_name = std::string(rest.substr(0, colon));
      metric.app_measure = m;
      return metric;
    }
  }
  return std::nullopt;
}

void apply_option(AlertRule& rule, std::string_view option) {
  if (starts_with(option, "file=")) {
    rule.file = std::string(trim(option.substr(5)));
  } else if (starts_with(option, "data=")) {
    rule.include_top = iequals_ascii(trim(option.substr(5)), "top");
  } else if (starts_with(option, "cooldown=")) {
    const auto seconds = parse_u64(trim(option.substr(9)), /*allow_plus=*/true);
    rule.cooldown = seconds ? *seconds : 60;
  } else if (iequals_ascii(option, "off")) {
    rule.enabled = false;
  } else if (iequals_ascii(option, "nonotify")) {
    rule.notify = false;
  }
}

bool is_digit(char c) { return c >= '0' && c <= '9'; }

// Shape check for a plain decimal: digits with at most one point (at least one digit), then an
// optional exponent with at least one digit. The sign has been taken off already.
bool is_plain_decimal(std::string_view s) {
  size_t i = 0;
  size_t digits = 0;
  while (i < s.size() && is_digit(s[i])) ++i, ++digits;
  if (i < s.size() && s[i] == '.') {
    ++i;
    while (i < s.size() && is_digit(s[i])) ++i, ++digits;
  }
  if (digits == 0) return false;
  if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
    ++i;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) ++i;
    size_t exp_digits = 0;
    while (i < s.size() && is_digit(s[i])) ++i, ++exp_digits;
    if (exp_digits == 0) return false;
  }
  return i == s.size();
}

std::string_view file_name_of(std::string_view path) {
  const size_t sep = path.find_last_of("\\/");
  return sep == std::string_view::npos ? path : path.substr(sep + 1);
}

}  // namespace

std::string_view machine_metric_word(MachineMetric m) {
  for (const auto& [word, metric] : kMachineWords) {
    if (metric == m) return word;
  }
  return "cpu";
}

std::string_view app_measure_word(AppMeasure m) {
  for (const auto& [word, measure] : kAppWords) {
    if (measure == m) return word;
  }
  return "cpu";
}

std::optional<double> parse_threshold(std::string_view text) {
  text = trim(text);
  bool negative = false;
  std::string_view body = text;
  if (!body.empty() && (body.front() == '+' || body.front() == '-')) {
    negative = body.front() == '-';
    body.remove_prefix(1);
  }
  if (iequals_ascii(body, "inf") || iequals_ascii(body, "infinity")) {
    return negative ? -std::numeric_limits<double>::infinity() : std::numeric_limits<double>::infinity();
  }
  if (iequals_ascii(body, "nan")) return std::numeric_limits<double>::quiet_NaN();
  if (!is_plain_decimal(body)) return std::nullopt;
  double value = 0;
  const auto [end, ec] = std::from_chars(body.data(), body.data() + body.size(), value);
  if (ec == std::errc::result_out_of_range) {
    // Too large becomes infinite and too small becomes zero, as with any decimal reader.
    const std::string copy(body);
    value = std::strtod(copy.c_str(), nullptr);
  } else if (ec != std::errc() || end != body.data() + body.size()) {
    return std::nullopt;
  }
  return negative ? -value : value;
}

std::string format_threshold(double value) {
  // Fixed notation of the largest double has 309 digits; the smallest subnormal needs 327 chars.
  std::array<char, 400> buf{};
  const auto [end, ec] = std::to_chars(buf.data(), buf.data() + buf.size(), value, std::chars_format::fixed);
  if (ec != std::errc()) return {};
  return std::string(buf.data(), end);
}

std::optional<AlertRule> parse_rule(std::string_view text) {
  const std::vector<std::string_view> parts = segments(text);
  const std::string_view condition = parts.front();
  const size_t gt = condition.find('>');
  const size_t lt = condition.find('<');
  if ((gt == std::string_view::npos) == (lt == std::string_view::npos)) return std::nullopt;
  const size_t at = gt != std::string_view::npos ? gt : lt;

  const std::string word = to_lower_utf8(trim(condition.substr(0, at)));
  auto metric = parse_metric(word);
  if (!metric) return std::nullopt;
  const auto threshold = parse_threshold(condition.substr(at + 1));
  if (!threshold) return std::nullopt;

  AlertRule rule;
  rule.text = std::string(text);
  rule.metric = std::move(*metric);
  rule.threshold = *threshold;
  rule.above = gt != std::string_view::npos;
  for (size_t i = 1; i < parts.size(); ++i) apply_option(rule, parts[i]);
  return rule;
}

std::vector<AlertRule> parse_rule_lines(const std::vector<std::string>& lines) {
  std::vector<AlertRule> rules;
  rules.reserve(lines.size());
  for (const auto& line : lines) {
    if (auto rule = parse_rule(line)) rules.push_back(std::move(*rule));
  }
  return rules;
}

std::optional<std::string> compose_rule(const RuleChoices& c) {
  std::string text;
  if (c.is_app) {
    const std::string_view name = trim(c.app_name);
    if (name.empty()) return std::nullopt;
    text = "proc:";
    text += name;
    text += ':';
    text += app_measure_word(c.app_measure);
  } else {
    text = machine_metric_word(c.machine);
  }
  const auto threshold = parse_threshold(c.threshold);
  if (!threshold) return std::nullopt;
  text += c.above ? '>' : '<';
  text += format_threshold(*threshold);

  const std::string_view file = trim(c.file);
  if ((c.delivery == RuleDelivery::File || c.delivery == RuleDelivery::Both) && !file.empty()) {
    text += "; file=";
    text += file;
  }
  if (c.include_top) text += "; data=top";
  if (c.cooldown != 60) text += "; cooldown=" + std::to_string(c.cooldown);
  if (c.delivery == RuleDelivery::File) text += "; nonotify";

  if (!parse_rule(text)) return std::nullopt;
  return text;
}

std::string set_rule_enabled(std::string_view text, bool on) {
  std::string out;
  for (std::string_view part : segments(text)) {
    if (part.empty() || iequals_ascii(part, "off")) continue;
    if (!out.empty()) out += "; ";
    out += part;
  }
  if (!on) out += "; off";
  return out;
}

std::string toggle_rule(std::string_view text) {
  const auto rule = parse_rule(text);
  return set_rule_enabled(text, rule ? !rule->enabled : false);
}

std::string describe_rule(std::string_view text) {
  const auto rule = parse_rule(text);
  if (!rule) return "(invalid) " + std::string(text);
  std::string out(trim(text.substr(0, text.find(';'))));
  out += " \xE2\x86\x92 ";  // " → "
  const bool has_file = !trim(rule->file).empty();
  if (rule->notify && has_file) {
    out += "notify + ";
    out += file_name_of(rule->file);
  } else if (rule->notify) {
    out += "notify";
  } else if (has_file) {
    out += file_name_of(rule->file);
  } else {
    out += "nothing";
  }
  return out;
}

}  // namespace qv
