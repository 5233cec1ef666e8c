#include "rules/alert_eval.h"

#include "util/text.h"

namespace qv {
namespace {

constexpr double kMiB = 1048576.0;

double app_value(const AlertMetric& metric, const std::vector<ProcessSample>& processes) {
  double sum = 0;
  for (const ProcessSample& p : processes) {
    if (!iequals_ascii(p.name, metric.app_name)) continue;
    switch (metric.app_measure) {
      case AppMeasure::Cpu: sum += p.cpu_pct; break;
      case AppMeasure::Ram: sum += static_cast<double>(p.ram_bytes) / kMiB; break;
      case AppMeasure::Disk: sum += static_cast<double>(p.disk_bps) / kMiB; break;
      case AppMeasure::Net: sum += static_cast<double>(p.net_bps) / kMiB; break;
      case AppMeasure::Sound: sum += static_cast<double>(p.audio_peak) * 100.0; break;
    }
  }
  return sum;
}

}  // namespace

std::optional<double> measured_value(const AlertMetric& metric, const Snapshot& tick) {
  if (metric.is_app) return app_value(metric, tick.processes);
  switch (metric.machine) {
    case MachineMetric::Cpu: return tick.cpu_pct;
    case MachineMetric::Ram:
      if (tick.mem_total_bytes == 0) return std::nullopt;
      return static_cast<double>(tick.mem_used_bytes) / static_cast<double>(tick.mem_total_bytes) * 100.0;
    case MachineMetric::Gpu:
      if (!tick.gpu_available) return std::nullopt;
      return tick.gpu_pct;
    case MachineMetric::Disk:
      // Summed in floating point: two rates near the top of the range must not wrap.
      return (static_cast<double>(tick.disk_read_bps) + static_cast<double>(tick.disk_write_bps)) / kMiB;
    case MachineMetric::Net:
      return (static_cast<double>(tick.net_rx_bps) + static_cast<double>(tick.net_tx_bps)) / kMiB;
    case MachineMetric::Fps: return tick.fps ? static_cast<double>(tick.fps->fps) : 0.0;
    case MachineMetric::Sound: return static_cast<double>(tick.audio_peak) * 100.0;
  }
  return std::nullopt;
}

bool condition_holds(const AlertRule& rule, double value) {
  return rule.above ? value > rule.threshold : rule.threshold > value;
}

bool LastFiring::cooled_down(const std::string& text, uint64_t cooldown_s, uint64_t now_ms) const {
  const auto it = last_ms_.find(text);
  if (it == last_ms_.end()) return true;
  const uint64_t elapsed_s = now_ms >= it->second ? (now_ms - it->second) / 1000 : 0;
  return elapsed_s >= cooldown_s;
}

void LastFiring::record(const std::string& text, uint64_t now_ms) {
  if (last_ms_.size() >= kMaxEntries) last_ms_.clear();
  last_ms_[text] = now_ms;
}

std::optional<uint64_t> LastFiring::last(const std::string& text) const {
  const auto it = last_ms_.find(text);
  if (it == last_ms_.end()) return std::nullopt;
  return it->second;
}

std::vector<AlertFiring> evaluate_rules(const std::vector<AlertRule>& rules, const Snapshot& tick, LastFiring& last,
                                        uint64_t now_ms, const LocalTime& local_now) {
  std::vector<AlertFiring> out;
  std::optional<std::vector<size_t>> busiest;  // worked out on the first firing only
  for (const AlertRule& rule : rules) {
    if (!rule.enabled) continue;  // switched-off rules keep their last firing untouched
    const auto value = measured_value(rule.metric, tick);
    if (!value || !condition_holds(rule, *value)) continue;
    if (!last.cooled_down(rule.text, rule.cooldown, now_ms)) continue;
    last.record(rule.text, now_ms);

    if (!busiest) busiest = busiest_processes(tick.processes, 5);
    AlertFiring firing;
    const std::string_view path = trim(rule.file);
    if (!path.empty()) {
      firing.log_path = std::string(path);
      firing.log_line = alert_log_line(rule, *value, tick, *busiest, local_now);
    }
    if (rule.notify) {
      firing.notification = NotificationEntry{alert_title(rule), alert_body(rule, *value, tick, *busiest), false};
    }
    if (!firing.log_path.empty() || firing.notification) out.push_back(std::move(firing));
  }
  return out;
}

}  // namespace qv
