#pragma once
// Role labels of the processes of multi-process apps, read from their command lines.
#include <cstddef>
#include <cstdint>
#include <string>
#include <unordered_map>

namespace qv {

using RoleLabelCache = std::unordered_map<uint32_t, std::string>;

// The longest role label kept, in characters; a longer one is cut and ends in "…".
inline constexpr size_t kRoleLabelMaxChars = 40;

// The process's command line, or empty when the process cannot be opened or read.
std::string process_command_line(uint32_t pid);

// The cached label of `pid`, or the label of its command line, cleaned of control and direction
// characters and capped, cached from then on (an unreadable process gets an empty label, cached
// too). The caller bounds the cache.
std::string role_label(uint32_t pid, RoleLabelCache& cache);

}  // namespace qv
