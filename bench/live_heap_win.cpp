// Counts the bytes that this executable's own code holds through new and delete, so that the
// memory bench can tell its own part of a step's growth from the system libraries' part. Each
// block carries its size in a header of its own; the count is kept with relaxed atomics, which
// costs a few nanoseconds per allocation in every bench of this executable.
#include <atomic>
#include <cstddef>
#include <cstdlib>
#include <new>

#include "win_bench.h"

namespace {

std::atomic<long long> g_live{0};
constexpr size_t kHeader = alignof(std::max_align_t);

void* take(size_t n) {
  void* block = std::malloc(n + kHeader);
  if (!block) throw std::bad_alloc();
  *static_cast<size_t*>(block) = n;
  g_live.fetch_add(static_cast<long long>(n), std::memory_order_relaxed);
  return static_cast<char*>(block) + kHeader;
}

void give(void* p) {
  if (!p) return;
  void* block = static_cast<char*>(p) - kHeader;
  g_live.fetch_sub(static_cast<long long>(*static_cast<size_t*>(block)), std::memory_order_relaxed);
  std::free(block);
}

}  // namespace

namespace qv::bench {
long long live_heap_bytes() { return g_live.load(std::memory_order_relaxed); }
}  // namespace qv::bench

void* operator new(size_t n) { return take(n); }
void* operator new[](size_t n) { return take(n); }
void* operator new(size_t n, const std::nothrow_t&) noexcept {
  try {
    return take(n);
  } catch (...) {
    return nullptr;
  }
}
void* operator new[](size_t n, const std::nothrow_t&) noexcept {
  try {
    return take(n);
  } catch (...) {
    return nullptr;
  }
}
void operator delete(void* p) noexcept { give(p); }
void operator delete[](void* p) noexcept { give(p); }
void operator delete(void* p, size_t) noexcept { give(p); }
void operator delete[](void* p, size_t) noexcept { give(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { give(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { give(p); }
