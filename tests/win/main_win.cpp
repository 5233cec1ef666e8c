// Entry point of the Windows-side tests. Some tests start this same executable again in a child
// mode (for example to check that a panic on a worker thread reaches the program log).
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
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

// Says which test was running when the suite ends without GoogleTest's summary: a crash (with
// its code and address) or an exit from inside a test. Without this, such an end is silent, or
// a crash waits in the debugger.
const char* running_test() {
  const testing::TestInfo* info = testing::UnitTest::GetInstance()->current_test_info();
  static std::string name;
  name = info ? std::string(info->test_suite_name()) + "." + info->name() : std::string("(between tests)");
  return name.c_str();
}

LONG WINAPI on_crash(EXCEPTION_POINTERS* e) {
  std::printf("\n*** win_tests.exe crashed in %s: exception 0x%08lX at %p\n", running_test(),
              static_cast<unsigned long>(e->ExceptionRecord->ExceptionCode), e->ExceptionRecord->ExceptionAddress);
  std::fflush(stdout);
  // Ended here rather than handed to the system's debugger, which would hold the suite until
  // its time runs out.
  TerminateProcess(GetCurrentProcess(), e->ExceptionRecord->ExceptionCode);
  return EXCEPTION_CONTINUE_SEARCH;
}

bool g_finished = false;

void on_exit() {
  if (g_finished) return;
  std::printf("\n*** win_tests.exe is ending inside %s, before its summary\n", running_test());
  std::fflush(stdout);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc > 1 && std::wstring(argv[1]).rfind(L"--child=", 0) == 0) return run_child_mode(argv[1]);
  testing::InitGoogleTest(&argc, argv);
  SetUnhandledExceptionFilter(&on_crash);
  std::atexit(&on_exit);
  const int result = RUN_ALL_TESTS();
  g_finished = true;
  return result;
}
