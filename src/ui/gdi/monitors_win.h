#pragma once
// The monitors the system has now, for windows that come back where an earlier session left them.
#include <windows.h>

#include <vector>

#include "ui/gdi/monitors.h"

namespace qv {

// Every monitor with its work area; empty when the system answers nothing.
std::vector<MonitorArea> monitor_areas();

}  // namespace qv
