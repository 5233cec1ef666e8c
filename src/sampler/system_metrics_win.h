#pragma once
// The system-wide readings of one tick, one system call (or a short sequence) each. Every
// reader returns false, or an empty list, when the system does not answer; the tick then
// leaves its figures at 0 and keeps the previous baseline.
#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "core/snapshot.h"
#include "sampler/drive_types.h"
#include "sampler/interface_traffic.h"
#include "sampler/tick_math.h"

namespace qv {

// Number of logical processors in every processor group (at least 1).
double logical_cpu_count();

bool read_system_times(CpuTimes& out);
bool read_memory(uint64_t& total_bytes, uint64_t& used_bytes);
// The counters of the interfaces that carry traffic of their own (up, not loopback, not a
// filter bound to an adapter).
bool read_network_interfaces(std::vector<InterfaceCounters>& out);
// The system's cumulative read and write transfer bytes.
bool read_disk_transfer(uint64_t& read_bytes, uint64_t& write_bytes);
// Fixed drives whose size could be read, in letter order. The letters are read when `read_letters`
// (or nothing is kept yet), otherwise the kept ones stand; their types are asked only when `types`
// says they may have changed.
std::vector<DriveInfo> read_drives(DriveTypeCache& types, bool read_letters);

// The per-processor times of every processor group into `buffer` (kCoreBufferBytes long), one
// group after another; the status, and on success the number of bytes the system wrote.
CoreQuery query_core_times(std::span<std::byte> buffer);

}  // namespace qv
