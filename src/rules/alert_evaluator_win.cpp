#include "rules/alert_evaluator_win.h"

#include <chrono>
#include <mutex>
#include <string>

#include "core/messages.h"
#include "rules/alert_eval.h"
#include "rules/rule_log_queue.h"
#include "util/log_location.h"
#include "util/program_log_win.h"
#include "util/user_write_win.h"
#include "util/wide_win.h"

namespace qv {
namespace {

uint64_t monotonic_ms() {
  return static_cast<uint64_t>(
      std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
          .count());
}

LocalTime local_now() {
  SYSTEMTIME st{};
  GetLocalTime(&st);
  return LocalTime{st.wYear, st.wMonth, st.wDay, st.wHour, st.wMinute, st.wSecond};
}

// One line per firing. The file is opened and closed each time, so the user can move, read or
// delete it while the monitor runs.
void append_to_rule_log(const std::string& path, const std::string& line) {
  // A NUL inside the path would make Windows see a shorter one and write to another file.
  const bool embedded_nul = path.find('\0') != std::string::npos;
  // The path comes from the settings file, which the user's unelevated programs can edit.
  if (!embedded_nul && !signed_in_user_may_write(path)) {
    log_line("rule log open failed (" + path + "): " + std::string(kUserWriteDeniedText));
    return;
  }
  const unsigned long error = embedded_nul ? ERROR_INVALID_NAME : append_to_file(widen(path), line + "\n");
  if (error) log_line("rule log open failed (" + path + "): " + system_error_text(error));
}

}  // namespace

struct AlertEvaluator::Impl {
  LastFiring last;  // lives as long as the sampler thread; never saved
  // Opening a log file may block for a network time-out: the lines are written off this thread.
  RuleLogQueue logs{&append_to_rule_log, [](std::string_view line) { log_line(line); }, &install_thread_panic_hook};
};

AlertEvaluator::AlertEvaluator() : impl_(std::make_unique<Impl>()) {}
AlertEvaluator::~AlertEvaluator() = default;

void AlertEvaluator::evaluate(const std::vector<AlertRule>& enabled_rules, const Snapshot& tick, SharedState& state,
                              HWND panel) {
  if (enabled_rules.empty()) return;
  const auto firings = evaluate_rules(enabled_rules, tick, impl_->last, monotonic_ms(), local_now());
  for (const AlertFiring& firing : firings) {
    if (!firing.log_path.empty()) {
      const std::wstring settings_dir = local_app_data_dir().value_or(std::wstring());
      impl_->logs.push(log_file_location(firing.log_path, narrow(settings_dir)), firing.log_line);
    }
    if (firing.notification) {
      {
        std::lock_guard lock(state.notifications_mutex);
        state.notifications.push_back(*firing.notification);
      }
      PostMessageW(panel, kWmNotifyQueued, 0, 0);
    }
  }
}

void AlertEvaluator::wait_for_log_lines() { impl_->logs.wait_until_written(); }

}  // namespace qv
