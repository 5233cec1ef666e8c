#include "core/clock.h"

#include <chrono>

namespace qv {

uint64_t unix_now_ms() {
  const auto d = std::chrono::system_clock::now().time_since_epoch();
  const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(d).count();
  return ms < 0 ? 0 : static_cast<uint64_t>(ms);
}

uint64_t steady_now_ms() {
  const auto d = std::chrono::steady_clock::now().time_since_epoch();
  const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(d).count();
  return ms < 0 ? 0 : static_cast<uint64_t>(ms);
}

}  // namespace qv
