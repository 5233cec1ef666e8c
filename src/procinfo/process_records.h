#pragma once
// Reading the system's process list: the chain of variable-length records that
// NtQuerySystemInformation(SystemProcessInformation) writes, walked over a plain byte span so
// that no value in it (offsets, lengths, name pointers) can make us read outside the buffer;
// and turning the records into the tick's ProcessSample list with per-process rates.
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <unordered_map>
#include <vector>

#include "core/snapshot.h"

namespace qv {

// Byte offsets inside one record on 64-bit Windows (SYSTEM_PROCESS_INFORMATION). The first of
// the three 64-bit words after NumberOfThreads, reserved in the public headers, is the private
// working set (WorkingSetPrivateSize) in current systems.
namespace process_record {
inline constexpr size_t kNextEntryOffset = 0;       // u32, 0 on the last record
inline constexpr size_t kNumberOfThreads = 4;       // u32
inline constexpr size_t kWorkingSetPrivateSize = 8; // i64
inline constexpr size_t kCreateTime = 32;           // i64
inline constexpr size_t kUserTime = 40;             // i64, 100 ns
inline constexpr size_t kKernelTime = 48;           // i64, 100 ns
inline constexpr size_t kImageNameLength = 56;      // UNICODE_STRING: u16 length in bytes
inline constexpr size_t kImageNameMaximumLength = 58;
inline constexpr size_t kImageNameBuffer = 64;      // pointer into the same buffer
inline constexpr size_t kUniqueProcessId = 80;      // pointer-sized
inline constexpr size_t kWorkingSetSize = 144;      // SIZE_T, in VM_COUNTERS (starts at 112)
inline constexpr size_t kPrivatePageCount = 200;    // SIZE_T
inline constexpr size_t kReadTransferCount = 232;   // i64, in IO_COUNTERS (starts at 208)
inline constexpr size_t kWriteTransferCount = 240;  // i64
inline constexpr size_t kOtherTransferCount = 248;  // i64
inline constexpr size_t kFixedSize = 256;           // everything above lies in these bytes
}  // namespace process_record

// The process list's buffer starts at 512 KiB and doubles while the system says it is too small,
// up to this size (a list that large would mean hundreds of thousands of processes).
inline constexpr size_t kProcessBufferStartBytes = 524288;
inline constexpr size_t kProcessBufferMaxBytes = size_t{64} << 20;

// After a failed query of the process list into `current` bytes: the size to try next, or 0
// when growing cannot help (the failure was not about the size, or the cap is reached).
size_t grown_process_buffer_bytes(size_t current, uint32_t status);

// One record, decoded.
struct ProcessRecord {
  uint32_t pid = 0;
  std::string name;                // UTF-8; empty when the record has no usable name
  uint64_t working_set = 0;
  int64_t private_working_set = 0;
  uint64_t cpu_time = 0;           // user + kernel, 100 ns units
  uint64_t io_bytes = 0;           // read + write + other transfer bytes
};

// Walks the chain in `buffer` (the bytes the system returned). `base_address` is the address
// the buffer had when the system filled it: the records' name pointers are translated to
// offsets with it, and a name outside the buffer is not read. Replaces `out` with the records
// in chain order (pid 0 included) and returns their count.
size_t walk_process_records(std::span<const std::byte> buffer, uint64_t base_address,
                            std::vector<ProcessRecord>& out);

// What the previous enumeration saw of each process.
struct ProcessBase {
  uint64_t cpu_time = 0;
  uint64_t io_bytes = 0;
  bool operator==(const ProcessBase&) const = default;
};

// Map pid -> ProcessBase, rebuilt on every enumeration of a few thousand processes: flat
// open-addressed tables (pid 0, the idle process, is never stored and marks a free slot). A
// rebuild fills a second table while the current one is still read, then swaps them, so a
// steady tick allocates nothing.
class ProcessBaseline {
 public:
  const ProcessBase* find(uint32_t pid) const { return current_.find(pid); }
  bool contains(uint32_t pid) const { return find(pid) != nullptr; }
  size_t size() const { return current_.count; }
  void insert_or_assign(uint32_t pid, const ProcessBase& base) { current_.insert_or_assign(pid, base); }
  void clear() { current_.clear(); }

  void begin_rebuild(size_t expected);
  void stage(uint32_t pid, const ProcessBase& base) { next_.insert_or_assign(pid, base); }
  void finish_rebuild();  // the staged entries become the baseline

 private:
  struct Slot {
    uint32_t pid = 0;
    ProcessBase base;
  };
  struct Table {
    std::vector<Slot> slots;  // size is 0 or a power of two, at most half full
    size_t count = 0;
    void reserve(size_t n);
    size_t slot_of(uint32_t pid) const;
    void insert_or_assign(uint32_t pid, const ProcessBase& base);
    const ProcessBase* find(uint32_t pid) const;
    void clear();
  };
  Table current_, next_;
};

// The figures measured elsewhere that the process list picks up per pid.
struct PerProcessExtras {
  const std::unordered_map<uint32_t, uint64_t>* net_bps = nullptr;
  const std::unordered_map<uint32_t, float>* gpu_pct = nullptr;
  const std::unordered_map<uint32_t, float>* audio_peak = nullptr;
};

// The tick's process list from the walked records: skips pid 0, names nameless records
// "System", computes CPU share and disk rate against `baseline` over `dt` seconds, and
// replaces `baseline` with what this enumeration saw (so vanished pids are forgotten).
std::vector<ProcessSample> build_process_samples(const std::vector<ProcessRecord>& records,
                                                 ProcessBaseline& baseline, double dt,
                                                 double logical_cpus, const PerProcessExtras& extras);

}  // namespace qv
