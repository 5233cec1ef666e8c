#pragma once
// Broken invariants end the process at once: one "panic: " line goes to the program log (on
// Windows; to standard error elsewhere) and the process exits without unwinding.
#include <string_view>

namespace qv {

[[noreturn]] void panic(std::string_view where, std::string_view what);

// Called by panic() to record its line; the Windows layer points it at the program log.
using PanicWriter = void (*)(std::string_view line);
void set_panic_writer(PanicWriter writer);

}  // namespace qv

#define QV_STRINGIFY2(x) #x
#define QV_STRINGIFY(x) QV_STRINGIFY2(x)
#define QV_ASSERT(cond)                                                                    \
  do {                                                                                     \
    if (!(cond)) ::qv::panic(__FILE__ ":" QV_STRINGIFY(__LINE__), "assertion failed: " #cond); \
  } while (0)
