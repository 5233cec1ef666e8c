#include "rules/rule_store_win.h"

#include <mutex>
#include <utility>

#include "config/settings_file_win.h"
#include "rules/rule_text.h"

namespace qv {

void save_and_reload_rules(const Settings& settings, SharedState& state) {
  save_settings(settings);
  std::vector<AlertRule> rules = parse_rule_lines(settings.log);  // parsed outside the lock
  std::lock_guard lock(state.rules_mutex);
  state.rules.swap(rules);
}

}  // namespace qv
