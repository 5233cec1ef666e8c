#include "rules/rule_needs.h"

#include <mutex>

namespace qv {

std::vector<AlertRule> copy_enabled_rules(SharedState& state) {
  std::vector<AlertRule> copy;
  std::lock_guard lock(state.rules_mutex);
  copy.reserve(state.rules.size());
  for (const AlertRule& rule : state.rules) {
    if (rule.enabled) copy.push_back(rule);
  }
  return copy;
}

RuleNeeds rule_needs(const std::vector<AlertRule>& enabled_rules) {
  RuleNeeds needs;
  for (const auto& r : enabled_rules) {
    if (!r.enabled) continue;
    if (r.metric.is_app || r.include_top) needs.need_processes = true;
    if (!r.metric.is_app && r.metric.machine == MachineMetric::Gpu) needs.gpu_rule = true;
  }
  return needs;
}

}  // namespace qv
