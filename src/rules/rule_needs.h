#pragma once
// What the switched-on alert rules need the sampler to measure on every tick.
#include <vector>

#include "core/alert_rule.h"

namespace qv {

struct RuleNeeds {
  bool need_processes = false;  // a rule watches an app or lists the top apps
  bool gpu_rule = false;        // a rule watches the graphics load
  bool sound_rule = false;      // a rule watches the machine's or an app's sound
};

// Rules that are switched off need nothing, even when handed in.
RuleNeeds rule_needs(const std::vector<AlertRule>& enabled_rules);

// The measurements a tick takes beyond the cheap system-wide ones: all of them on a detail
// tick, otherwise those the switched-on rules need.
struct TickMeasures {
  bool gpu = false;
  bool sound = false;
  bool cores = false;
  bool processes = false;
  bool operator==(const TickMeasures&) const = default;
};
TickMeasures tick_measures(bool detail, const RuleNeeds& needs);

}  // namespace qv
