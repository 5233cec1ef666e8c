#include "gpu/gpu_tally.h"

#include <algorithm>

namespace qv {

bool collection_covers_a_pause(uint64_t previous_ms, uint64_t now_ms, uint32_t interval_ms) {
  return now_ms > previous_ms && now_ms - previous_ms > 2 * static_cast<uint64_t>(interval_ms);
}

namespace {

constexpr std::u16string_view kPidTag = u"pid_";
constexpr std::u16string_view kEngineTag = u"engtype_";

std::optional<uint32_t> leading_decimal_u32(std::u16string_view text) {
  uint64_t value = 0;
  size_t digits = 0;
  for (char16_t c : text) {
    if (c < u'0' || c > u'9') break;
    value = value * 10 + static_cast<uint64_t>(c - u'0');
    if (value > UINT32_MAX) return std::nullopt;  // the whole run is the number: too big is unusable
    ++digits;
  }
  if (digits == 0) return std::nullopt;
  return static_cast<uint32_t>(value);
}

}  // namespace

GpuInstance parse_gpu_instance(std::u16string_view name) {
  GpuInstance out;
  const size_t engine_at = name.rfind(kEngineTag);
  out.engine_type = engine_at == std::u16string_view::npos ? name : name.substr(engine_at + kEngineTag.size());
  const size_t pid_at = name.find(kPidTag);
  if (pid_at != std::u16string_view::npos) out.pid = leading_decimal_u32(name.substr(pid_at + kPidTag.size()));
  return out;
}

void GpuTally::add(std::u16string_view name, double value) {
  if (!(value > 0) || name.empty()) return;
  const GpuInstance inst = parse_gpu_instance(name);
  auto sum = std::find_if(engine_sums_.begin(), engine_sums_.end(),
                          [&](const auto& entry) { return entry.first == inst.engine_type; });
  if (sum == engine_sums_.end()) {
    engine_sums_.emplace_back(std::u16string(inst.engine_type), value);
  } else {
    sum->second += value;
  }
  if (inst.pid) {
    float& entry = per_pid_[*inst.pid];
    entry = std::min(100.0f, entry + static_cast<float>(value));
  }
}

float GpuTally::machine_pct() const {
  double busiest = 0;
  for (const auto& entry : engine_sums_) busiest = std::max(busiest, entry.second);
  return static_cast<float>(std::min(100.0, busiest));
}

std::unordered_map<uint32_t, float> GpuTally::take_per_pid() {
  std::unordered_map<uint32_t, float> out;
  out.swap(per_pid_);
  return out;
}

void GpuTally::clear() {
  engine_sums_.clear();
  per_pid_.clear();
}

}  // namespace qv
