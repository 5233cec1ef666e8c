#pragma once
// One sampling tick (Snapshot), its one-line summary (HistorySample) and the bounded ring of
// summaries. Rates are bytes per second, percentages 0..100, sound peaks linear 0..1.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace qv {

struct PresentingApp {
  uint32_t pid = 0;
  std::string name;  // image file name, or "pid N" when it cannot be read
  uint32_t fps = 0;  // frames presented per second on this tick, truncated
  bool operator==(const PresentingApp&) const = default;
};

struct DriveInfo {
  char letter = 'C';  // upper case, no colon
  uint64_t total_bytes = 0;
  uint64_t free_bytes = 0;
  bool operator==(const DriveInfo&) const = default;
};

struct ProcessSample {
  std::string name;  // image file name; "System" when the system gives none
  uint64_t ram_with_shared_bytes = 0;
  uint64_t ram_bytes = 0;  // private working set
  uint64_t disk_bps = 0;
  uint64_t net_bps = 0;  // 0 when not traced
  uint32_t pid = 0;
  float cpu_pct = 0;    // share of the whole machine
  float gpu_pct = 0;    // from the most recent graphics reading
  float audio_peak = 0; // from the most recent sound reading
  bool operator==(const ProcessSample&) const = default;
};

struct Snapshot {
  float cpu_pct = 0;
  std::vector<float> per_core_pct;  // empty unless this was a detail tick
  uint64_t mem_total_bytes = 0;
  uint64_t mem_used_bytes = 0;
  float gpu_pct = 0;
  bool gpu_available = false;
  uint64_t disk_read_bps = 0;
  uint64_t disk_write_bps = 0;
  uint64_t net_rx_bps = 0;
  uint64_t net_tx_bps = 0;
  std::optional<PresentingApp> fps;  // only when its rate is 5 or more
  std::vector<PresentingApp> presenting_apps;  // 2 fps or more, highest first
  float audio_peak = 0;
  bool audio_available = false;
  bool tracking_available = false;
  bool per_app_network_available = false;
  std::vector<DriveInfo> drives;  // fixed drives, A to Z
  std::vector<ProcessSample> processes;  // empty when processes were not enumerated this tick
  // The per-process rates were measured against a baseline taken on the previous tick. The first
  // enumeration after a pause only sets that baseline and shows 0 for every process.
  bool processes_measured = false;
  bool operator==(const Snapshot&) const = default;
};

// Memory in use as a percentage; 0 when the total is unknown.
float mem_pct(const Snapshot& s);

struct HistorySample {
  uint64_t unix_ms = 0;
  float cpu_pct = 0;
  float mem_pct = 0;
  float gpu_pct = 0;
  uint64_t disk_bps = 0;
  uint64_t net_bps = 0;
  uint32_t fps = 0;
  bool operator==(const HistorySample&) const = default;
};

HistorySample summarise(const Snapshot& s, uint64_t unix_ms);

// Fixed-capacity ring, oldest first. Storage is allocated once, in the constructor; pushing onto
// a full ring drops the oldest entry.
class HistoryRing {
 public:
  static constexpr size_t kCapacity = 360;
  HistoryRing();
  void push(const HistorySample& s);
  size_t size() const { return count_; }
  const HistorySample& at(size_t i) const;  // 0 is the oldest
  std::vector<HistorySample> to_vector() const;
  size_t capacity() const { return slots_.capacity(); }

 private:
  std::vector<HistorySample> slots_;
  size_t head_ = 0;  // index of the oldest entry
  size_t count_ = 0;
};

}  // namespace qv
