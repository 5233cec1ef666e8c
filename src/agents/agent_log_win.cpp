#include "agents/agent_log_win.h"

#include <windows.h>

#include <mutex>
#include <string>

#include "agents/agent_log.h"
#include "util/log_location.h"
#include "util/names.h"
#include "util/program_log_win.h"
#include "util/user_write_win.h"
#include "util/white_space.h"
#include "util/wide_win.h"

namespace qv {

void append_agent_log(SharedState& state, const std::vector<FinishedAgent>& entries) {
  std::string path;
  {
    std::lock_guard lock(state.agent_log_file_mutex);
    path = std::string(trim_white_space(state.agent_log_file));
  }
  if (path.empty() || entries.empty()) return;
  path = log_file_location(path, narrow(local_app_data_dir().value_or(std::wstring())));
  // The path comes from the settings file, which the user's unelevated programs can edit.
  if (!signed_in_user_may_write(path)) {
    log_line("agent log open failed (" + path + "): " + std::string(kUserWriteDeniedText));
    return;
  }

  SYSTEMTIME now{};
  GetLocalTime(&now);
  const LocalDateTime stamp{now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond};
  std::string text;
  for (const FinishedAgent& entry : entries) text += format_agent_log_line(entry, stamp);

  // The pipe's thread (agents that finish) and the sampler's (agents abandoned) both append.
  if (const unsigned long error = append_to_file(widen(path), text)) {
    log_line("agent log open failed (" + path + "): " + system_error_text(error));
  }
}

std::string default_agent_log_path() {
  const auto dir = local_app_data_dir();
  if (!dir) return std::string("C:\\") + kAgentLogFileName;
  return narrow(*dir) + "\\" + kAgentLogFileName;
}

}  // namespace qv
