#pragma once
// Checks the switched-on rules against a tick and delivers the alerts that fire: a line in the
// rule's log file, a queued notification and WM_NOTIFY_QUEUED to the panel.
#include <windows.h>

#include <memory>
#include <vector>

#include "core/alert_rule.h"
#include "core/shared_state.h"
#include "core/snapshot.h"

namespace qv {

class AlertEvaluator {
 public:
  AlertEvaluator();
  AlertEvaluator(const AlertEvaluator&) = delete;
  AlertEvaluator& operator=(const AlertEvaluator&) = delete;
  ~AlertEvaluator();
  // Log lines are handed to a writer thread; notifications are queued before this returns.
  void evaluate(const std::vector<AlertRule>& enabled_rules, const Snapshot& tick, SharedState& state, HWND panel);
  // Blocks until every log line of earlier evaluations has been written (or its failure logged).
  void wait_for_log_lines();

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;  // the last-firing map, kept across ticks
};

}  // namespace qv
