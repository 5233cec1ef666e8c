#pragma once
// The sampler's process enumeration: the system's process list through
// NtQuerySystemInformation(SystemProcessInformation) into a buffer that is kept between ticks.
#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <vector>

#include "core/snapshot.h"
#include "procinfo/process_records.h"

namespace qv {

class ProcessTable {
 public:
  static constexpr int kAttempts = 4;

  ProcessTable();
  // The tick's process list, or empty (baseline untouched) when the system's list did not fit
  // after four attempts, each with twice the buffer of the one before. The buffer grows only
  // while the system says it is too small, and never beyond kProcessBufferMaxBytes.
  std::vector<ProcessSample> enumerate_processes(double dt, double logical_cpus, const PerProcessExtras& extras);
  // A tick that does not enumerate drops the baseline, so the next enumeration starts fresh.
  void forget_baseline() { baseline_.clear(); }
  // The previous enumeration left a baseline, so the next one measures real rates.
  bool has_baseline() const { return baseline_.size() != 0; }
  size_t buffer_bytes() const { return words_.size() * sizeof(uint64_t); }

 private:
  std::vector<uint64_t> words_;  // 8-byte aligned, as the system wants its buffer
  std::vector<ProcessRecord> records_;
  ProcessBaseline baseline_;
};

}  // namespace qv
