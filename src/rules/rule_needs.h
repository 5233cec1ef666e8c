#pragma once
// What the switched-on alert rules need the sampler to measure on every tick.
#include <vector>

#include "core/alert_rule.h"

namespace qv {

struct RuleNeeds {
  bool need_processes = false;  // a rule watches an app or lists the top apps
  bool gpu_rule = false;        // a rule watches the graphics load
};

// Rules that are switched off need nothing, even when handed in.
RuleNeeds rule_needs(const std::vector<AlertRule>& enabled_rules);

}  // namespace qv
