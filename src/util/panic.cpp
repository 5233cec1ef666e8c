#include "util/panic.h"

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace qv {
namespace {

void write_to_stderr(std::string_view line) {
  std::fwrite(line.data(), 1, line.size(), stderr);
  std::fputc('\n', stderr);
  std::fflush(stderr);
}

std::atomic<PanicWriter> g_writer{&write_to_stderr};

}  // namespace

void set_panic_writer(PanicWriter writer) { g_writer.store(writer ? writer : &write_to_stderr); }

void panic(std::string_view where, std::string_view what) {
  std::string line = "panic: ";
  line += where;
  line += ": ";
  line += what;
  g_writer.load()(line);
  std::_Exit(101);  // no unwinding, no atexit handlers
}

}  // namespace qv
