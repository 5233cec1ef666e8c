#include "procinfo/process_enum_win.h"

#include <winternl.h>

#include <cstddef>

namespace qv {
namespace {

// Our record layout must agree with the system headers wherever they name the field.
namespace pr = process_record;
static_assert(offsetof(SYSTEM_PROCESS_INFORMATION, NextEntryOffset) == pr::kNextEntryOffset);
static_assert(offsetof(SYSTEM_PROCESS_INFORMATION, ImageName) == pr::kImageNameLength);
static_assert(offsetof(SYSTEM_PROCESS_INFORMATION, ImageName) + offsetof(UNICODE_STRING, Buffer) ==
              pr::kImageNameBuffer);
static_assert(offsetof(SYSTEM_PROCESS_INFORMATION, UniqueProcessId) == pr::kUniqueProcessId);
static_assert(offsetof(SYSTEM_PROCESS_INFORMATION, PrivatePageCount) == pr::kPrivatePageCount);
static_assert(sizeof(SYSTEM_PROCESS_INFORMATION) <= pr::kFixedSize);
#ifdef __MINGW32__
// mingw-w64 names more fields than the Windows SDK, which hides them in reserved arrays.
static_assert(offsetof(SYSTEM_PROCESS_INFORMATION, NumberOfThreads) == pr::kNumberOfThreads);
static_assert(offsetof(SYSTEM_PROCESS_INFORMATION, Reserved) == pr::kWorkingSetPrivateSize);
static_assert(offsetof(SYSTEM_PROCESS_INFORMATION, CreateTime) == pr::kCreateTime);
static_assert(offsetof(SYSTEM_PROCESS_INFORMATION, UserTime) == pr::kUserTime);
static_assert(offsetof(SYSTEM_PROCESS_INFORMATION, KernelTime) == pr::kKernelTime);
static_assert(offsetof(SYSTEM_PROCESS_INFORMATION, VirtualMemoryCounters) + offsetof(VM_COUNTERS, WorkingSetSize) ==
              pr::kWorkingSetSize);
static_assert(offsetof(SYSTEM_PROCESS_INFORMATION, IoCounters) + offsetof(IO_COUNTERS, ReadTransferCount) ==
              pr::kReadTransferCount);
static_assert(offsetof(SYSTEM_PROCESS_INFORMATION, IoCounters) + offsetof(IO_COUNTERS, WriteTransferCount) ==
              pr::kWriteTransferCount);
static_assert(offsetof(SYSTEM_PROCESS_INFORMATION, IoCounters) + offsetof(IO_COUNTERS, OtherTransferCount) ==
              pr::kOtherTransferCount);
static_assert(sizeof(SYSTEM_PROCESS_INFORMATION) == pr::kFixedSize);
#else
static_assert(offsetof(SYSTEM_PROCESS_INFORMATION, WorkingSetSize) == pr::kWorkingSetSize);
#endif

constexpr ULONG kSystemProcessInformation = 5;

}  // namespace

ProcessTable::ProcessTable()
    : words_(new uint64_t[kProcessBufferStartBytes / sizeof(uint64_t)]),
      word_count_(kProcessBufferStartBytes / sizeof(uint64_t)) {}

std::vector<ProcessSample> ProcessTable::enumerate_processes(double dt, double logical_cpus, const PerProcessExtras& extras) {
  for (int attempt = 0; attempt < kAttempts; ++attempt) {
    ULONG returned = 0;
    const NTSTATUS status =
        NtQuerySystemInformation(static_cast<SYSTEM_INFORMATION_CLASS>(kSystemProcessInformation), words_.get(),
                                 static_cast<ULONG>(buffer_bytes()), &returned);
    if (status >= 0) {
      const size_t length = returned < buffer_bytes() ? returned : buffer_bytes();
      const std::span<const std::byte> bytes(reinterpret_cast<const std::byte*>(words_.get()), length);
      walk_process_records(bytes, reinterpret_cast<uintptr_t>(words_.get()), records_);
      return build_process_samples(records_, baseline_, dt, logical_cpus, extras);
    }
    const size_t grown = grown_process_buffer_bytes(buffer_bytes(), static_cast<uint32_t>(status));
    if (grown == 0) break;
    // The old contents are of no use: a fresh block, again left for the system to fill.
    word_count_ = grown / sizeof(uint64_t);
    words_.reset(new uint64_t[word_count_]);
  }
  return {};
}

}  // namespace qv
