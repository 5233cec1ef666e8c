#pragma once
// The words an alert is delivered in: the line appended to a rule's log file, and the title and
// body of the desktop notification.
#include <cstdint>
#include <string>
#include <vector>

#include "core/alert_rule.h"
#include "core/snapshot.h"

namespace qv {

// Wall-clock time in the machine's own zone, as written at the start of a log line.
struct LocalTime {
  int year = 1970;
  int month = 1;
  int day = 1;
  int hour = 0;
  int minute = 0;
  int second = 0;
};

// "[2026-03-01 09:05:07]".
std::string format_log_stamp(const LocalTime& t);
// The value with `decimals` digits after the point, rounded to nearest ("95.4", "2", "-0.5").
std::string format_fixed(double value, int decimals);

// "CPU", "Network", "chrome.exe RAM", ...
std::string metric_label(const AlertMetric& metric);
// The measured value as the notification shows it: "95%", "2.3 MB/s", "60 fps", "1.5 GB".
std::string metric_value_text(const AlertMetric& metric, double value);
// The threshold truncated toward zero (saturating; not a number gives 0) with its unit: "90%",
// "1 MB/s", and no unit for app metrics.
std::string threshold_text(const AlertMetric& metric, double threshold);

// Up to `count` processes by processor use, busiest first; equal values keep their list order.
// Returned as indices into `processes`.
std::vector<size_t> busiest_processes(const std::vector<ProcessSample>& processes, size_t count);

// The texts below take `busiest` = busiest_processes(tick.processes, 5), worked out once per tick.

// "[stamp] value=95.4 (rule: cpu>90)", with " | top: ..." when the rule asks for the top
// processes and the tick enumerated them. No line feed.
std::string alert_log_line(const AlertRule& rule, double value, const Snapshot& tick,
                           const std::vector<size_t>& busiest, const LocalTime& now);
// "Alert: CPU above 90%".
std::string alert_title(const AlertRule& rule);
// "CPU reached 95%." and, when the tick enumerated processes, " Top app: x.exe at 40% CPU.".
std::string alert_body(const AlertRule& rule, double value, const Snapshot& tick, const std::vector<size_t>& busiest);

}  // namespace qv
