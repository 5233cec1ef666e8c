// The sampler's own cost under a real system: a tick with the panel closed against the system
// calls that tick makes, timed alone in the same run; and the sampler's processor use with the
// panel closed at the default interval, for the sampler thread and for a running quorvel.exe.
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "core/shared_state.h"
#include "sampler/sampler_thread_win.h"
#include "sampler/system_metrics_win.h"
#include "util/handles_win.h"
#include "win_bench.h"

namespace {

double now_us() {
  static const double ticks_per_us = [] {
    LARGE_INTEGER f;
    QueryPerformanceFrequency(&f);
    return static_cast<double>(f.QuadPart) / 1e6;
  }();
  LARGE_INTEGER c;
  QueryPerformanceCounter(&c);
  return static_cast<double>(c.QuadPart) / ticks_per_us;
}

void drain_messages() {
  MSG m;
  while (PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&m);
}

HWND message_sink() {
  return CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, GetModuleHandleW(nullptr), nullptr);
}

// What a tick with the panel closed and no rules asks of the system, and nothing else.
void system_calls_of_a_tick() {
  qv::CpuTimes cpu;
  qv::read_system_times(cpu);
  uint64_t a = 0, b = 0;
  qv::read_memory(a, b);
  std::vector<qv::InterfaceCounters> interfaces;
  qv::read_network_interfaces(interfaces);
  qv::read_disk_transfer(a, b);
  qv::DriveTypeCache ask_every_type;  // fresh each time: the letters' types are asked as well
  auto drives = qv::read_drives(ask_every_type, true);
  (void)drives;
}

double median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v.empty() ? 0 : v[v.size() / 2];
}

void tick_against_system_calls() {
  HWND sink = message_sink();
  qv::SamplerState s(std::make_shared<qv::SharedState>(), sink);
  qv::sample_tick(s, true);
  constexpr int kRounds = 16, kPerRound = 40;
  std::vector<double> tick_us, calls_us;
  for (int round = 0; round < kRounds; ++round) {
    // Alternate the two, and which goes first, so that a busy moment of the machine or a
    // warm cache favours neither.
    auto time_ticks = [&] {
      const double t0 = now_us();
      for (int i = 0; i < kPerRound; ++i) qv::sample_tick(s, false);
      tick_us.push_back((now_us() - t0) / kPerRound);
    };
    auto time_calls = [&] {
      const double t0 = now_us();
      for (int i = 0; i < kPerRound; ++i) system_calls_of_a_tick();
      calls_us.push_back((now_us() - t0) / kPerRound);
    };
    if (round % 2 == 0) {
      time_ticks();
      time_calls();
    } else {
      time_calls();
      time_ticks();
    }
    drain_messages();
  }
  const double tick = median(tick_us), calls = median(calls_us);
  std::printf("non-detail tick: median %.1f us per tick over %d rounds of %d\n", tick, kRounds, kPerRound);
  std::printf("its system calls alone: median %.1f us\n", calls);
  std::printf("ratio tick / system calls: %.3f (limit 1.25)\n", calls > 0 ? tick / calls : 0.0);
  std::printf("FIGURE sampler_idle_tick_us|%.2f|%.2f|us\n", tick, calls);
  DestroyWindow(sink);
}
QV_WIN_BENCH("sampler_tick_vs_system_calls", tick_against_system_calls);

uint64_t file_time_100ns(const FILETIME& t) { return (static_cast<uint64_t>(t.dwHighDateTime) << 32) | t.dwLowDateTime; }

uint64_t thread_cpu_100ns(HANDLE thread) {
  FILETIME c, e, k, u;
  if (!GetThreadTimes(thread, &c, &e, &k, &u)) return 0;
  return file_time_100ns(k) + file_time_100ns(u);
}

uint64_t process_cpu_100ns(HANDLE process) {
  FILETIME c, e, k, u;
  if (!GetProcessTimes(process, &c, &e, &k, &u)) return 0;
  return file_time_100ns(k) + file_time_100ns(u);
}

