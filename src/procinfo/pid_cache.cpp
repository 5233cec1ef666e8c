#include "procinfo/pid_cache.h"

#include <unordered_set>

namespace qv {

void forget_departed_pids(std::unordered_map<uint32_t, std::string>& cache, const std::vector<ProcessSample>& processes) {
  if (cache.empty()) return;
  std::unordered_set<uint32_t> present;
  present.reserve(processes.size());
  for (const ProcessSample& p : processes) present.insert(p.pid);
  std::erase_if(cache, [&](const auto& entry) { return !present.contains(entry.first); });
}

}  // namespace qv
