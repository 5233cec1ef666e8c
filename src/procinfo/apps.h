#pragma once
// Turning a Snapshot's process list into apps: grouping by image name, ranking, the running
// test, role labels of multi-process apps, and the process-row filter.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/snapshot.h"

namespace qv {

// 0 CPU, 1 RAM, 2 GPU, 3 disk, 4 network, 5 sound; anything else is CPU.
double metric_value(const ProcessSample& p, int selector);

struct App {
  std::string name;
  double sum = 0;
  std::vector<uint32_t> pids;  // in process-list order
};

// `filter_lower` empty: every process; otherwise only names whose lower case contains it.
std::vector<App> group_apps(const std::vector<ProcessSample>& processes, int selector, std::string_view filter_lower);
// The panel's ranking: sum > 0 (or all apps when `filtered`), largest first, ties by lower-case name.
std::vector<App> rank_apps(std::vector<App> apps, size_t count, bool filtered);
bool is_running(const std::vector<ProcessSample>& processes, std::string_view name);

// The role of a process from its command line ("Main process", "GPU process", "Renderer", ...).
std::string role_label_from_command_line(std::string_view command_line);
// Inserts a space before every ASCII capital that is not the first character.
std::string split_into_words(std::string_view text);
bool matches_filter(uint32_t pid, std::string_view label, std::string_view filter_lower);

}  // namespace qv
