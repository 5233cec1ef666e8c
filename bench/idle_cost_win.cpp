// What the monitor costs while it sits idle in the notification area, beside the least program
// that does the same job (tray_baseline.exe), both started fresh under the same system and
// measured over the same minute: processor use, resident memory and private bytes. And where the
// monitor's own memory goes: the private bytes and resident set of this process before and after
// each of its facilities is set up.
//
// Under Wine the system's own answers for another process are empty (no processor times, no
// private bytes), so the figures come from the host's view of the two processes instead, read
// through Wine's drive Z: (the host's root): the run time of every thread, the resident set, and
// the private part of it (anonymous and private dirty pages from smaps). On Windows the system's
// answers are used.
//
// Lines that start with "FIGURE" are read by scripts/bench.sh:
//   FIGURE <name>|<ours>|<reference>|<unit>
#include <windows.h>
#include <psapi.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <thread>
#include <unordered_map>

#include "core/shared_state.h"
#include "sampler/sampler_thread_win.h"
#include "config/settings.h"
#include "core/messages.h"
#include "ui/gdi/draw_win.h"
#include "ui/panel/frame/panel_window_win.h"
#include "ui/panel/frame/ui_state_win.h"
#include "ui/tray/tray_win.h"
#include "util/handles_win.h"
#include "host_view_win.h"
#include "win_bench.h"

namespace {

using qv::bench::HostView;
using qv::bench::host_view;
using qv::bench::under_wine;

struct Memory {
  double resident_mb = 0;  // working set
  double private_mb = 0;   // private bytes (commit charge)
};

Memory memory_of(HANDLE process);

// This process's own memory. Under Wine the system's private bytes read 0: the host's smaps
// figure stands in for them.
Memory own_memory() {
  if (!under_wine()) return memory_of(GetCurrentProcess());
  const HostView v = qv::bench::host_view_of_dir(qv::bench::host_dir_of_self(), true);
  return Memory{v.resident_mb, v.private_mb};
}

Memory memory_of(HANDLE process) {
  PROCESS_MEMORY_COUNTERS_EX c{};
  c.cb = sizeof c;
  Memory m;
  if (GetProcessMemoryInfo(process, reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&c), sizeof c)) {
    m.resident_mb = static_cast<double>(c.WorkingSetSize) / (1 << 20);
    m.private_mb = static_cast<double>(c.PrivateUsage) / (1 << 20);
  }
  return m;
}

uint64_t process_cpu_100ns(HANDLE process) {
  FILETIME c, e, k, u;
  if (!GetProcessTimes(process, &c, &e, &k, &u)) return 0;
  auto v = [](const FILETIME& t) { return (static_cast<uint64_t>(t.dwHighDateTime) << 32) | t.dwLowDateTime; };
  return v(k) + v(u);
}

std::wstring beside_me(const wchar_t* file) {
  wchar_t self[MAX_PATH];
  const DWORD n = GetModuleFileNameW(nullptr, self, MAX_PATH);
  std::wstring path(self, n);
  return path.substr(0, path.find_last_of(L"\\/") + 1) + file;
}

