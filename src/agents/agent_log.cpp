#include "agents/agent_log.h"

#include <cstdio>

namespace qv {

std::string format_agent_duration(uint64_t started_ms, uint64_t finished_ms) {
  const uint64_t ms = finished_ms > started_ms ? finished_ms - started_ms : 0;
  const unsigned long long s = ms / 1000;
  char buf[48];
  if (ms < 60'000) {
    std::snprintf(buf, sizeof buf, "%llus", s);
  } else if (ms < 3'600'000) {
    std::snprintf(buf, sizeof buf, "%llum %02llus", s / 60, s % 60);
  } else {
    std::snprintf(buf, sizeof buf, "%lluh %02llum", s / 3600, (s / 60) % 60);
  }
  return buf;
}

std::string format_agent_log_line(const FinishedAgent& entry, const LocalDateTime& t) {
  char stamp[40];
  std::snprintf(stamp, sizeof stamp, "%04d-%02d-%02d %02d:%02d:%02d", t.year, t.month, t.day, t.hour, t.minute,
                t.second);
  std::string line = stamp;
  line += " | agent ";
  line += entry.status;
  line += " | ";
  line += entry.title;
  line += " | ";
  line += entry.detail;
  line += " | ";
  line += format_agent_duration(entry.started_ms, entry.finished_ms);
  line.push_back('\n');
  return line;
}

}  // namespace qv
