#pragma once
// Keeping a window that was placed in an earlier session on a monitor that is still there.
#include <span>

#include "ui/gdi/geometry.h"

namespace qv {

// One display as the system describes it, in virtual-screen pixels: the whole monitor, and the
// part of it left to windows (without the taskbar and docked bars).
struct MonitorArea {
  Rect monitor;
  Rect work;
};

// Where a window at `window` goes when it is shown again: where it is while any part of it is on
// a monitor (a widget over the taskbar stays there); otherwise moved the shortest way into the
// work area of the nearest monitor (its top-left corner first when it is larger than that area).
// Unchanged when no monitor is known.
Rect keep_on_a_monitor(const Rect& window, std::span<const MonitorArea> monitors);

// The work area of the monitor that `window` overlaps (the first one listed when several do), else
// of the nearest monitor; `fallback` when no monitor is known.
Rect work_area_near(const Rect& window, std::span<const MonitorArea> monitors, const Rect& fallback);

}  // namespace qv
