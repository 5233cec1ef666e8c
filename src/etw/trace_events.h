#pragma once
// What the event-tracing callback does with an event once it knows the provider: count a present
// for the header's process, or add a network event's bytes to its process. Kept apart from the
// Windows callback so that the accounting can be fed recorded events.
#include <cstdint>
#include <optional>
#include <span>

#include "core/shared_state.h"

namespace qv {

inline constexpr uint16_t kPresentEventId = 42;  // DXGI: one present call

enum class NetDirection { sent, received };

// Kernel-Network send events (TCP/IPv4, TCP/IPv6, UDP/IPv4, UDP/IPv6) and the matching receives;
// every other id (connect, disconnect, retransmit...) is not a transfer.
std::optional<NetDirection> net_event_direction(uint16_t event_id);

struct NetEvent {
  uint32_t pid = 0;
  uint32_t bytes = 0;
  NetDirection direction = NetDirection::sent;
  bool operator==(const NetEvent&) const = default;
};

// A transfer event's process id and byte count: the payload's first two little-endian 32-bit
// fields. Nothing for other ids or a payload shorter than 8 bytes; never reads past `payload`.
std::optional<NetEvent> read_net_event(uint16_t event_id, std::span<const unsigned char> payload);

// The callback's two accounting steps; each holds one map's lock for one update.
void account_present_event(SharedState& state, uint16_t event_id, uint32_t header_pid);
void account_network_event(SharedState& state, uint16_t event_id, std::span<const unsigned char> payload);

}  // namespace qv
