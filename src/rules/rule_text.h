#pragma once
// The one-line text form of an alert rule: "cpu>90; file=D:\logs\a.log; data=top; cooldown=300;
// nonotify; off". Parsing it, composing it from the alert editor's choices, switching it on and
// off, and the one-line description shown in the alert list.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/alert_rule.h"

namespace qv {

// Nothing when the text is not a rule. Options never make a rule invalid: unknown or malformed
// ones are ignored or fall back to their defaults.
std::optional<AlertRule> parse_rule(std::string_view text);

// The rules among `lines` that parse, in line order; the others are left out.
std::vector<AlertRule> parse_rule_lines(const std::vector<std::string>& lines);

// A threshold as the user may type it: 90, 2.5, +5, .5, 1e3, -1 (also inf and nan, which a rule
// may hold but never fires on). Nothing when the whole trimmed text is not such a number.
std::optional<double> parse_threshold(std::string_view text);
// The shortest plain decimal that reads back as the same number: no exponent, no trailing ".0".
std::string format_threshold(double value);

enum class RuleDelivery { Desktop, File, Both };

// What the alert editor offers.
struct RuleChoices {
  bool is_app = false;
  MachineMetric machine = MachineMetric::Cpu;  // when !is_app
  std::string app_name;                        // when is_app; trimmed here, empty saves nothing
  AppMeasure app_measure = AppMeasure::Cpu;    // when is_app
  bool above = true;
  std::string threshold;  // the editor's field as typed
  RuleDelivery delivery = RuleDelivery::Desktop;
  std::string file;  // the log file field as typed; used for File and Both
  bool include_top = false;
  uint64_t cooldown = 60;  // seconds
};

// The rule line for the choices, or nothing when they do not make a valid rule.
std::optional<std::string> compose_rule(const RuleChoices& choices);

// The text with every "off" segment (and every empty one) removed, segments trimmed and joined
// by "; ", and "; off" appended when switching off.
std::string set_rule_enabled(std::string_view text, bool on);
// The on/off switch: a valid rule goes to the opposite of its state; an invalid one goes off.
std::string toggle_rule(std::string_view text);

// "cpu>90 → notify + a.log", or "(invalid) " and the text.
std::string describe_rule(std::string_view text);

// The words of the text form.
std::string_view machine_metric_word(MachineMetric m);
std::string_view app_measure_word(AppMeasure m);

}  // namespace qv
