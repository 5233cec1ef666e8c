#pragma once
// The overview page: header links, the app search, one card per shown main metric, the drives
// and the AI banners, or the search results while the search field holds text.
#include <windows.h>

#include <array>
#include <vector>

#include "config/settings.h"
#include "core/snapshot.h"
#include "ui/gdi/geometry.h"
#include "ui/panel/overview/overview_model.h"
#include "ui/panel/kit/panel_widgets_win.h"

namespace qv {

inline constexpr size_t kOverviewSeriesCount = 7;  // indexed by OverviewSeries

struct OverviewInput {
  const Settings* settings = nullptr;
  const Snapshot* snapshot = nullptr;
  std::array<SampleRing, kOverviewSeriesCount> series{};
  std::array<float, kOverviewSeriesCount> series_max{};  // highest valid sample of each series
  std::vector<Banner> banners;  // bottom one first
};

void paint_overview(const PanelCanvas& c, const OverviewInput& in);

}  // namespace qv
