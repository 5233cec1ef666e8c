#pragma once
#include <windows.h>

#include <memory>

#include "main/shared_state.h"

namespace qv {

// The sampler worker: one tick per interval, published to `state`, WM_SAMPLE to `panel`.
void run_sampler(std::shared_ptr<SharedState> state, HWND panel);

}  // namespace qv
