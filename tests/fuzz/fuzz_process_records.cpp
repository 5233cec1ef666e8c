// Process-record walker and command-line answer reader: any bytes, with any offsets, lengths and
// text pointers, are read without reading outside the buffer (ASan watches the exact-size copy),
// and the resulting process list keeps its invariants.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include "procinfo/apps.h"
#include "procinfo/process_records.h"
#include "util/utf.h"

namespace {
// Name pointers in the seeds are this base plus an offset into the input.
constexpr uint64_t kBase = 0x10000;
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  auto copy = std::make_unique<std::byte[]>(size ? size : 1);
  if (size) std::memcpy(copy.get(), data, size);
  const std::span<const std::byte> bytes(copy.get(), size);

  std::vector<qv::ProcessRecord> records;
  const size_t n = qv::walk_process_records(bytes, kBase, records);
  if (n != records.size()) std::abort();
  if (size < qv::process_record::kFixedSize ? n != 0 : n > size - qv::process_record::kFixedSize + 1) std::abort();
  for (const auto& r : records) {
    if (!qv::is_valid_utf8(r.name)) std::abort();
  }

  const std::string command_line = qv::command_line_from_answer(bytes, kBase);
  if (!qv::is_valid_utf8(command_line)) std::abort();
  (void)qv::role_label_from_command_line(command_line);

  qv::ProcessBaseline baseline;
  for (int round = 0; round < 2; ++round) {
    const auto samples = qv::build_process_samples(records, baseline, 1.0, 4, {});
    for (const auto& p : samples) {
      if (p.pid == 0 || p.name.empty()) std::abort();
      if (!(p.cpu_pct >= 0.0f && p.cpu_pct <= 100.0f)) std::abort();
      if (round == 0 && (p.cpu_pct != 0.0f || p.disk_bps != 0)) std::abort();
    }
    const auto apps = qv::rank_apps(qv::group_apps(samples, round, ""), 10, round == 1);
    if (apps.size() > 10) std::abort();
  }
  return 0;
}
