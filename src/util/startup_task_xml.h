#pragma once
// The definition of the start-up task, in the Task Scheduler's XML form. A task made with the
// tool's short options gets the scheduler's defaults: stopped after 72 hours, not started on
// battery, stopped when the machine is unplugged. None of that suits a monitor meant to run for
// the whole session, so the task is described in full.
#include <string>
#include <string_view>

namespace qv {

// The task for `user_sid` (SID text; empty: the user who registers it): started at that user's
// log-on with the highest privileges, no time limit, on battery too, a second start ignored
// while one runs, running the program at `exe_path` (quoted). UTF-8; the caller stores it as
// UTF-16, which the declaration names.
std::string startup_task_xml(std::string_view exe_path, std::string_view user_sid);

}  // namespace qv
