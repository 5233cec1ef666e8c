#pragma once
// The state shared by the UI thread and the three workers. Each list, text and map sits behind
// its own mutex; flags and counters are single atomics. Nobody holds two of these mutexes at
// once, except the agent registry and then the agent history, in that order.
#include <atomic>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>
#include <vector>

#include "config/settings.h"
#include "core/agent.h"
#include "core/alert_rule.h"
#include "core/notification.h"
#include "core/snapshot.h"

namespace qv {

struct NetBytes {
  uint64_t rx = 0;
  uint64_t tx = 0;
  bool operator==(const NetBytes&) const = default;
};

struct SharedState {
  std::mutex notifications_mutex;
  std::deque<NotificationEntry> notifications;

  std::mutex rules_mutex;
  std::vector<AlertRule> rules;

  std::mutex agent_sessions_mutex;
  AgentRegistry agent_sessions;
  std::mutex agent_history_mutex;  // taken after agent_sessions_mutex when both are needed
  AgentHistory agent_history;
  bool agent_session_limit_logged = false;  // under agent_sessions_mutex

  std::mutex instructions_mutex;
  std::string instructions;
  std::mutex agent_log_file_mutex;
  std::string agent_log_file;

  std::mutex snapshot_mutex;
  Snapshot snapshot;
  std::mutex history_mutex;
  HistoryRing history;  // storage allocated here, once
  std::atomic<uint64_t> snapshot_seq{0};
  std::atomic<uint64_t> detail_until_ms{0};  // steady_now_ms; every tick before it is a detail tick

  std::mutex present_counts_mutex;
  std::unordered_map<uint32_t, uint64_t> present_counts;  // pid -> frames presented
  std::mutex net_by_pid_mutex;
  std::unordered_map<uint32_t, NetBytes> net_by_pid;

  std::atomic<bool> frame_tracking_active{false};
  std::atomic<bool> per_app_network_available{false};
  std::atomic<uint32_t> interval_ms{1000};
  std::atomic<bool> panel_open{false};
  std::atomic<bool> drives_changed{false};  // a volume came or went; the sampler reads the drive letters again
  std::atomic<bool> mcp_enabled{true};
};

// Builds the shared state from the loaded settings and the initial rule list.
std::shared_ptr<SharedState> make_shared_state(const Settings& settings, std::vector<AlertRule> rules,
                                               std::string instructions);

}  // namespace qv
