#pragma once
// Every log file the program appends to (the program log, the agent log, each alert rule's file)
// is kept below a fixed size, so a monitor left running for months, or a rule that fires on every
// sample, never fills the disk: the full file is set aside under one older name and a new one is
// begun. One generation is kept, so the lines just before the switch can still be read.
#include <cstdint>
#include <string>

namespace qv {

inline constexpr uint64_t kLogFileCapBytes = 10ull * 1024 * 1024;

// Whether `adding` bytes appended to a file of `current` bytes would take it past `cap`, so that
// the file must be set aside first. An empty file is never set aside: an append larger than the
// cap on its own is written whole rather than split or dropped.
bool log_append_needs_new_file(uint64_t current, uint64_t adding, uint64_t cap = kLogFileCapBytes);

// The name the full file is moved to: the same path with ".1" added ("zelmor.log.1").
std::wstring set_aside_log_path(const std::wstring& path);

}  // namespace qv