// quorvel.exe from beside this executable, with its own LOCALAPPDATA (a fresh temp folder).
qv::UniqueHandle start_monitor() {
  wchar_t self[MAX_PATH];
  const DWORD n = GetModuleFileNameW(nullptr, self, MAX_PATH);
  std::wstring exe(self, n);
  exe = exe.substr(0, exe.find_last_of(L"\\/")) + L"\\quorvel.exe";
  wchar_t tmp[MAX_PATH];
  GetTempPathW(MAX_PATH, tmp);
  const std::wstring dir = std::wstring(tmp) + L"qv-sampler-bench-" + std::to_wstring(GetCurrentProcessId());
  CreateDirectoryW(dir.c_str(), nullptr);
  wchar_t saved[MAX_PATH] = {};
  const DWORD had = GetEnvironmentVariableW(L"LOCALAPPDATA", saved, MAX_PATH);
  SetEnvironmentVariableW(L"LOCALAPPDATA", dir.c_str());  // inherited by the child
  std::wstring cmd = L"\"" + exe + L"\"";
  STARTUPINFOW si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  const BOOL ok = CreateProcessW(exe.c_str(), cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi);
  SetEnvironmentVariableW(L"LOCALAPPDATA", had ? saved : nullptr);
  if (!ok) return {};
  CloseHandle(pi.hThread);
  return qv::UniqueHandle(pi.hProcess);
}

void cpu_use_with_panel_closed() {
  constexpr DWORD kSeconds = 60;
  HWND sink = message_sink();
  auto state = std::make_shared<qv::SharedState>();  // default interval, panel closed
  std::atomic<bool> stop{false};
  std::atomic<DWORD> sampler_tid{0};
  std::thread sampler([&] {
    sampler_tid.store(GetCurrentThreadId());
    qv::run_sampler_until(state, sink, stop);
  });
  while (sampler_tid.load() == 0) Sleep(1);
  qv::UniqueHandle thread(OpenThread(THREAD_QUERY_LIMITED_INFORMATION, FALSE, sampler_tid.load()));
  qv::UniqueHandle monitor = start_monitor();
  Sleep(3000);  // let the monitor finish starting up before measuring it

  const double t0 = now_us();
  const uint64_t thread0 = thread_cpu_100ns(thread.get());
  const uint64_t monitor0 = monitor ? process_cpu_100ns(monitor.get()) : 0;
  for (DWORD waited = 0; waited < kSeconds * 1000; waited += 100) {
    Sleep(100);
    drain_messages();
  }
  const uint64_t thread1 = thread_cpu_100ns(thread.get());
  const uint64_t monitor1 = monitor ? process_cpu_100ns(monitor.get()) : 0;
  const double elapsed_100ns = (now_us() - t0) * 10.0;

  std::printf("sampler thread, panel closed, interval 1000 ms: %.4f %% of one core over %.1f s (%.1f ms CPU; limit 0.2 %%)\n",
              100.0 * static_cast<double>(thread1 - thread0) / elapsed_100ns, elapsed_100ns / 1e7,
              static_cast<double>(thread1 - thread0) / 1e4);
  if (monitor) {
    DWORD code = 0;
    GetExitCodeProcess(monitor.get(), &code);
    std::printf("quorvel.exe (all its threads), panel closed: %.4f %% of one core over the same time (%.1f ms CPU)%s\n",
                100.0 * static_cast<double>(monitor1 - monitor0) / elapsed_100ns,
                static_cast<double>(monitor1 - monitor0) / 1e4, code == STILL_ACTIVE ? "" : " [it had exited]");
    TerminateProcess(monitor.get(), 0);
    WaitForSingleObject(monitor.get(), 5000);
  } else {
    std::printf("quorvel.exe could not be started\n");
  }
  stop.store(true);
  sampler.join();
  DestroyWindow(sink);
}
QV_WIN_BENCH("sampler_cpu_panel_closed", cpu_use_with_panel_closed);

}  // namespace
