#pragma once
// After the user changed the rule lines: save the settings, then parse every line again and hand
// the sampler the new list.
#include "config/settings.h"
#include "core/shared_state.h"

namespace qv {

// UI thread only. Lines that do not parse stay in `settings.log` but are left out of the list.
void save_and_reload_rules(const Settings& settings, SharedState& state);

}  // namespace qv
