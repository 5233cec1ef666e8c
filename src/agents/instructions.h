#pragma once
// The instructions text handed to the AI tool, built from the user's notification preferences.
#include <string>

#include "config/settings.h"

namespace qv {

std::string build_instructions(const Settings& settings);

}  // namespace qv
