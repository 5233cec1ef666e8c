#pragma once
// The sampler's process enumeration: the system's process list through
// NtQuerySystemInformation(SystemProcessInformation) into a buffer that is kept between ticks.
#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <memory>
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
  size_t buffer_bytes() const { return word_count_ * sizeof(uint64_t); }

 private:
  // 8-byte aligned, as the system wants its buffer. Left uninitialised: the system writes the
  // part it uses, and the pages it never writes are never made resident.
  std::unique_ptr<uint64_t[]> words_;
  size_t word_count_ = 0;
  std::vector<ProcessRecord> records_;
  ProcessBaseline baseline_;
};

}  // namespace qv
