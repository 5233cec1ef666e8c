#pragma once
// Deciding, on one sampling tick, which switched-on alert rules fire and what each one delivers.
// No I/O here: the caller appends the log lines and queues the notifications.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "core/alert_rule.h"
#include "core/notification.h"
#include "core/snapshot.h"
#include "rules/alert_texts.h"

namespace qv {

// The figure a rule watches, in the unit of its threshold; nothing when the rule is skipped on
// this tick (memory total unknown, graphics counters or sound meters not read or unavailable).
// App figures sum every process of that name (letter case ignored, non-ASCII letters
// included) and are 0 when none runs or processes were not listed. App processor and disk
// figures are skipped on a tick whose processes were not measured against a baseline, app
// network while per-app network is not traced, frame rate while frames are not traced.
std::optional<double> measured_value(const AlertMetric& metric, const Snapshot& tick);

// Strict comparison: equal values never fire, and neither does anything that is not a number.
bool condition_holds(const AlertRule& rule, double value);

// When each rule last fired, by its whole text, so that an edited rule starts without a
// cooldown. Times are monotonic milliseconds. Kept small: once it holds kMaxEntries, the
// entries of texts that are no longer among the rules are dropped before the next firing.
class LastFiring {
 public:
  static constexpr size_t kMaxEntries = 65;

  // False while fewer than `cooldown_s` whole seconds have passed since the text last fired.
  bool cooled_down(const std::string& text, uint64_t cooldown_s, uint64_t now_ms) const;
  void record(const std::string& text, uint64_t now_ms);
  // Drops the entries of every text that is not one of `rules`.
  void forget_all_but(const std::vector<AlertRule>& rules);
  std::optional<uint64_t> last(const std::string& text) const;
  size_t size() const { return last_ms_.size(); }

 private:
  std::unordered_map<std::string, uint64_t> last_ms_;
};

// What one firing rule delivers.
struct AlertFiring {
  std::string log_path;  // empty: the rule has no log file
  std::string log_line;  // without the line feed; empty when there is no log file
  std::optional<NotificationEntry> notification;
};

// Checks `rules` (the tick's copy of the switched-on rules, in list order) against the tick,
// records every firing in `last` and returns the deliveries in rule order.
std::vector<AlertFiring> evaluate_rules(const std::vector<AlertRule>& rules, const Snapshot& tick, LastFiring& last,
                                        uint64_t now_ms, const LocalTime& local_now);

}  // namespace qv
