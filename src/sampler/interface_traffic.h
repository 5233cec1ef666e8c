#pragma once
// Network traffic from the interface table, counted once per physical path. The table lists
// every filter bound to an adapter (packet filtering, quality of service, virtual switch) as an
// interface of its own carrying the adapter's very counters, and an interface that comes back
// up carries its whole lifetime of bytes: both would swamp the real traffic of one tick.
#include <cstdint>
#include <span>
#include <vector>

#include "sampler/tick_math.h"

namespace qv {

// One row of the interface table, as the system reports it.
struct InterfaceRow {
  uint64_t luid = 0;         // the interface's locally unique id, stable while it exists
  uint32_t type = 0;         // IANA interface type: 6 Ethernet, 24 loopback, 71 Wi-Fi, 53 virtual
  uint32_t oper_status = 0;  // 1 up
  bool filter = false;       // a filter bound to an adapter, not an adapter
  uint64_t in_octets = 0;
  uint64_t out_octets = 0;
};

// The cumulative counters of one interface that carries traffic of its own.
struct InterfaceCounters {
  uint64_t luid = 0;
  uint64_t in_octets = 0;
  uint64_t out_octets = 0;
  bool operator==(const InterfaceCounters&) const = default;
};

// The interfaces that are up and are neither loopback nor a filter, in table order.
std::vector<InterfaceCounters> traffic_interfaces(std::span<const InterfaceRow> rows);

struct OctetChange {
  uint64_t received = 0;
  uint64_t sent = 0;
  bool operator==(const OctetChange&) const = default;
};

// Octets moved between two readings, summed over the interfaces present in both (matched by
// id): one that appeared or came back adds nothing on that tick, a counter that went backwards
// counts 0, and the sums saturate.
OctetChange octets_moved(std::span<const InterfaceCounters> before, std::span<const InterfaceCounters> now);

// The last good reading of every interface and when it was taken (monotonic clock). A failed
// reading keeps it, so the next rate covers the time since it.
struct InterfaceBaseline {
  bool set = false;
  std::vector<InterfaceCounters> counters;
  int64_t taken_ns = 0;
};

// Received and sent rates since `base` (0 while there is none); `base` becomes this reading.
PairRates advance(InterfaceBaseline& base, std::vector<InterfaceCounters> now, int64_t now_ns);

}  // namespace qv
