#include "etw/frame_take_win.h"

#include <windows.h>

#include <mutex>
#include <optional>
#include <string>

#include "etw/trace_rates.h"
#include "util/handles_win.h"
#include "util/wide_win.h"

namespace qv {

namespace {

std::optional<std::string> read_image_path(uint32_t pid) {
  UniqueHandle process(OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid));
  if (!process) return std::nullopt;
  wchar_t path[MAX_PATH];
  DWORD size = MAX_PATH;
  if (!QueryFullProcessImageNameW(process.get(), 0, path, &size)) return std::nullopt;
  return narrow(std::wstring_view(path, size));
}

}  // namespace

struct TraceTake::Impl {
  ImageNameCache names{&read_image_path};
  // Swapped with the shared maps each tick, so that both sides keep reusing their buckets.
  std::unordered_map<uint32_t, uint64_t> frames;
  std::unordered_map<uint32_t, NetBytes> bytes;
};

TraceTake::TraceTake() : impl_(std::make_unique<Impl>()) {}
TraceTake::~TraceTake() = default;

void TraceTake::take_frame_rates(SharedState& state, double dt, Snapshot& out) {
  impl_->frames.clear();
  {
    std::lock_guard lock(state.present_counts_mutex);
    impl_->frames.swap(state.present_counts);
  }
  select_presenting_apps(impl_->frames, dt, impl_->names, out);
}

void TraceTake::take_network(SharedState& state, double dt, std::unordered_map<uint32_t, uint64_t>& rates) {
  impl_->bytes.clear();
  {
    std::lock_guard lock(state.net_by_pid_mutex);
    impl_->bytes.swap(state.net_by_pid);
  }
  network_rates(impl_->bytes, dt, rates);
}

}  // namespace qv
