#pragma once
// What the switched-on alert rules need the sampler to measure on every tick.
#include <vector>

#include "main/shared_state.h"
#include "rules/alert_rule.h"

namespace qv {

struct RuleNeeds {
  bool need_processes = false;  // a rule watches an app or lists the top apps
  bool gpu_rule = false;        // a rule watches the graphics load
};

// The tick's copy of the switched-on rules, in list order, taken under the rules lock (held only
// for the copy, so editing rules in the panel never waits on a tick).
std::vector<AlertRule> copy_enabled_rules(SharedState& state);

// Rules that are switched off need nothing, even when handed in.
RuleNeeds rule_needs(const std::vector<AlertRule>& enabled_rules);

}  // namespace qv
