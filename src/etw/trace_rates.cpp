#include "etw/trace_rates.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

#include "util/text.h"

namespace qv {

namespace {

constexpr uint32_t kListedFps = 2;
constexpr uint32_t kHeadlineFps = 5;

// Truncates a non-negative rate into [0, max]. Comparing against the first double past the range
// (2^32 or 2^64) keeps the conversion itself defined.
template <typename Int>
Int clamp_truncate(double rate, double first_out_of_range) {
  if (!(rate > 0)) return 0;  // negative, zero or not a number
  if (rate >= first_out_of_range) return std::numeric_limits<Int>::max();
  return static_cast<Int>(rate);
}

}  // namespace

uint32_t frames_per_second(uint64_t frames, double dt) {
  return clamp_truncate<uint32_t>(static_cast<double>(frames) / dt, 4294967296.0);
}

uint64_t bytes_per_second(double bytes, double dt) {
  return clamp_truncate<uint64_t>(bytes / dt, 18446744073709551616.0);
}

bool is_desktop_compositor(std::string_view image_name) { return iequals_ascii(image_name, "dwm.exe"); }

std::string_view image_file_name(std::string_view path) {
  const size_t slash = path.rfind('\\');
  return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

std::string ImageNameCache::name(uint32_t pid) {
  if (auto hit = names_.find(pid); hit != names_.end()) return hit->second;
  const std::optional<std::string> path = read_path_ ? read_path_(pid) : std::nullopt;
  std::string name = path ? std::string(image_file_name(*path)) : "pid " + std::to_string(pid);
  if (names_.size() > kLimit) names_.clear();
  names_.emplace(pid, name);
  return name;
}

void ImageNameCache::forget_all_but(const std::unordered_map<uint32_t, uint64_t>& present) {
  std::erase_if(names_, [&](const auto& entry) { return !present.contains(entry.first); });
}

void select_presenting_apps(const std::unordered_map<uint32_t, uint64_t>& frames, double dt, ImageNameCache& names,
                            Snapshot& out) {
  std::vector<PresentingApp> apps;
  for (const auto& [pid, count] : frames) {
    const uint32_t fps = frames_per_second(count, dt);
    if (fps < kListedFps) continue;  // before the name look-up: a slow clock never costs an open
    std::string name = names.name(pid);
    if (is_desktop_compositor(name)) continue;
    apps.push_back(PresentingApp{pid, std::move(name), fps});
  }
  names.forget_all_but(frames);
  std::stable_sort(apps.begin(), apps.end(),
                   [](const PresentingApp& a, const PresentingApp& b) { return a.fps > b.fps; });
  out.fps.reset();
  if (!apps.empty() && apps.front().fps >= kHeadlineFps) out.fps = apps.front();
  out.presenting_apps = std::move(apps);
}

void network_rates(const std::unordered_map<uint32_t, NetBytes>& bytes, double dt,
                   std::unordered_map<uint32_t, uint64_t>& rates) {
  rates.clear();
  for (const auto& [pid, total] : bytes) {
    // Added as doubles so that two huge counters cannot wrap around to a small sum.
    rates[pid] = bytes_per_second(static_cast<double>(total.tx) + static_cast<double>(total.rx), dt);
  }
}

}  // namespace qv
