#include "procinfo/process_records.h"

#include <algorithm>
#include <cstring>

#include "sampler/tick_math.h"
#include "util/utf.h"

namespace qv {
namespace {

template <typename T>
T load(const std::byte* at) {
  T v;
  std::memcpy(&v, at, sizeof v);  // records need not be aligned in a hostile buffer
  return v;
}

// The image name, or empty when it is absent or does not lie wholly inside the buffer.
std::string read_name(std::span<const std::byte> buffer, const std::byte* record, uint64_t base_address) {
  const size_t length = load<uint16_t>(record + process_record::kImageNameLength) & ~size_t{1};
  const uint64_t pointer = load<uint64_t>(record + process_record::kImageNameBuffer);
  if (length == 0 || pointer == 0 || pointer < base_address) return {};
  const uint64_t offset = pointer - base_address;
  if (offset > buffer.size() || buffer.size() - offset < length) return {};
  std::u16string units(length / 2, u'\0');
  std::memcpy(units.data(), buffer.data() + offset, length);
  return utf16_to_utf8(units);
}

uint64_t non_negative(int64_t v) { return v > 0 ? static_cast<uint64_t>(v) : 0; }

}  // namespace

size_t walk_process_records(std::span<const std::byte> buffer, uint64_t base_address,
                            std::vector<ProcessRecord>& out) {
  namespace pr = process_record;
  out.clear();
  size_t offset = 0;
  while (buffer.size() >= pr::kFixedSize && offset <= buffer.size() - pr::kFixedSize) {
    const std::byte* record = buffer.data() + offset;
    ProcessRecord r;
    r.pid = static_cast<uint32_t>(load<uint64_t>(record + pr::kUniqueProcessId));
    r.name = read_name(buffer, record, base_address);
    r.working_set = load<uint64_t>(record + pr::kWorkingSetSize);
    r.private_working_set = load<int64_t>(record + pr::kWorkingSetPrivateSize);
    r.cpu_time = non_negative(load<int64_t>(record + pr::kUserTime)) +
                 non_negative(load<int64_t>(record + pr::kKernelTime));
    r.io_bytes = non_negative(load<int64_t>(record + pr::kReadTransferCount)) +
                 non_negative(load<int64_t>(record + pr::kWriteTransferCount)) +
                 non_negative(load<int64_t>(record + pr::kOtherTransferCount));
    out.push_back(std::move(r));
    const uint32_t next = load<uint32_t>(record + pr::kNextEntryOffset);
    if (next == 0) break;
    offset += next;  // size_t: cannot wrap back to an earlier record
  }
  return out.size();
}

std::vector<ProcessSample> build_process_samples(const std::vector<ProcessRecord>& records,
                                                 ProcessBaseline& baseline, double dt,
                                                 double logical_cpus, const PerProcessExtras& extras) {
  std::vector<ProcessSample> samples;
  samples.reserve(records.size());
  ProcessBaseline fresh;
  fresh.reserve(records.size());
  const double cpus = logical_cpus > 0 ? logical_cpus : 1.0;
  for (const ProcessRecord& r : records) {
    if (r.pid == 0) continue;  // the idle process
    ProcessSample p;
    p.pid = r.pid;
    p.name = r.name.empty() ? "System" : r.name;
    p.ram_with_shared_bytes = r.working_set;
    p.ram_bytes = non_negative(r.private_working_set);
    if (auto it = baseline.find(r.pid); it != baseline.end()) {
      const uint64_t used = r.cpu_time > it->second.cpu_time ? r.cpu_time - it->second.cpu_time : 0;
      const double pct = static_cast<double>(used) / (dt * 1e7) / cpus * 100.0;
      p.cpu_pct = static_cast<float>(std::min(100.0, pct));
      p.disk_bps = rate(r.io_bytes, it->second.io_bytes, dt);
    }
    if (extras.net_bps) {
      if (auto it = extras.net_bps->find(r.pid); it != extras.net_bps->end()) p.net_bps = it->second;
    }
    if (extras.gpu_pct) {
      if (auto it = extras.gpu_pct->find(r.pid); it != extras.gpu_pct->end()) p.gpu_pct = it->second;
    }
    if (extras.audio_peak) {
      if (auto it = extras.audio_peak->find(r.pid); it != extras.audio_peak->end()) p.audio_peak = it->second;
    }
    fresh[r.pid] = {r.cpu_time, r.io_bytes};
    samples.push_back(std::move(p));
  }
  baseline = std::move(fresh);
  return samples;
}

}  // namespace qv
