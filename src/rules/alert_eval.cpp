#include "rules/alert_eval.h"

#include <unordered_set>

#include "util/lower.h"
#include "util/text.h"

namespace qv {
namespace {

constexpr double kMiB = 1048576.0;

// Per-app figures of one tick, keyed by the lower-cased image name, summed in list order. The
// rule's app name is lower-cased by the same function when the rule is read, so a name with
// non-ASCII capitals matches too.
struct AppSums {
  double cpu = 0;
  double ram_mib = 0;
  double disk_mibps = 0;
  double net_mibps = 0;
  double sound_pct = 0;
};

using AppTable = std::unordered_map<std::string, AppSums>;

AppTable app_table(const std::vector<ProcessSample>& processes) {
  AppTable table;
  table.reserve(processes.size());
  for (const ProcessSample& p : processes) {
    AppSums& sums = table[to_lower_utf8(p.name)];
    sums.cpu += p.cpu_pct;
    sums.ram_mib += static_cast<double>(p.ram_bytes) / kMiB;
    sums.disk_mibps += static_cast<double>(p.disk_bps) / kMiB;
    sums.net_mibps += static_cast<double>(p.net_bps) / kMiB;
    sums.sound_pct += static_cast<double>(p.audio_peak) * 100.0;
  }
  return table;
}

double app_value(const AlertMetric& metric, const AppTable& table) {
  const auto it = table.find(to_lower_utf8(metric.app_name));
  if (it == table.end()) return 0;
  switch (metric.app_measure) {
    case AppMeasure::Cpu: return it->second.cpu;
    case AppMeasure::Ram: return it->second.ram_mib;
    case AppMeasure::Disk: return it->second.disk_mibps;
    case AppMeasure::Net: return it->second.net_mibps;
    case AppMeasure::Sound: return it->second.sound_pct;
  }
  return 0;
}

std::optional<double> machine_value(MachineMetric metric, const Snapshot& tick) {
  switch (metric) {
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
    case MachineMetric::Fps:
      // Frame rates come from event tracing: without it there is no rate to be low or high.
      if (!tick.tracking_available) return std::nullopt;
      return tick.fps ? static_cast<double>(tick.fps->fps) : 0.0;
    case MachineMetric::Sound:
      if (!tick.audio_available) return std::nullopt;
      return static_cast<double>(tick.audio_peak) * 100.0;
  }
  return std::nullopt;
}

// The app table is built on the first app rule of a tick and reused by the others.
std::optional<double> value_of(const AlertMetric& metric, const Snapshot& tick, std::optional<AppTable>& apps) {
  if (!metric.is_app) return machine_value(metric.machine, tick);
  // Per-app peaks come from the last sound reading, however old: without one on this tick there
  // is nothing to judge.
  if (metric.app_measure == AppMeasure::Sound && !tick.audio_available) return std::nullopt;
  // Processor and disk shares need a baseline from the previous enumeration: the first one after
  // a pause, or a failed one, shows 0 for every process, which is no measurement at all.
  const bool needs_baseline = metric.app_measure == AppMeasure::Cpu || metric.app_measure == AppMeasure::Disk;
  if (needs_baseline && !tick.processes_measured) return std::nullopt;
  // Per-app network comes from event tracing: without it every app reads 0.
  if (metric.app_measure == AppMeasure::Net && !tick.per_app_network_available) return std::nullopt;
  if (!apps) apps = app_table(tick.processes);
  return app_value(metric, *apps);
}

}  // namespace

std::optional<double> measured_value(const AlertMetric& metric, const Snapshot& tick) {
  std::optional<AppTable> apps;
  return value_of(metric, tick, apps);
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

void LastFiring::record(const std::string& text, uint64_t now_ms) { last_ms_[text] = now_ms; }

void LastFiring::forget_all_but(const std::vector<AlertRule>& rules) {
  std::unordered_set<std::string_view> live;
  live.reserve(rules.size());
  for (const AlertRule& r : rules) live.insert(r.text);
  std::erase_if(last_ms_, [&](const auto& entry) { return !live.contains(entry.first); });
}

std::optional<uint64_t> LastFiring::last(const std::string& text) const {
  const auto it = last_ms_.find(text);
  if (it == last_ms_.end()) return std::nullopt;
  return it->second;
}

std::vector<AlertFiring> evaluate_rules(const std::vector<AlertRule>& rules, const Snapshot& tick, LastFiring& last,
                                        uint64_t now_ms, const LocalTime& local_now) {
  std::vector<AlertFiring> out;
  // Both worked out once per tick, and only when a rule needs them.
  std::optional<AppTable> apps;
  std::optional<std::vector<size_t>> busiest;
  for (const AlertRule& rule : rules) {
    if (!rule.enabled) continue;  // switched-off rules keep their last firing untouched
    const auto value = value_of(rule.metric, tick, apps);
    if (!value || !condition_holds(rule, *value)) continue;
    if (!last.cooled_down(rule.text, rule.cooldown, now_ms)) continue;
    // Only texts that left the list are dropped: a rule still in it keeps its cooldown however
    // many rules hold at once.
    if (last.size() >= LastFiring::kMaxEntries) last.forget_all_but(rules);
    last.record(rule.text, now_ms);

    // The top app of a tick whose processes were not measured would be a list of zeros.
    if (!busiest) busiest = tick.processes_measured ? busiest_processes(tick.processes, 5) : std::vector<size_t>{};
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
