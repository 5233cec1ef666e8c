#include "sampler/tick_math.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

namespace qv {

uint32_t clamp_interval_ms(uint32_t interval_ms) {
  if (interval_ms >= 10000) return 10000;
  if (interval_ms < 251) return 250;
  return interval_ms;
}

double elapsed_seconds(int64_t previous_ns, int64_t now_ns) {
  double dt = 0.0;
  if (now_ns > previous_ns) {
    const int64_t d = now_ns - previous_ns;
    dt = static_cast<double>(d / 1'000'000'000) + static_cast<double>(d % 1'000'000'000) / 1e9;
  }
  return std::max(dt, 0.001);
}

PairRates advance(CounterPairBaseline& base, uint64_t first, uint64_t second, int64_t now_ns) {
  PairRates r;
  if (base.set) {
    const double dt = elapsed_seconds(base.taken_ns, now_ns);
    r.first = rate(first, base.first, dt);
    r.second = rate(second, base.second, dt);
  }
  base = {true, first, second, now_ns};
  return r;
}

float busy_pct(const CpuTimes& now, const CpuTimes& base) {
  if (now.total <= base.total) return 0.0f;
  const uint64_t dtotal = now.total - base.total;
  const uint64_t didle = now.idle > base.idle ? now.idle - base.idle : 0;
  const uint64_t busy = dtotal > didle ? dtotal - didle : 0;
  const double pct = static_cast<double>(busy) / static_cast<double>(dtotal) * 100.0;
  return static_cast<float>(std::clamp(pct, 0.0, 100.0));
}

float system_cpu_pct(const CpuTimes& now, const CpuTimes& base) {
  if (base.total == 0) return 0.0f;
  return busy_pct(now, base);
}

CoreQuery query_all_groups(uint16_t groups, std::span<std::byte> buffer,
                           const std::function<CoreQuery(uint16_t group, std::span<std::byte> out)>& query_group) {
  CoreQuery all;
  for (uint16_t g = 0; g < std::max<uint16_t>(groups, 1); ++g) {
    const size_t room = (buffer.size() - all.returned) / kCoreEntryBytes * kCoreEntryBytes;
    if (room == 0) break;
    const CoreQuery one = query_group(g, buffer.subspan(all.returned, room));
    if (one.status < 0) return {one.status, 0};
    all.returned += std::min(one.returned, room) / kCoreEntryBytes * kCoreEntryBytes;
  }
  return all;
}

std::vector<float> core_loads(std::span<const std::byte> returned, std::vector<CpuTimes>& baseline) {
  const size_t n = returned.size() / kCoreEntryBytes;
  std::vector<float> loads(n, 0.0f);
  std::vector<CpuTimes> fresh(n);
  for (size_t i = 0; i < n; ++i) {
    uint64_t idle = 0, kernel = 0, user = 0;
    const std::byte* entry = returned.data() + i * kCoreEntryBytes;
    std::memcpy(&idle, entry, 8);
    std::memcpy(&kernel, entry + 8, 8);
    std::memcpy(&user, entry + 16, 8);
    fresh[i] = {idle, kernel + user};
    if (i < baseline.size()) loads[i] = busy_pct(fresh[i], baseline[i]);
  }
  baseline = std::move(fresh);
  return loads;
}

namespace {

std::string plain_number(double v) {
  char text[64];
  if (std::isfinite(v) && v == std::floor(v) && std::fabs(v) < 1e15) {
    std::snprintf(text, sizeof text, "%.0f", v);
  } else {
    std::snprintf(text, sizeof text, "%g", v);
  }
  return text;
}

}  // namespace

double logical_processor_count(uint32_t all_groups, uint32_t one_group) {
  if (all_groups != 0) return static_cast<double>(all_groups);
  return one_group != 0 ? static_cast<double>(one_group) : 1.0;
}

std::string core_report_line(size_t cores, size_t returned_bytes, double logical_cpus) {
  return "cores reported: " + std::to_string(cores) + " (" + std::to_string(returned_bytes) +
         " bytes, parallelism " + plain_number(logical_cpus) + ")";
}

std::string core_failure_line(uint32_t status) {
  char text[48];
  std::snprintf(text, sizeof text, "core query failed: status 0x%x", static_cast<unsigned>(status));
  return text;
}

DriveInfo drive_space(char letter, uint64_t available_to_caller, uint64_t total_for_caller) {
  return {letter, total_for_caller, std::min(available_to_caller, total_for_caller)};
}

bool is_detail_tick(bool panel_open, uint64_t now_ms, uint64_t detail_until_ms, bool first) {
  return panel_open || now_ms < detail_until_ms || first;
}

}  // namespace qv
