#include "procinfo/process_records.h"

#include <algorithm>
#include <cstring>

#include "util/counter_rate.h"

namespace qv {
namespace {

template <typename T>
T load(const std::byte* at) {
  T v;
  std::memcpy(&v, at, sizeof v);  // records need not be aligned in a hostile buffer
  return v;
}

// Appends UTF-16LE text read from unaligned bytes as UTF-8; unpaired surrogates become U+FFFD.
void append_utf16le_as_utf8(const std::byte* at, size_t units, std::string& out) {
  auto unit = [&](size_t i) {
    return static_cast<char32_t>(std::to_integer<uint32_t>(at[2 * i]) | (std::to_integer<uint32_t>(at[2 * i + 1]) << 8));
  };
  for (size_t i = 0; i < units; ++i) {
    char32_t cp = unit(i);
    if (cp < 0x80) {
      out.push_back(static_cast<char>(cp));
      continue;
    }
    if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < units && unit(i + 1) >= 0xDC00 && unit(i + 1) <= 0xDFFF) {
      cp = 0x10000 + ((cp - 0xD800) << 10) + (unit(i + 1) - 0xDC00);
      ++i;
    } else if (cp >= 0xD800 && cp <= 0xDFFF) {
      cp = 0xFFFD;
    }
    if (cp < 0x800) {
      out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
    } else if (cp < 0x10000) {
      out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
      out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    } else {
      out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
      out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    }
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  }
}

// Replaces `name` with the record's image name, or empties it when the name is absent or does
// not lie wholly inside the buffer.
void read_name(std::span<const std::byte> buffer, const std::byte* record, uint64_t base_address, std::string& name) {
  name.clear();
  const size_t length = load<uint16_t>(record + process_record::kImageNameLength) & ~size_t{1};
  const uint64_t pointer = load<uint64_t>(record + process_record::kImageNameBuffer);
  if (length == 0 || pointer == 0 || pointer < base_address) return;
  const uint64_t offset = pointer - base_address;
  if (offset > buffer.size() || buffer.size() - offset < length) return;
  append_utf16le_as_utf8(buffer.data() + offset, length / 2, name);
}

uint64_t non_negative(int64_t v) { return v > 0 ? static_cast<uint64_t>(v) : 0; }

}  // namespace

size_t grown_process_buffer_bytes(size_t current, uint32_t status) {
  constexpr uint32_t kInfoLengthMismatch = 0xC0000004;
  constexpr uint32_t kBufferTooSmall = 0xC0000023;
  constexpr uint32_t kBufferOverflow = 0x80000005;
  if (status != kInfoLengthMismatch && status != kBufferTooSmall && status != kBufferOverflow) return 0;
  if (current > kProcessBufferMaxBytes / 2) return 0;
  return current * 2;
}

size_t walk_process_records(std::span<const std::byte> buffer, uint64_t base_address,
                            std::vector<ProcessRecord>& out) {
  namespace pr = process_record;
  // The records (and their names' storage) are reused from the previous walk.
  size_t count = 0;
  size_t offset = 0;
  while (buffer.size() >= pr::kFixedSize && offset <= buffer.size() - pr::kFixedSize) {
    const std::byte* record = buffer.data() + offset;
    if (count == out.size()) out.emplace_back();
    ProcessRecord& r = out[count++];
    r.pid = static_cast<uint32_t>(load<uint64_t>(record + pr::kUniqueProcessId));
    read_name(buffer, record, base_address, r.name);
    r.working_set = load<uint64_t>(record + pr::kWorkingSetSize);
    r.private_working_set = load<int64_t>(record + pr::kWorkingSetPrivateSize);
    r.cpu_time = non_negative(load<int64_t>(record + pr::kUserTime)) +
                 non_negative(load<int64_t>(record + pr::kKernelTime));
    r.io_bytes = non_negative(load<int64_t>(record + pr::kReadTransferCount)) +
                 non_negative(load<int64_t>(record + pr::kWriteTransferCount)) +
                 non_negative(load<int64_t>(record + pr::kOtherTransferCount));
    const uint32_t next = load<uint32_t>(record + pr::kNextEntryOffset);
    if (next == 0) break;
    offset += next;  // size_t: cannot wrap back to an earlier record
  }
  out.resize(count);
  return count;
}

void ProcessBaseline::Table::reserve(size_t n) {
  size_t capacity = 16;
  while (capacity < n * 2) capacity *= 2;
  if (capacity <= slots.size()) return;
  std::vector<Slot> old = std::move(slots);
  slots.assign(capacity, Slot{});
  count = 0;
  for (const Slot& s : old) {
    if (s.pid != 0) insert_or_assign(s.pid, s.base);
  }
}

size_t ProcessBaseline::Table::slot_of(uint32_t pid) const {
  // Fibonacci hashing spreads pids, which are multiples of 4, over the table.
  const size_t mask = slots.size() - 1;
  size_t i = (static_cast<uint64_t>(pid) * 0x9E3779B97F4A7C15ull >> 32) & mask;
  while (slots[i].pid != 0 && slots[i].pid != pid) i = (i + 1) & mask;
  return i;
}

void ProcessBaseline::Table::insert_or_assign(uint32_t pid, const ProcessBase& base) {
  if (pid == 0) return;
  if ((count + 1) * 2 > slots.size()) reserve(count + 1);
  Slot& s = slots[slot_of(pid)];
  if (s.pid == 0) ++count;
  s.pid = pid;
  s.base = base;
}

const ProcessBase* ProcessBaseline::Table::find(uint32_t pid) const {
  if (pid == 0 || slots.empty()) return nullptr;
  const Slot& s = slots[slot_of(pid)];
  return s.pid == pid ? &s.base : nullptr;
}

void ProcessBaseline::Table::clear() {
  std::fill(slots.begin(), slots.end(), Slot{});
  count = 0;
}

void ProcessBaseline::begin_rebuild(size_t expected) {
  next_.clear();
  next_.reserve(expected);
}

void ProcessBaseline::finish_rebuild() { std::swap(current_, next_); }

std::vector<ProcessSample> build_process_samples(const std::vector<ProcessRecord>& records,
                                                 ProcessBaseline& baseline, double dt,
                                                 double logical_cpus, const PerProcessExtras& extras) {
  std::vector<ProcessSample> samples;
  samples.reserve(records.size());
  baseline.begin_rebuild(records.size());
  const double cpus = logical_cpus > 0 ? logical_cpus : 1.0;
  for (const ProcessRecord& r : records) {
    if (r.pid == 0) continue;  // the idle process
    ProcessSample p;
    p.pid = r.pid;
    p.name = r.name.empty() ? "System" : r.name;
    p.ram_with_shared_bytes = r.working_set;
    p.ram_bytes = non_negative(r.private_working_set);
    if (const ProcessBase* base = baseline.find(r.pid)) {
      const uint64_t used = r.cpu_time > base->cpu_time ? r.cpu_time - base->cpu_time : 0;
      const double pct = static_cast<double>(used) / (dt * 1e7) / cpus * 100.0;
      p.cpu_pct = static_cast<float>(std::min(100.0, pct));
      p.disk_bps = rate(r.io_bytes, base->io_bytes, dt);
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
    baseline.stage(r.pid, {r.cpu_time, r.io_bytes});
    samples.push_back(std::move(p));
  }
  baseline.finish_rebuild();
  return samples;
}

}  // namespace qv
