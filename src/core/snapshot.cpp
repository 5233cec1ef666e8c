#include "core/snapshot.h"

#include "util/counter_rate.h"
#include "util/panic.h"

namespace qv {

float mem_pct(const Snapshot& s) {
  if (s.mem_total_bytes == 0) return 0.0f;
  return static_cast<float>(static_cast<double>(s.mem_used_bytes) /
                            static_cast<double>(s.mem_total_bytes) * 100.0);
}

HistorySample summarise(const Snapshot& s, uint64_t unix_ms) {
  HistorySample h;
  h.unix_ms = unix_ms;
  h.cpu_pct = s.cpu_pct;
  h.mem_pct = mem_pct(s);
  h.gpu_pct = s.gpu_pct;
  h.disk_bps = saturating_add(s.disk_read_bps, s.disk_write_bps);
  h.net_bps = saturating_add(s.net_rx_bps, s.net_tx_bps);
  h.fps = s.fps ? s.fps->fps : 0;
  return h;
}

HistoryRing::HistoryRing() { slots_.resize(kCapacity); }

void HistoryRing::push(const HistorySample& s) {
  if (count_ < kCapacity) {
    slots_[(head_ + count_) % kCapacity] = s;
    ++count_;
  } else {
    slots_[head_] = s;
    head_ = (head_ + 1) % kCapacity;
  }
}

const HistorySample& HistoryRing::at(size_t i) const {
  QV_ASSERT(i < count_);
  return slots_[(head_ + i) % kCapacity];
}

std::vector<HistorySample> HistoryRing::to_vector() const {
  std::vector<HistorySample> out;
  out.reserve(count_);
  for (size_t i = 0; i < count_; ++i) out.push_back(at(i));
  return out;
}

}  // namespace qv
