// The sampler thread: sleeps for the interval, measures the machine, publishes one Snapshot
// and one history entry per tick, and wakes the panel. The order of the steps in a tick is
// fixed: later steps use what earlier ones measured (the process list takes the graphics,
// sound and network figures of this tick; the alerts see the finished record).
#include "sampler/sampler_thread_win.h"

#include <chrono>
#include <mutex>
#include <span>
#include <utility>

#include "agents/agent_housekeeping_win.h"
#include "core/messages.h"
#include "rules/rule_needs.h"
#include "sampler/publish.h"
#include "sampler/system_metrics_win.h"
#include "util/program_log_win.h"

namespace qv {
namespace {

int64_t monotonic_ns() {
  return std::chrono::duration_cast<std::chrono::nanoseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

void measure_cpu(SamplerState& s, Snapshot& snap) {
  CpuTimes now;
  if (!read_system_times(now)) return;
  snap.cpu_pct = system_cpu_pct(now, s.cpu_base);
  s.cpu_base = now;
}

// Both rates cover the time since their baseline was read, which is more than one interval
// after a failed reading.
void measure_network(SamplerState& s, Snapshot& snap, int64_t now_ns) {
  std::vector<InterfaceCounters> interfaces;
  if (!read_network_interfaces(interfaces)) return;
  const PairRates r = advance(s.net_base, std::move(interfaces), now_ns);
  snap.net_rx_bps = r.first;
  snap.net_tx_bps = r.second;
}

void measure_disk(SamplerState& s, Snapshot& snap, int64_t now_ns) {
  uint64_t read = 0, write = 0;
  if (!read_disk_transfer(read, write)) return;
  const PairRates r = advance(s.disk_base, read, write, now_ns);
  snap.disk_read_bps = r.first;
  snap.disk_write_bps = r.second;
}

void measure_cores(SamplerState& s, Snapshot& snap) {
  const CoreQuery q = query_core_times(s.core_buffer);
  if (q.status < 0) {
    if (!s.core_report_logged) {
      s.core_report_logged = true;
      log_line(core_failure_line(static_cast<uint32_t>(q.status)));
    }
    return;
  }
  const size_t n = q.returned / kCoreEntryBytes;
  if (!s.core_report_logged) {
    s.core_report_logged = true;
    log_line(core_report_line(n, q.returned, s.logical_cpus));
  }
  snap.per_core_pct = core_loads(std::span<const std::byte>(s.core_buffer.data(), q.returned), s.core_base);
}

std::vector<AlertRule> switched_on_rules(SharedState& shared) {
  std::vector<AlertRule> on;
  std::lock_guard lock(shared.rules_mutex);
  for (const AlertRule& r : shared.rules) {
    if (r.enabled) on.push_back(r);
  }
  return on;
}

}  // namespace

SamplerState::SamplerState(std::shared_ptr<SharedState> shared_state, HWND panel_window)
    : panel(panel_window),
      shared(std::move(shared_state)),
      logical_cpus(logical_cpu_count()),
      previous_tick_ns(monotonic_ns()),
      core_buffer(kCoreBufferBytes) {}

void sample_tick(SamplerState& s, bool first) {
  SharedState& shared = *s.shared;
  Snapshot snap;

  const int64_t now_ns = monotonic_ns();
  const double dt = elapsed_seconds(s.previous_tick_ns, now_ns);
  s.previous_tick_ns = now_ns;

  measure_cpu(s, snap);
  read_memory(snap.mem_total_bytes, snap.mem_used_bytes);
  measure_network(s, snap, now_ns);
  measure_disk(s, snap, now_ns);
  const bool detail = is_detail_tick(shared.panel_open.load(), steady_now_ms(), shared.detail_until_ms.load(), first);
  const bool volumes_announced = shared.drives_changed.exchange(false);
  snap.drives = read_drives(s.drive_types, drive_letters_due(s.drive_types, detail, volumes_announced));

  snap.tracking_available = shared.frame_tracking_active.load();
  snap.per_app_network_available = shared.per_app_network_available.load();
  s.trace.take_frame_rates(shared, dt, snap);
  s.trace.take_network(shared, dt, s.net_by_pid_bps);

  const std::vector<AlertRule> rules = switched_on_rules(shared);
  const RuleNeeds needs = rule_needs(rules);
  const TickMeasures measures = first ? priming_tick_measures() : tick_measures(detail, needs);

  if (measures.gpu) {
    snap.gpu_available = s.gpu.read(snap.gpu_pct, s.gpu_by_pid, clamp_interval_ms(shared.interval_ms.load()));
    if (!snap.gpu_available) snap.gpu_pct = 0;
  }

  if (measures.sound) {
    snap.audio_available = s.sound.read(snap.audio_peak, s.audio_by_pid);
    if (!snap.audio_available) snap.audio_peak = 0;
  }
  if (measures.cores) {
    measure_cores(s, snap);
  } else {
    s.core_base.clear();
  }

  if (measures.processes) {
    const PerProcessExtras extras{&s.net_by_pid_bps, &s.gpu_by_pid, &s.audio_by_pid};
    const bool measured = s.processes.has_baseline();
    // A failed enumeration keeps the baseline: the next one divides by the time since it.
    const double since_baseline = elapsed_seconds(s.processes_base_ns, now_ns);
    snap.processes = s.processes.enumerate_processes(since_baseline, s.logical_cpus, extras);
    if (!snap.processes.empty()) s.processes_base_ns = now_ns;
    snap.processes_measured = measured && !snap.processes.empty();
  } else {
    s.processes.forget_baseline();
  }

  if (first) return;

  if (agent_housekeeping(shared, unix_now_ms())) PostMessageW(s.panel, kWmNotifyQueued, 0, 0);
  s.alerts.evaluate(rules, snap, shared, s.panel);

  const HistorySample summary = summarise(snap, unix_now_ms());
  publish(shared, std::move(snap), summary);
}

void run_sampler_until(std::shared_ptr<SharedState> state, HWND panel, const std::atomic<bool>& stop) {
  SamplerState s(std::move(state), panel);
  sample_tick(s, true);
  while (!stop.load()) {
    Sleep(clamp_interval_ms(s.shared->interval_ms.load()));
    if (stop.load()) break;
    sample_tick(s, false);
    PostMessageW(s.panel, kWmSample, 0, 0);
  }
}

void run_sampler(std::shared_ptr<SharedState> state, HWND panel) {
  static const std::atomic<bool> never{false};
  run_sampler_until(std::move(state), panel, never);
}

}  // namespace qv
