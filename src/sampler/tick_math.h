#pragma once
// The arithmetic of one sampling tick, kept apart from the system calls so that it can be
// checked with made-up counter readings: rates from cumulative counters, busy shares of
// processor time, the per-core table, the tick's log texts and the detail decision.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <vector>

#include "core/snapshot.h"
#include "util/counter_rate.h"

namespace qv {

// Clamps the sampling interval to the period the sampler uses: 250 to 10000 ms.
uint32_t clamp_interval_ms(uint32_t interval_ms);

// Seconds between two monotonic readings in nanoseconds; 0 if the clock went backwards, and
// never below 1 ms, so that rates are always divided by something sensible.
double elapsed_seconds(int64_t previous_ns, int64_t now_ns);

// Two cumulative counters (read and write, received and sent) and when they were read. A failed
// reading leaves the baseline as it was, so the next rate divides the change since the baseline
// by the time since the baseline rather than by one interval.
struct CounterPairBaseline {
  bool set = false;
  uint64_t first = 0, second = 0;
  int64_t taken_ns = 0;  // monotonic clock
};

struct PairRates {
  uint64_t first = 0, second = 0;
  bool operator==(const PairRates&) const = default;
};

// Rates of this reading against `base` (0 while there is none); `base` becomes this reading.
PairRates advance(CounterPairBaseline& base, uint64_t first, uint64_t second, int64_t now_ns);

// Idle and total (kernel + user, kernel including idle) processor time, 100 ns units.
struct CpuTimes {
  uint64_t idle = 0;
  uint64_t total = 0;
  bool operator==(const CpuTimes&) const = default;
};

// Busy share of the time between `base` and `now`, 0..100; 0 when no time passed.
float busy_pct(const CpuTimes& now, const CpuTimes& base);

// The machine's processor load: like busy_pct, but 0 while there is no baseline yet.
float system_cpu_pct(const CpuTimes& now, const CpuTimes& base);

// One 48-byte entry of the per-processor answer: idle, kernel (with idle), user time first.
inline constexpr size_t kCoreEntryBytes = 48;
// The buffer handed to the per-core query: room for 256 logical processors.
inline constexpr size_t kCoreBufferBytes = 12288;

// The outcome of a per-processor query: an NTSTATUS (negative on failure) and, on success, the
// number of bytes written.
struct CoreQuery {
  int32_t status = 0;
  size_t returned = 0;
};

// The per-processor answer of the whole machine. The system answers for one processor group per
// query (at most 64 processors), so a machine with more asks each group in turn: `query_group`
// writes group g's entries at the start of the span it is given. The groups' entries follow one
// another in `buffer`; a failed group fails the whole reading, and a group that does not fit is
// cut at a whole entry.
CoreQuery query_all_groups(uint16_t groups, std::span<std::byte> buffer,
                           const std::function<CoreQuery(uint16_t group, std::span<std::byte> out)>& query_group);

// Turns the per-processor answer (`returned` bytes of it) into one load per core, measured
// against `baseline`, which is then replaced by this reading. Cores without a baseline show 0.
std::vector<float> core_loads(std::span<const std::byte> returned, std::vector<CpuTimes>& baseline);

// The processor count that per-process shares are divided by. A process may run on every
// processor group, so the count of all groups is used; the count of one group (what the older
// system information call reports, at most 64) only when that is unknown (0). Never below 1.
double logical_processor_count(uint32_t all_groups, uint32_t one_group);

// The one line the first per-core query writes to the program log, on success or failure.
std::string core_report_line(size_t cores, size_t returned_bytes, double logical_cpus);
std::string core_failure_line(uint32_t status);

// One drive's figures from the free-space query. Under a disk quota the total is the caller's
// share while the volume's free space can be larger, so free and total are both the caller's
// figures, and free never exceeds total.
DriveInfo drive_space(char letter, uint64_t available_to_caller, uint64_t total_for_caller);

// A detail tick measures everything: the panel is shown, the pipe asked recently, or it is
// the priming tick.
bool is_detail_tick(bool panel_open, uint64_t now_ms, uint64_t detail_until_ms, bool first);

}  // namespace qv
