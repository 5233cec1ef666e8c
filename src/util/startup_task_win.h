#pragma once
// Starting at log-on through a scheduled task, managed with the Task Scheduler's command-line tool.
#include <string>
#include <vector>

namespace qv {

// Runs `schtasks` from the system folder with exactly these arguments, without a console window;
// true on exit code 0.
bool run_schtasks(const std::vector<std::string>& args);
bool query_startup_task();
bool create_startup_task();
bool delete_startup_tasks();

}  // namespace qv
