#pragma once
// Adding up the graphics-engine utilisation counters. Each counter instance is one engine of one
// adapter used by one process; its name carries "pid_<n>" and "engtype_<type>" (the adapter and
// engine index in the rest of the name are not needed). The machine's load is its busiest engine
// type, summed over every engine, process and adapter of that type; a process's load is the sum
// over all of its engines, capped at 100.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

namespace qv {

// Utilisation is averaged over the time between two collections. When the previous collection
// is more than two sampling intervals old (the panel was closed for a while), the new reading is
// the mean of the whole pause, not the current load, and is dropped. A clock that went back
// counts as no pause.
bool collection_covers_a_pause(uint64_t previous_ms, uint64_t now_ms, uint32_t interval_ms);

struct GpuInstance {
  std::optional<uint32_t> pid;      // none without "pid_" + digits, or when the digits overflow
  std::u16string_view engine_type;  // after the last "engtype_"; the whole name when it has none
};

// `name` is UTF-16 as the counter API hands it out; the result points into it.
GpuInstance parse_gpu_instance(std::u16string_view name);

class GpuTally {
 public:
  // One counter item. Items without a name or whose value is not above 0 (NaN included) add
  // nothing.
  void add(std::u16string_view name, double value);
  // The busiest engine type's sum, capped at 100; 0 when nothing was added.
  float machine_pct() const;
  // Per-process sums; moved out, leaving the tally empty for the next reading.
  std::unordered_map<uint32_t, float> take_per_pid();
  void clear();

 private:
  // A machine has a handful of engine types, so a linear scan beats hashing the names.
  std::vector<std::pair<std::u16string, double>> engine_sums_;
  std::unordered_map<uint32_t, float> per_pid_;
};

}  // namespace qv
