#include "rules/rule_needs.h"

namespace qv {

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
