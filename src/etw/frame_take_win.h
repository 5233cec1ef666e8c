#pragma once
// The sampler's share of event tracing: each tick it takes the frame counts and network bytes
// that the tracing thread gathered, and turns them into frame rates and per-process rates.
#include <cstdint>
#include <memory>
#include <unordered_map>

#include "core/shared_state.h"
#include "core/snapshot.h"

namespace qv {

class TraceTake {
 public:
  TraceTake();
  TraceTake(const TraceTake&) = delete;
  TraceTake& operator=(const TraceTake&) = delete;
  ~TraceTake();
  // Fills `out.presenting_apps` and `out.fps` from the frames counted over `dt` seconds.
  void take_frame_rates(SharedState& state, double dt, Snapshot& out);
  // Replaces `rates` with bytes per second per pid over `dt` seconds.
  void take_network(SharedState& state, double dt, std::unordered_map<uint32_t, uint64_t>& rates);

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace qv
