#include "gpu/gpu_counters_win.h"

namespace qv {

struct GpuCounters::Impl {};
GpuCounters::GpuCounters() : impl_(nullptr) {}
GpuCounters::~GpuCounters() = default;
bool GpuCounters::read(float&, std::unordered_map<uint32_t, float>&) { return false; }

}  // namespace qv
