#pragma once
// Turning the frame counts and network bytes gathered between two ticks into rates: the list of
// apps that are drawing frames (with their image names, looked up once per pid and cached), and
// bytes per second per process.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>

#include "core/shared_state.h"
#include "core/snapshot.h"

namespace qv {

// Frames per second over `dt` seconds, truncated toward zero and clamped to the 32-bit range.
uint32_t frames_per_second(uint64_t frames, double dt);
// Bytes per second over `dt` seconds, truncated toward zero; below 0 (or not a number) gives 0,
// beyond the 64-bit range gives the largest value.
uint64_t bytes_per_second(double bytes, double dt);

// The desktop compositor presents on behalf of the whole desktop, so it is never "an app".
bool is_desktop_compositor(std::string_view image_name);

// The file name of a full image path: the text after the last backslash.
std::string_view image_file_name(std::string_view path);

// Image names by pid, filled on demand. A pid that stops presenting loses its entry, so that when
// the system hands the pid to another process, that one is looked up afresh. When a new name is
// to be added while more than 256 are held, the cache starts over. Failed look-ups are
// remembered as "pid N" like any other name.
class ImageNameCache {
 public:
  static constexpr size_t kLimit = 256;
  // Reads a process's full image path, or nothing when the process cannot be opened or queried.
  using PathReader = std::function<std::optional<std::string>(uint32_t pid)>;
  explicit ImageNameCache(PathReader read_path) : read_path_(std::move(read_path)) {}
  std::string name(uint32_t pid);
  // Drops the names of pids that are not keys of `present`.
  void forget_all_but(const std::unordered_map<uint32_t, uint64_t>& present);
  size_t size() const { return names_.size(); }

 private:
  PathReader read_path_;
  std::unordered_map<uint32_t, std::string> names_;
};

// Fills `out.presenting_apps` (2 fps or more, compositor left out, highest first) and `out.fps`
// (the first of them when it reaches 5 fps).
void select_presenting_apps(const std::unordered_map<uint32_t, uint64_t>& frames, double dt, ImageNameCache& names,
                            Snapshot& out);

// Replaces `rates` with (sent + received) / dt for every process in `bytes`.
void network_rates(const std::unordered_map<uint32_t, NetBytes>& bytes, double dt,
                   std::unordered_map<uint32_t, uint64_t>& rates);

}  // namespace qv
