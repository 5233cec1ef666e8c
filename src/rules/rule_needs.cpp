#include "rules/rule_needs.h"

namespace qv {

RuleNeeds rule_needs(const std::vector<AlertRule>& enabled_rules) {
  RuleNeeds needs;
  for (const auto& r : enabled_rules) {
    if (!r.enabled) continue;
    if (r.metric.is_app || r.include_top) needs.need_processes = true;
    if (!r.metric.is_app && r.metric.machine == MachineMetric::Gpu) needs.gpu_rule = true;
    if (r.metric.is_app ? r.metric.app_measure == AppMeasure::Sound : r.metric.machine == MachineMetric::Sound) {
      needs.sound_rule = true;
    }
  }
  return needs;
}

TickMeasures tick_measures(bool detail, const RuleNeeds& needs) {
  if (detail) return {true, true, true, true};
  return {needs.gpu_rule, needs.sound_rule, false, needs.need_processes};
}

}  // namespace qv
