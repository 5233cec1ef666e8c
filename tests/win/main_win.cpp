// Entry point of the Windows-side tests. Some tests start this same executable again in a child
// mode (for example to check that a panic on a worker thread reaches the program log).
#include <windows.h>

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "util/panic.h"
#include "util/program_log_win.h"

namespace {

int run_child_mode(const std::wstring& mode) {
  if (mode == L"--child=panic-thread") {
    qv::install_panic_hook();
    std::thread([] {
      qv::install_thread_panic_hook();
      throw std::runtime_error("worker exploded");
    }).detach();
    Sleep(10000);
    return 0;  // not reached: the panic ends the process
  }
  if (mode == L"--child=access-violation") {
    qv::install_panic_hook();
    std::thread([] {
      qv::install_thread_panic_hook();
      volatile int* nowhere = nullptr;
      *nowhere = 1;
    }).detach();
    Sleep(10000);
    return 0;  // not reached
  }
  if (mode == L"--child=assertion") {
    qv::install_panic_hook();
    QV_ASSERT(mode.empty());
    return 0;  // not reached
  }
  if (mode == L"--child=panic-cleanup") {
    qv::install_panic_hook();
    // A clean-up that fails in its turn must not run again.
    qv::set_panic_cleanup([] {
      qv::log_line("cleanup ran");
      volatile int* nowhere = nullptr;
      *nowhere = 1;
    });
    std::thread([] {
      qv::install_thread_panic_hook();
      throw std::runtime_error("worker exploded");
    }).detach();
    Sleep(10000);
    return 0;  // not reached
  }
  if (mode == L"--child=log-from-threads") {
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
      threads.emplace_back([t] {
        for (int i = 0; i < 1000; ++i) qv::log_line("thread " + std::to_string(t) + " line " + std::to_string(i));
      });
    }
    for (auto& thread : threads) thread.join();
    return 0;
  }
  if (mode == L"--child=log-lines") {
    qv::log_line("first line");
    qv::log_line("second line");
    return 0;
  }
  return 2;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc > 1 && std::wstring(argv[1]).rfind(L"--child=", 0) == 0) return run_child_mode(argv[1]);
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
