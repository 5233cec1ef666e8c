// Keeps the processor busy, for proving that tests hold under load: one thread per logical
// processor (or the first argument's count) spins for the given number of seconds (second
// argument, default 600) and then the program leaves by itself.
#include <windows.h>

#include <atomic>
#include <cstdlib>
#include <thread>
#include <vector>

int wmain(int argc, wchar_t** argv) {
  const long threads = argc > 1 ? std::wcstol(argv[1], nullptr, 10) : static_cast<long>(std::thread::hardware_concurrency());
  const long seconds = argc > 2 ? std::wcstol(argv[2], nullptr, 10) : 600;
  const ULONGLONG end = GetTickCount64() + static_cast<ULONGLONG>(seconds < 0 ? 0 : seconds) * 1000;
  std::atomic<unsigned> sink{0};
  std::vector<std::thread> workers;
  for (long i = 0; i < (threads < 1 ? 1 : threads); ++i) {
    workers.emplace_back([&] {
      unsigned local = 0;
      while (GetTickCount64() < end) {
        for (int k = 0; k < 100000; ++k) local = local * 1664525u + 1013904223u;
      }
      sink += local;
    });
  }
  for (auto& w : workers) w.join();
  return static_cast<int>(sink.load() & 0);
}
