#pragma once
// The Windows bench executable gathers its benchmarks from several files: each file registers
// its functions with QV_WIN_BENCH and the one shared main runs them (all of them, or those whose
// names contain the first argument). Each benchmark prints its own figures.
#include <string>
#include <vector>

namespace qv::bench {

using WinBenchFn = void (*)();

struct WinBenchEntry {
  std::string name;
  WinBenchFn run;
};

std::vector<WinBenchEntry>& win_benches();
// Bytes that this executable's code holds through new at this moment (bench/live_heap_win.cpp).
long long live_heap_bytes();

struct WinBenchRegistrar {
  WinBenchRegistrar(const char* name, WinBenchFn run) { win_benches().push_back({name, run}); }
};

}  // namespace qv::bench

#define QV_WIN_BENCH_CAT2(a, b) a##b
#define QV_WIN_BENCH_CAT(a, b) QV_WIN_BENCH_CAT2(a, b)
#define QV_WIN_BENCH(name, fn) \
  static ::qv::bench::WinBenchRegistrar QV_WIN_BENCH_CAT(qv_win_bench_, __LINE__)(name, fn)
