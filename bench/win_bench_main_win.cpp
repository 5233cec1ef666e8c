// Entry point of win_bench.exe: runs every registered benchmark, or only those whose names
// contain the first argument.
#include <windows.h>

#include <cstdio>
#include <string>

#include "util/wide_win.h"
#include "win_bench.h"

namespace qv::bench {

std::vector<WinBenchEntry>& win_benches() {
  static std::vector<WinBenchEntry> list;
  return list;
}

}  // namespace qv::bench

int wmain(int argc, wchar_t** argv) {
  const std::string filter = argc > 1 ? qv::narrow(argv[1]) : std::string();
  int ran = 0;
  for (const auto& b : qv::bench::win_benches()) {
    if (!filter.empty() && b.name.find(filter) == std::string::npos) continue;
    std::printf("== %s\n", b.name.c_str());
    std::fflush(stdout);
    b.run();
    ++ran;
  }
  std::printf("%d benchmark(s) run\n", ran);
  return ran > 0 ? 0 : 1;
}
