#pragma once
// Caches keyed by pid forget a pid once it has left the process list: the system hands a pid that
// was let go to the next process it starts, which must not inherit the old one's entry.
#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "core/snapshot.h"

namespace qv {

// Drops the entries of pids that are not in `processes`.
void forget_departed_pids(std::unordered_map<uint32_t, std::string>& cache, const std::vector<ProcessSample>& processes);

}  // namespace qv
