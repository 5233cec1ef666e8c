#pragma once
// The 60-sample display series behind the panel's graphs: fixed rings, never reallocated, fed
// one value each per sample.
#include <array>
#include <cstddef>
#include <string_view>

#include "core/snapshot.h"
#include "ui/gdi/geometry.h"

namespace qv {

struct HistorySeries {
  static constexpr size_t kCapacity = 60;
  std::array<float, kCapacity> samples{};
  size_t head = 0;   // next write
  size_t count = 0;  // valid samples, ending just before head

  void push(float value);
  // The largest valid sample, NaN ignored; 0 when there is none.
  float series_max() const;
  SampleRing ring() const { return SampleRing{samples, head, count}; }
};

// The overview's graphs.
struct OverviewHistory {
  HistorySeries cpu;    // percent
  HistorySeries mem;    // percent
  HistorySeries gpu;    // percent
  HistorySeries disk;   // read + write bytes/s
  HistorySeries net;    // received + sent bytes/s
  HistorySeries sound;  // peak x 100
  HistorySeries fps;    // frame rate of the frame-rate app, 0 without one
};

// The graphs of the app whose detail is open; restarted empty when another app is opened.
struct AppHistory {
  HistorySeries cpu;   // percent, summed over the app's processes
  HistorySeries ram;   // bytes
  HistorySeries gpu;   // percent
  HistorySeries disk;  // bytes/s
  HistorySeries net;   // bytes/s
  HistorySeries fps;   // highest frame rate among its presenting processes
};

void push_overview_sample(OverviewHistory& series, const Snapshot& s);
// Sums the figures of every process named exactly `app`.
void push_app_sample(AppHistory& series, const Snapshot& s, std::string_view app);

}  // namespace qv
