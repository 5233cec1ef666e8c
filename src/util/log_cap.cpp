#include "util/log_cap.h"

namespace qv {

bool log_append_needs_new_file(uint64_t current, uint64_t adding, uint64_t cap) {
  if (current == 0) return false;
  // Written so that no sum can wrap around.
  return current > cap || adding > cap - current;
}

std::wstring set_aside_log_path(const std::wstring& path) { return path + L".1"; }

}  // namespace qv
