#include "etw/etw_thread_win.h"

namespace qv {

void run_event_tracing(std::shared_ptr<SharedState>) {}

}  // namespace qv
