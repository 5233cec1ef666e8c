#include "agents/agent_log_win.h"

#include <windows.h>

#include <mutex>
#include <string>

#include "agents/agent_log.h"
#include "util/handles_win.h"
#include "util/names.h"
#include "util/program_log_win.h"
#include "util/user_write_win.h"
#include "util/white_space.h"
#include "util/wide_win.h"

namespace qv {

namespace {

// The pipe's thread (agents that finish) and the sampler's (agents abandoned) both append. One
// at a time: appending is not atomic on every file system (under Wine two writes at once can
// land at the same offset, and a line is lost).
SRWLOCK g_agent_log_lock = SRWLOCK_INIT;

}  // namespace

void append_agent_log(SharedState& state, const std::vector<FinishedAgent>& entries) {
  std::string path;
  {
    std::lock_guard lock(state.agent_log_file_mutex);
    path = std::string(trim_white_space(state.agent_log_file));
  }
  if (path.empty() || entries.empty()) return;
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

  AcquireSRWLockExclusive(&g_agent_log_lock);
  UniqueFile file(CreateFileW(widen(path).c_str(), FILE_APPEND_DATA,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr));
  const DWORD open_error = file ? ERROR_SUCCESS : GetLastError();
  if (file) {
    DWORD written = 0;
    WriteFile(file.get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    file.reset();
  }
  ReleaseSRWLockExclusive(&g_agent_log_lock);
  if (open_error != ERROR_SUCCESS) log_line("agent log open failed (" + path + "): " + system_error_text(open_error));
}

std::string default_agent_log_path() {
  const auto dir = local_app_data_dir();
  if (!dir) return std::string("C:\\") + kAgentLogFileName;
  return narrow(*dir) + "\\" + kAgentLogFileName;
}

}  // namespace qv
