#pragma once
// The sampler worker thread: one tick per interval, published to the shared state.
#include <windows.h>

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <unordered_map>
#include <vector>

#include "audio/sound_meters_win.h"
#include "core/shared_state.h"
#include "etw/frame_take_win.h"
#include "gpu/gpu_counters_win.h"
#include "procinfo/process_enum_win.h"
#include "rules/alert_evaluator_win.h"
#include "sampler/drive_types.h"
#include "sampler/interface_traffic.h"
#include "sampler/tick_math.h"

namespace qv {

// Everything the sampler keeps between ticks; only the sampler thread touches it.
struct SamplerState {
  SamplerState(std::shared_ptr<SharedState> shared, HWND panel);

  HWND panel;  // receives WM_SAMPLE and WM_NOTIFY_QUEUED
  std::shared_ptr<SharedState> shared;
  double logical_cpus;
  int64_t previous_tick_ns;  // monotonic clock

  CpuTimes cpu_base;
  InterfaceBaseline net_base;
  CounterPairBaseline disk_base;
  DriveTypeCache drive_types;
  int64_t processes_base_ns = 0;  // when the process baseline was taken (monotonic clock)
  std::vector<CpuTimes> core_base;
  std::vector<std::byte> core_buffer;  // kCoreBufferBytes, reused
  bool core_report_logged = false;

  ProcessTable processes;
  std::unordered_map<uint32_t, uint64_t> net_by_pid_bps;
  std::unordered_map<uint32_t, float> gpu_by_pid;     // from the last graphics reading
  std::unordered_map<uint32_t, float> audio_by_pid;   // from the last sound reading

  GpuCounters gpu;
  SoundMeters sound;
  TraceTake trace;
  AlertEvaluator alerts;
};

// One tick. The priming tick (`first`) only sets the baselines: it publishes nothing.
void sample_tick(SamplerState& s, bool first);

// The sampler worker: one tick per interval, published to `state`, WM_SAMPLE to `panel`.
// Runs for the life of the process.
void run_sampler(std::shared_ptr<SharedState> state, HWND panel);

// The same loop, ending after the tick in progress once `stop` is set (tests and benchmarks).
void run_sampler_until(std::shared_ptr<SharedState> state, HWND panel, const std::atomic<bool>& stop);

}  // namespace qv
