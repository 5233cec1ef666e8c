#pragma once
// The metric detail page (the busiest apps of one measure, with a filter, a pause and, for the
// processor, a meter per core) and the frame-rate list.
#include <windows.h>

#include "core/snapshot.h"
#include "ui/panel/kit/panel_widgets_win.h"

namespace qv {

// `live` is the current snapshot copy; while paused the page draws the frozen one instead.
void paint_metric_detail(const PanelCanvas& c, const Snapshot& live);
void paint_frame_rate_list(const PanelCanvas& c, const Snapshot& snapshot);

}  // namespace qv
