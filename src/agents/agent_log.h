#pragma once
// Lines of the append-only agent log: one per finished agent.
#include <cstdint>
#include <string>

#include "core/agent.h"

namespace qv {

struct LocalDateTime {
  int year = 1970, month = 1, day = 1, hour = 0, minute = 0, second = 0;
};

// "45s", "1m 05s", "2h 05m"; a finish before the start counts as 0.
std::string format_agent_duration(uint64_t started_ms, uint64_t finished_ms);
// "2026-12-07 21:05:09 | agent done | title | detail | 1m 05s" and a line feed.
std::string format_agent_log_line(const FinishedAgent& entry, const LocalDateTime& written_at);

}  // namespace qv
