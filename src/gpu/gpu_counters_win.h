#pragma once
// Graphics load from the "\GPU Engine(*)\Utilization Percentage" counters. The query is set up
// on the first read; when that fails it logs once and every later read reports unavailable.
#include <cstdint>
#include <memory>
#include <unordered_map>

namespace qv {

class GpuCounters {
 public:
  GpuCounters();
  GpuCounters(const GpuCounters&) = delete;
  GpuCounters& operator=(const GpuCounters&) = delete;
  ~GpuCounters();
  // True when the counters were read: `machine_pct` is the busiest engine type and
  // `per_pid_pct` each process's summed utilisation, capped at 100. A reading that fails on one
  // tick still returns true, with 0 and an empty map. False (and `per_pid_pct` left alone) when
  // the counters are unavailable for this run, and on a tick whose collection only restarted the
  // measurement because the previous one is more than two `interval_ms` old.
  bool read(float& machine_pct, std::unordered_map<uint32_t, float>& per_pid_pct, uint32_t interval_ms);

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace qv
