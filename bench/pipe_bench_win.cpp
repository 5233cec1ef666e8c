// Round trips of the "snapshot" request through our pipe server, side by side with a bare echo
// server on the same kind of pipe (message mode, same buffers and instance count). One client
// reconnects for every request, as the companion client does.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "../tests/win/pipe_client_win.h"
#include "core/shared_state.h"
#include "mcp_pipe/pipe_server_win.h"
#include "sampler/publish.h"
#include "util/handles_win.h"
#include "win_bench.h"

namespace {

// Connect, read one message, send it back, flush, disconnect: nothing else.
void run_echo_server(const std::wstring& name) {
  std::vector<char> buffer(65536);
  for (;;) {
    qv::UniqueFile pipe(CreateNamedPipeW(name.c_str(), PIPE_ACCESS_DUPLEX,
                                         PIPE_TYPE_MESSAGE | PIPE_READMODE_MESSAGE | PIPE_WAIT | PIPE_REJECT_REMOTE_CLIENTS,
                                         4, 65536, 65536, 0, nullptr));
    if (!pipe) return;
    if (ConnectNamedPipe(pipe.get(), nullptr) || GetLastError() == ERROR_PIPE_CONNECTED) {
      DWORD got = 0;
      if (ReadFile(pipe.get(), buffer.data(), static_cast<DWORD>(buffer.size()), &got, nullptr) && got) {
        DWORD written = 0;
        WriteFile(pipe.get(), buffer.data(), got, &written, nullptr);
        FlushFileBuffers(pipe.get());
      }
    }
    DisconnectNamedPipe(pipe.get());
  }
}

struct Figures {
  std::vector<double> latencies_us;
  size_t failures = 0;
  double rate() const {  // requests per second of this server's own round trips
    double total = 0;
    for (double us : latencies_us) total += us;
    return total > 0 ? 1e6 * static_cast<double>(latencies_us.size()) / total : 0;
  }
};

void measure(const std::wstring& name, int count, Figures& f, const char* request = "snapshot") {
  LARGE_INTEGER freq, a, b;
  QueryPerformanceFrequency(&freq);
  for (int i = 0; i < count; ++i) {
    QueryPerformanceCounter(&a);
    const auto reply = qv::test::pipe_request(name, request);
    QueryPerformanceCounter(&b);
    if (!reply || reply->size() < 8) ++f.failures;
    f.latencies_us.push_back(1e6 * static_cast<double>(b.QuadPart - a.QuadPart) / static_cast<double>(freq.QuadPart));
  }
}

double percentile(std::vector<double> v, double p) {
  std::sort(v.begin(), v.end());
  return v[std::min(v.size() - 1, static_cast<size_t>(p * static_cast<double>(v.size())))];
}

void report(const char* label, const Figures& f) {
  std::printf("%-20s requests %zu  failures %zu  median %.0f us  p99 %.0f us  rate %.0f req/s\n", label,
              f.latencies_us.size(), f.failures, percentile(f.latencies_us, 0.5), percentile(f.latencies_us, 0.99),
              f.rate());
}

void bench_snapshot_round_trip() {
  const std::wstring suffix = std::to_wstring(GetCurrentProcessId());
  const std::wstring ours = L"\\\\.\\pipe\\qv-bench-ours-" + suffix;
  const std::wstring echo = L"\\\\.\\pipe\\qv-bench-echo-" + suffix;

  auto state = std::make_shared<qv::SharedState>();
  qv::Snapshot s;  // a typical record: a few drives and a frame-rate reading
  s.cpu_pct = 23.4f;
  s.mem_total_bytes = 16ull << 30;
  s.mem_used_bytes = 9ull << 30;
  s.fps = qv::PresentingApp{1234, "game.exe", 144};
  s.drives = {{'C', 512ull << 30, 100ull << 30}, {'D', 2ull << 40, 1ull << 40}};
  qv::publish(*state, s, qv::summarise(s, 1));
  std::thread([ours, state] { qv::serve_pipe(ours, state, nullptr); }).detach();
  std::thread([echo] { run_echo_server(echo); }).detach();

  // Warm both up, then alternate in short turns so that both see the same machine load (the
  // build machine is shared and busy).
  Figures warm;
  measure(ours, 50, warm);
  measure(echo, 50, warm);
  Figures f_ours, f_echo, f_unknown;
  for (int turn = 0; turn < 400; ++turn) {
    measure(echo, 5, f_echo);
    measure(ours, 5, f_ours);
    measure(ours, 5, f_unknown, "nonsense");
  }
  report("echo server", f_echo);
  report("our server", f_ours);
  report("  (unknown command)", f_unknown);  // transport without the snapshot copy and formatting
  const double ratio = f_ours.rate() / f_echo.rate();
  std::printf("rate ratio ours/echo %.2f (goal >= 0.80)\n", ratio);
}

QV_WIN_BENCH("pipe_snapshot_round_trip", bench_snapshot_round_trip);

}  // namespace
