#include "sampler/interface_traffic.h"

#include <unordered_map>
#include <utility>

#include "util/counter_rate.h"

namespace qv {
namespace {

constexpr uint32_t kSoftwareLoopback = 24;
constexpr uint32_t kOperStatusUp = 1;

}  // namespace

std::vector<InterfaceCounters> traffic_interfaces(std::span<const InterfaceRow> rows) {
  std::vector<InterfaceCounters> out;
  for (const InterfaceRow& row : rows) {
    if (row.filter || row.type == kSoftwareLoopback || row.oper_status != kOperStatusUp) continue;
    out.push_back({row.luid, row.in_octets, row.out_octets});
  }
  return out;
}

OctetChange octets_moved(std::span<const InterfaceCounters> before, std::span<const InterfaceCounters> now) {
  std::unordered_map<uint64_t, const InterfaceCounters*> earlier;
  earlier.reserve(before.size());
  for (const InterfaceCounters& c : before) earlier.emplace(c.luid, &c);
  OctetChange change;
  for (const InterfaceCounters& c : now) {
    const auto it = earlier.find(c.luid);
    if (it == earlier.end()) continue;
    const InterfaceCounters& then = *it->second;
    if (c.in_octets > then.in_octets) change.received = saturating_add(change.received, c.in_octets - then.in_octets);
    if (c.out_octets > then.out_octets) change.sent = saturating_add(change.sent, c.out_octets - then.out_octets);
  }
  return change;
}

PairRates advance(InterfaceBaseline& base, std::vector<InterfaceCounters> now, int64_t now_ns) {
  PairRates r;
  if (base.set) {
    const double dt = elapsed_seconds(base.taken_ns, now_ns);
    const OctetChange change = octets_moved(base.counters, now);
    r.first = rate(change.received, 0, dt);
    r.second = rate(change.sent, 0, dt);
  }
  base = {true, std::move(now), now_ns};
  return r;
}

}  // namespace qv
