#pragma once
// One parsed alert rule: "tell me when this figure goes above/below this value".
#include <cstdint>
#include <string>

namespace qv {

enum class MachineMetric { Cpu, Ram, Gpu, Disk, Net, Fps, Sound };
enum class AppMeasure { Cpu, Ram, Disk, Net, Sound };

struct AlertMetric {
  bool is_app = false;
  MachineMetric machine = MachineMetric::Cpu;  // when !is_app
  std::string app_name;                        // when is_app: lower case
  AppMeasure app_measure = AppMeasure::Cpu;    // when is_app
  bool operator==(const AlertMetric&) const = default;
};

struct AlertRule {
  std::string text;  // the rule line exactly as stored
  std::string file;  // empty: no log file
  AlertMetric metric;
  double threshold = 0;
  uint64_t cooldown = 60;  // seconds
  bool above = true;
  bool include_top = false;
  bool enabled = true;
  bool notify = true;
  bool operator==(const AlertRule&) const = default;
};

}  // namespace qv
