#include "rules/alert_texts.h"

#include <array>
#include <cmath>
#include <cstdio>
#include <limits>

#include "util/format.h"

namespace qv {
namespace {

constexpr double kMiB = 1048576.0;

bool is_machine(const AlertMetric& m, MachineMetric which) { return !m.is_app && m.machine == which; }

// Saturating conversion for values that are meant to be counts.
uint64_t to_u64_saturating(double v) {
  if (!(v > 0)) return 0;
  if (v >= 18446744073709551616.0) return std::numeric_limits<uint64_t>::max();
  return static_cast<uint64_t>(v);
}

int64_t truncate_to_i64(double v) {
  if (std::isnan(v)) return 0;
  if (v >= 9223372036854775808.0) return std::numeric_limits<int64_t>::max();
  if (v <= -9223372036854775808.0) return std::numeric_limits<int64_t>::min();
  return static_cast<int64_t>(v);
}

// The busier of two processes; NaN counts as idle so the order stays a strict weak order.
bool busier(float a, float b) {
  const float x = std::isnan(a) ? -std::numeric_limits<float>::infinity() : a;
  const float y = std::isnan(b) ? -std::numeric_limits<float>::infinity() : b;
  return x > y;
}

}  // namespace

std::string format_log_stamp(const LocalTime& t) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "[%04d-%02d-%02d %02d:%02d:%02d]", t.year, t.month, t.day, t.hour, t.minute,
                t.second);
  return buf;
}

std::string format_fixed(double value, int decimals) {
  // The largest doubles need over 300 digits; ask for the length first.
  const int n = std::snprintf(nullptr, 0, "%.*f", decimals, value);
  if (n <= 0) return {};
  std::string out(static_cast<size_t>(n) + 1, '\0');
  std::snprintf(out.data(), out.size(), "%.*f", decimals, value);
  out.resize(static_cast<size_t>(n));
  if (out == "-0" || out == "-0.0") out.erase(0, 1);  // a tiny negative is shown as zero
  return out;
}

std::string metric_label(const AlertMetric& m) {
  if (m.is_app) {
    switch (m.app_measure) {
      case AppMeasure::Cpu: return m.app_name + " CPU";
      case AppMeasure::Ram: return m.app_name + " RAM";
      case AppMeasure::Disk: return m.app_name + " disk";
      case AppMeasure::Net: return m.app_name + " network";
      case AppMeasure::Sound: return m.app_name + " sound";
    }
    return m.app_name;
  }
  switch (m.machine) {
    case MachineMetric::Cpu: return "CPU";
    case MachineMetric::Ram: return "RAM";
    case MachineMetric::Gpu: return "GPU";
    case MachineMetric::Disk: return "Disk";
    case MachineMetric::Net: return "Network";
    case MachineMetric::Fps: return "Frame rate";
    case MachineMetric::Sound: return "Sound";
  }
  return {};
}

std::string metric_value_text(const AlertMetric& m, double value) {
  if (m.is_app) {
    switch (m.app_measure) {
      case AppMeasure::Ram: return format_bytes(to_u64_saturating(value * kMiB));
      case AppMeasure::Disk:
      case AppMeasure::Net: return format_fixed(value, 1) + " MB/s";
      case AppMeasure::Cpu:
      case AppMeasure::Sound: return format_fixed(value, 0) + "%";
    }
    return {};
  }
  if (is_machine(m, MachineMetric::Disk) || is_machine(m, MachineMetric::Net)) return format_fixed(value, 1) + " MB/s";
  if (is_machine(m, MachineMetric::Fps)) return format_fixed(value, 0) + " fps";
  return format_fixed(value, 0) + "%";
}

std::string threshold_text(const AlertMetric& m, double threshold) {
  std::string text = std::to_string(truncate_to_i64(threshold));
  if (m.is_app) return text;
  if (is_machine(m, MachineMetric::Disk) || is_machine(m, MachineMetric::Net)) return text + " MB/s";
  if (is_machine(m, MachineMetric::Fps)) return text + " fps";
  return text + "%";
}

std::vector<size_t> busiest_processes(const std::vector<ProcessSample>& processes, size_t count) {
  // A small insertion-sorted selection: one pass, and later equals never overtake earlier ones.
  std::vector<size_t> top;
  if (count == 0) return top;
  top.reserve(count + 1);
  for (size_t i = 0; i < processes.size(); ++i) {
    if (top.size() == count && !busier(processes[i].cpu_pct, processes[top.back()].cpu_pct)) continue;
    size_t at = top.size();
    while (at > 0 && busier(processes[i].cpu_pct, processes[top[at - 1]].cpu_pct)) --at;
    top.insert(top.begin() + static_cast<std::ptrdiff_t>(at), i);
    if (top.size() > count) top.pop_back();
  }
  return top;
}

std::string alert_log_line(const AlertRule& rule, double value, const Snapshot& tick,
                           const std::vector<size_t>& busiest, const LocalTime& now) {
  std::string line = format_log_stamp(now) + " value=" + format_fixed(value, 1) + " (rule: " + rule.text + ")";
  if (rule.include_top && !busiest.empty()) {
    line += " | top: ";
    bool first = true;
    for (size_t i : busiest) {
      if (i >= tick.processes.size()) continue;
      const ProcessSample& p = tick.processes[i];
      if (!first) line += ", ";
      first = false;
      line += p.name + " cpu=" + format_fixed(p.cpu_pct, 1) + "% ram=" + format_bytes(p.ram_bytes);
    }
  }
  return line;
}

std::string alert_title(const AlertRule& rule) {
  return "Alert: " + metric_label(rule.metric) + (rule.above ? " above " : " below ") +
         threshold_text(rule.metric, rule.threshold);
}

std::string alert_body(const AlertRule& rule, double value, const Snapshot& tick, const std::vector<size_t>& busiest) {
  std::string body = metric_label(rule.metric) + " reached " + metric_value_text(rule.metric, value) + ".";
  if (!busiest.empty() && busiest.front() < tick.processes.size()) {
    const ProcessSample& p = tick.processes[busiest.front()];
    body += " Top app: " + p.name + " at " + format_fixed(p.cpu_pct, 0) + "% CPU.";
  }
  return body;
}

}  // namespace qv
