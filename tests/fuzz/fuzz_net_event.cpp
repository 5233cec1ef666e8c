// Network event payloads: the first two bytes pick the event id, the rest is the payload. The
// reader never looks past the payload (ASan holds it to that), and what it returns is exactly
// the payload's first two little-endian words for transfer ids.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "etw/trace_events.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2) return 0;
  const uint16_t id = static_cast<uint16_t>(data[0] | data[1] << 8);
  // A copy of exactly the payload's length, so that any over-read lands in a red zone.
  const std::vector<unsigned char> payload(data + 2, data + size);
  const auto event = qv::read_net_event(id, payload);
  const bool transfer = qv::net_event_direction(id).has_value();
  if (event.has_value() != (transfer && payload.size() >= 8)) std::abort();
  if (event) {
    const uint32_t pid = payload[0] | payload[1] << 8 | payload[2] << 16 | static_cast<uint32_t>(payload[3]) << 24;
    const uint32_t bytes = payload[4] | payload[5] << 8 | payload[6] << 16 | static_cast<uint32_t>(payload[7]) << 24;
    if (event->pid != pid || event->bytes != bytes) std::abort();
  }
  qv::SharedState state;
  qv::account_network_event(state, id, payload);
  qv::account_present_event(state, id, 1);
  if (state.net_by_pid.size() != (event ? 1u : 0u)) std::abort();
  if (state.present_counts.size() != (id == qv::kPresentEventId ? 1u : 0u)) std::abort();
  return 0;
}
