#include "etw/trace_events.h"

#include <mutex>

namespace qv {

namespace {

uint32_t little_endian_u32(const unsigned char* p) {
  return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 | static_cast<uint32_t>(p[2]) << 16 |
         static_cast<uint32_t>(p[3]) << 24;
}

}  // namespace

std::optional<NetDirection> net_event_direction(uint16_t event_id) {
  switch (event_id) {
    case 10: case 26: case 42: case 58:
      return NetDirection::sent;
    case 11: case 27: case 43: case 59:
      return NetDirection::received;
    default:
      return std::nullopt;
  }
}

std::optional<NetEvent> read_net_event(uint16_t event_id, std::span<const unsigned char> payload) {
  const auto direction = net_event_direction(event_id);
  if (!direction || payload.size() < 8) return std::nullopt;
  return NetEvent{little_endian_u32(payload.data()), little_endian_u32(payload.data() + 4), *direction};
}

void account_present_event(SharedState& state, uint16_t event_id, uint32_t header_pid) {
  if (event_id != kPresentEventId) return;
  std::lock_guard lock(state.present_counts_mutex);
  ++state.present_counts[header_pid];
}

void account_network_event(SharedState& state, uint16_t event_id, std::span<const unsigned char> payload) {
  const auto event = read_net_event(event_id, payload);
  if (!event) return;
  std::lock_guard lock(state.net_by_pid_mutex);
  NetBytes& entry = state.net_by_pid[event->pid];
  (event->direction == NetDirection::sent ? entry.tx : entry.rx) += event->bytes;
}

}  // namespace qv