// Started with its own LOCALAPPDATA (a fresh folder), so it sees default settings.
qv::UniqueHandle start(const wchar_t* file) {
  const std::wstring exe = beside_me(file);
  wchar_t tmp[MAX_PATH];
  GetTempPathW(MAX_PATH, tmp);
  const std::wstring dir = std::wstring(tmp) + L"qv-idle-bench-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
                           std::to_wstring(GetTickCount64());
  CreateDirectoryW(dir.c_str(), nullptr);
  wchar_t saved[MAX_PATH] = {};
  const DWORD had = GetEnvironmentVariableW(L"LOCALAPPDATA", saved, MAX_PATH);
  SetEnvironmentVariableW(L"LOCALAPPDATA", dir.c_str());
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

DWORD idle_seconds() {
  const char* text = std::getenv("QV_IDLE_SECONDS");
  const long v = text ? std::strtol(text, nullptr, 10) : 0;
  return v > 0 ? static_cast<DWORD>(v) : 60;
}

double now_s() {
  LARGE_INTEGER f, c;
  QueryPerformanceFrequency(&f);
  QueryPerformanceCounter(&c);
  return static_cast<double>(c.QuadPart) / static_cast<double>(f.QuadPart);
}

// Processor seconds so far and memory now, of one process.
struct Reading {
  double cpu_s = 0;
  Memory memory;
};

Reading read_process(HANDLE process, const std::wstring& exe) {
  Reading r;
  if (under_wine()) {
    const HostView v = host_view(exe, true);
    r.cpu_s = v.cpu_s;
    r.memory.resident_mb = v.resident_mb;
    r.memory.private_mb = v.private_mb;
  } else {
    r.cpu_s = static_cast<double>(process_cpu_100ns(process)) / 1e7;
    r.memory = memory_of(process);
  }
  return r;
}

// One round: both programs started together, left alone for the idle time, then measured.
void idle_cost() {
  const DWORD seconds = idle_seconds();
  const std::wstring ours_exe = beside_me(L"quorvel.exe"), reference_exe = beside_me(L"tray_baseline.exe");
  qv::UniqueHandle ours = start(L"quorvel.exe");
  qv::UniqueHandle reference = start(L"tray_baseline.exe");
  if (!ours || !reference) {
    std::printf("could not start %s\n", ours ? "tray_baseline.exe" : "quorvel.exe");
    return;
  }
  // Start-up is not idle: the processor figure counts from the 5th second on.
  Sleep(5000);
  const double t0 = now_s();
  const Reading ours0 = read_process(ours.get(), ours_exe), reference0 = read_process(reference.get(), reference_exe);
  Sleep(seconds > 5 ? (seconds - 5) * 1000 : 1000);
  const double elapsed = now_s() - t0;
  const Reading ours1 = read_process(ours.get(), ours_exe), reference1 = read_process(reference.get(), reference_exe);
  DWORD code_ours = 0, code_reference = 0;
  GetExitCodeProcess(ours.get(), &code_ours);
  GetExitCodeProcess(reference.get(), &code_reference);

  const double cpu_ours = 100.0 * (ours1.cpu_s - ours0.cpu_s) / elapsed;
  const double cpu_reference = 100.0 * (reference1.cpu_s - reference0.cpu_s) / elapsed;
  const char* private_name = under_wine() ? "private (smaps: anonymous and private dirty)" : "private bytes";
  std::printf("after %lu s idle: quorvel.exe %.3f %% of a core, %.1f MB resident, %.1f MB %s%s\n",
              static_cast<unsigned long>(seconds), cpu_ours, ours1.memory.resident_mb, ours1.memory.private_mb,
              private_name, code_ours == STILL_ACTIVE ? "" : " [it had exited]");
  std::printf("              tray_baseline.exe %.3f %% of a core, %.1f MB resident, %.1f MB %s%s\n", cpu_reference,
              reference1.memory.resident_mb, reference1.memory.private_mb, private_name,
              code_reference == STILL_ACTIVE ? "" : " [it had exited]");
  if (code_ours == STILL_ACTIVE && code_reference == STILL_ACTIVE && ours1.memory.resident_mb > 0 &&
      reference1.memory.resident_mb > 0) {
    std::printf("FIGURE idle_cpu_pct|%.4f|%.4f|%% of a core\n", cpu_ours, cpu_reference);
    std::printf("FIGURE idle_resident_mb|%.2f|%.2f|MB\n", ours1.memory.resident_mb, reference1.memory.resident_mb);
    std::printf("FIGURE idle_private_mb|%.2f|%.2f|MB\n", ours1.memory.private_mb, reference1.memory.private_mb);
  } else {
    std::printf("no figures: a program had exited or could not be measured\n");
  }

  // The panel opened from the tray icon and closed again: memory should come back to the idle
  // figure. Open for 10 s (detail ticks: processes, per-core, graphics, sound), closed for 15 s.
  if (HWND panel = FindWindowW(L"ZelmorWnd", nullptr); panel && code_ours == STILL_ACTIVE) {
    PostMessageW(panel, WM_APP + 1, 1, WM_LBUTTONUP);
    Sleep(10000);
    const Reading open = read_process(ours.get(), ours_exe);
    PostMessageW(panel, WM_APP + 1, 1, WM_LBUTTONUP);
    Sleep(15000);
    const Reading closed = read_process(ours.get(), ours_exe);
    std::printf("panel opened for 10 s: %.1f MB resident, %.1f MB private; closed again for 15 s: %.1f MB resident, "
                "%.1f MB private (idle %.1f MB resident, %.1f MB private)\n",
                open.memory.resident_mb, open.memory.private_mb, closed.memory.resident_mb, closed.memory.private_mb,
                ours1.memory.resident_mb, ours1.memory.private_mb);
    // Once more: what the first opening set up is there already, so whatever stays now is
    // what every use of the panel would leave behind.
    PostMessageW(panel, WM_APP + 1, 1, WM_LBUTTONUP);
    Sleep(10000);
    PostMessageW(panel, WM_APP + 1, 1, WM_LBUTTONUP);
    Sleep(15000);
    const Reading closed_twice = read_process(ours.get(), ours_exe);
    std::printf("opened and closed a second time: %.1f MB resident, %.1f MB private\n", closed_twice.memory.resident_mb,
                closed_twice.memory.private_mb);
    GetExitCodeProcess(ours.get(), &code_ours);
    if (code_ours == STILL_ACTIVE && closed.memory.resident_mb > 0) {
      std::printf("FIGURE panel_closed_again_resident_mb|%.2f|%.2f|MB\n", closed.memory.resident_mb,
                  ours1.memory.resident_mb);
      std::printf("FIGURE panel_second_use_resident_mb|%.2f|%.2f|MB\n", closed_twice.memory.resident_mb,
                  closed.memory.resident_mb);
      std::printf("FIGURE panel_closed_again_private_mb|%.2f|%.2f|MB\n", closed.memory.private_mb,
                  ours1.memory.private_mb);
      std::printf("FIGURE panel_second_use_private_mb|%.2f|%.2f|MB\n", closed_twice.memory.private_mb,
                  closed.memory.private_mb);
    }
  } else {
    std::printf("the monitor's panel window was not found\n");
  }
  for (HANDLE h : {ours.get(), reference.get()}) {
    TerminateProcess(h, 0);
    WaitForSingleObject(h, 5000);
  }
}
QV_WIN_BENCH("idle_cost_vs_baseline", idle_cost);

// Memory of this process now; the difference to the previous call is printed under `label`,
// with the part of it that our own code holds through new ("ours"): the rest is the system's
// libraries, their heaps and the allocator's free lists.
class MemorySteps {
 public:
  MemorySteps() : last_(own_memory()), last_ours_(qv::bench::live_heap_bytes()) {}
  void step(const char* label) {
    const Memory now = own_memory();
    const long long ours = qv::bench::live_heap_bytes();
    std::printf("  %-44s private %+8.0f KB  resident %+8.0f KB  ours %+8.0f KB\n", label,
                (now.private_mb - last_.private_mb) * 1024, (now.resident_mb - last_.resident_mb) * 1024,
                static_cast<double>(ours - last_ours_) / 1024);
    last_ = now;
    last_ours_ = ours;
  }

 private:
  Memory last_;
  long long last_ours_ = 0;
};

void memory_per_facility() {
  const Memory start = own_memory();
  std::printf("this process at start: private %.1f MB, resident %.1f MB\n", start.private_mb, start.resident_mb);
  MemorySteps steps;
  std::atomic<bool> stop{false};
  std::thread idle_worker([&] {
    while (!stop.load()) Sleep(10);
  });
  Sleep(50);
  steps.step("one idle worker thread (std::thread)");
  HANDLE small = CreateThread(
      nullptr, 64 * 1024,
      [](void* flag) -> DWORD {
        while (!static_cast<std::atomic<bool>*>(flag)->load()) Sleep(10);
        return 0;
      },
      &stop, STACK_SIZE_PARAM_IS_A_RESERVATION, nullptr);
  Sleep(50);
  steps.step("one idle worker thread (64 KiB stack reserved)");
  std::thread([] { Sleep(10); }).join();
  steps.step("a worker thread that has ended");
  std::thread([] { Sleep(10); }).join();
  steps.step("a second worker thread that has ended");
  HWND sink = CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
  steps.step("a message-only window (window libraries load)");
  auto shared = std::make_shared<qv::SharedState>();
  steps.step("shared state (history ring, queues)");
  auto s = std::make_unique<qv::SamplerState>(shared, sink);
  steps.step("sampler state (buffers)");
  {
    qv::Snapshot snap;
    snap.processes = s->processes.enumerate_processes(1.0, s->logical_cpus, {});
  }
  steps.step("process list (first enumeration)");
  {
    float pct = 0;
    std::unordered_map<uint32_t, float> per_pid;
    const bool ok = s->gpu.read(pct, per_pid, 1000);
    steps.step(ok ? "graphics counters (available)" : "graphics counters (unavailable)");
  }
  {
    float peak = 0;
    std::unordered_map<uint32_t, float> per_pid;
    const bool ok = s->sound.read(peak, per_pid);
    steps.step(ok ? "sound meters (available)" : "sound meters (unavailable)");
  }
  qv::sample_tick(*s, true);
  steps.step("priming tick (everything a detail tick reads)");
  for (int i = 0; i < 5; ++i) qv::sample_tick(*s, false);
  steps.step("5 ticks, panel closed");
  {
    qv::FontSet fonts = qv::create_font_set(1.0f);
    steps.step("font set");
    HWND top = CreateWindowExW(WS_EX_TOOLWINDOW, L"STATIC", L"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr,
                               nullptr);
    qv::create_text_field(top, 1, fonts.body);
    steps.step("hidden window with one text field");
    for (int id = 2; id <= 4; ++id) qv::create_text_field(top, id, fonts.body);
    steps.step("three more text fields");
    qv::TraySet tray;
    tray.window = top;
    qv::Settings settings;
    qv::sync_tray_icons(tray, settings);
    qv::Snapshot snap;
    snap.cpu_pct = 12;
    for (int i = 0; i < 5; ++i) {
      snap.cpu_pct += 7;
      qv::refresh_tray_icons(tray, snap);
    }
    steps.step("tray icons at the default settings, 5 refreshes");
    qv::remove_tray_icons(tray);
    DestroyWindow(top);
  }
  {
    // The panel as the tray's click opens it: the real window procedure and UiState, sharing
    // the sampler's state, so that the ticks while it is shown are detail ticks.
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = &qv::panel_window_proc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"QvMemoryPanel";
    RegisterClassExW(&wc);
    HWND panel = CreateWindowExW(WS_EX_TOPMOST | WS_EX_TOOLWINDOW, wc.lpszClassName, L"", WS_POPUP | WS_CLIPCHILDREN,
                                 0, 0, 10, 10, nullptr, nullptr, wc.hInstance, nullptr);
    auto owned = std::make_unique<qv::UiState>();
    owned->shared = shared;
    owned->window = panel;
    owned->fonts = qv::create_font_set(1.0f);
    owned->tray.window = panel;
    owned->tray.shell = [](DWORD, NOTIFYICONDATAW&) { return TRUE; };  // the tray was measured above
    qv::set_ui_state(std::move(owned));
    steps.step("panel window and its UiState, hidden");
    auto open = [&] {
      SendMessageW(panel, qv::kWmTray, 1, WM_LBUTTONUP);
      UpdateWindow(panel);
    };
    auto detail_ticks = [&] {
      for (int i = 0; i < 5; ++i) qv::sample_tick(*s, false);
    };
    auto samples_shown = [&] {
      for (int i = 0; i < 5; ++i) {
        SendMessageW(panel, qv::kWmSample, 0, 0);
        UpdateWindow(panel);
      }
    };
    auto close = [&] {
      SendMessageW(panel, qv::kWmTray, 1, WM_LBUTTONUP);
      for (int i = 0; i < 3; ++i) {  // ticks after closing: no process list any more
        qv::sample_tick(*s, false);
        SendMessageW(panel, qv::kWmSample, 0, 0);
      }
    };
    const long long own_before_panel = qv::bench::live_heap_bytes();
    open();
    steps.step("panel opened: shown and painted once");
    detail_ticks();
    steps.step("5 detail ticks (the panel is shown)");
    samples_shown();
    steps.step("5 samples taken and painted by the panel");
    close();
    steps.step("panel closed, 3 ticks");
    const long long own_after_first_use = qv::bench::live_heap_bytes();
    open();
    detail_ticks();
    samples_shown();
    close();
    steps.step("panel opened and closed again");
    for (int i = 0; i < 3; ++i) {
      open();
      detail_ticks();
      samples_shown();
      close();
    }
    steps.step("panel opened and closed 3 times more");
    // Our own code's part of what the first opening leaves behind: the rest of the private
    // growth above is the system's libraries and their heaps, loaded on first use.
    std::printf("FIGURE panel_first_use_own_heap_kb|%.1f|%.1f|KB\n", static_cast<double>(own_after_first_use) / 1024,
                static_cast<double>(own_before_panel) / 1024);
    qv::set_ui_state(nullptr);
    DestroyWindow(panel);
  }
  s.reset();
  steps.step("sampler state released");
  stop.store(true);
  idle_worker.join();
  WaitForSingleObject(small, 5000);
  CloseHandle(small);
  DestroyWindow(sink);
  const Memory end = own_memory();
  std::printf("this process at end: private %.1f MB, resident %.1f MB\n", end.private_mb, end.resident_mb);
}
QV_WIN_BENCH("memory_per_facility", memory_per_facility);

}  // namespace
