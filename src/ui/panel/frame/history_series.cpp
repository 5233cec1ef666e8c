#include "ui/panel/frame/history_series.h"

#include <algorithm>
#include <cmath>

namespace qv {

void HistorySeries::push(float value) {
  samples[head] = value;
  head = (head + 1) % kCapacity;
  count = std::min(count + 1, kCapacity);
}

float HistorySeries::series_max() const {
  bool any = false;
  float best = 0.0f;
  for (size_t i = 0; i < count; ++i) {
    const float v = samples[(head + kCapacity - count + i) % kCapacity];
    if (std::isnan(v)) continue;
    if (!any || v > best) best = v;
    any = true;
  }
  return any ? best : 0.0f;
}

}  // namespace qv

namespace qv {
namespace {

float add_rates(uint64_t a, uint64_t b) { return static_cast<float>(static_cast<double>(a) + static_cast<double>(b)); }

}  // namespace

void push_overview_sample(OverviewHistory& series, const Snapshot& s) {
  series.cpu.push(s.cpu_pct);
  series.mem.push(mem_pct(s));
  series.gpu.push(s.gpu_pct);
  series.disk.push(add_rates(s.disk_read_bps, s.disk_write_bps));
  series.net.push(add_rates(s.net_rx_bps, s.net_tx_bps));
  series.sound.push(s.audio_peak * 100.0f);
  series.fps.push(s.fps ? static_cast<float>(s.fps->fps) : 0.0f);
}

void push_app_sample(AppHistory& series, const Snapshot& s, std::string_view app) {
  double cpu = 0, ram = 0, gpu = 0, disk = 0, net = 0;
  for (const ProcessSample& p : s.processes) {
    if (p.name != app) continue;
    cpu += p.cpu_pct;
    ram += static_cast<double>(p.ram_bytes);
    gpu += p.gpu_pct;
    disk += static_cast<double>(p.disk_bps);
    net += static_cast<double>(p.net_bps);
  }
  uint32_t fps = 0;
  for (const PresentingApp& a : s.presenting_apps) {
    if (a.name == app) fps = std::max(fps, a.fps);
  }
  series.cpu.push(static_cast<float>(cpu));
  series.ram.push(static_cast<float>(ram));
  series.gpu.push(static_cast<float>(gpu));
  series.disk.push(static_cast<float>(disk));
  series.net.push(static_cast<float>(net));
  series.fps.push(static_cast<float>(fps));
}

}  // namespace qv
