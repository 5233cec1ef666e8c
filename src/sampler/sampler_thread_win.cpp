#include "sampler/sampler_thread_win.h"

namespace qv {

void run_sampler(std::shared_ptr<SharedState>, HWND) {}

}  // namespace qv
