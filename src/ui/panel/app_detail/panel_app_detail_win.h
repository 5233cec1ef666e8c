#pragma once
// One app's detail page: "close app" in the title band, how many processes run, a tile with a
// history graph per figure and, for an app of several processes, the foldable process list.
#include <windows.h>

#include <array>
#include <cstdint>
#include <string>
#include <unordered_map>

#include "core/snapshot.h"
#include "ui/gdi/geometry.h"
#include "ui/panel/app_detail/app_detail_model.h"
#include "ui/panel/kit/panel_widgets_win.h"

namespace qv {

struct AppDetailInput {
  std::array<SampleRing, kAppSeriesCount> series{};      // indexed by AppSeries
  std::array<float, kAppSeriesCount> series_max{};      // highest valid sample of each
  const std::unordered_map<uint32_t, std::string>* roles = nullptr;  // role labels by pid
};

void paint_app_detail(const PanelCanvas& c, const Snapshot& snapshot, const AppDetailInput& in);

}  // namespace qv
