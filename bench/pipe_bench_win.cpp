// Round trips of the "snapshot" request through our pipe server, side by side with a bare echo
// server on the same kind of pipe (message mode, same buffers and instance count), an echo server
// that hands the name over like ours, and one that also sends our reply, canned (the same bytes
// with no work). One client reconnects for every request, as the companion client does.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <iterator>
#include <memory>
#include <numeric>
#include <random>
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

// The same, but the next instance is made as soon as a client is connected, as our server does,
// so a client that reconnects at once never finds the name missing. With `reply` set, every
// request is answered with those bytes instead of its own: a server that does no work at all
// but moves as many bytes as ours does.
void run_echo_server_handing_over(const std::wstring& name, std::string reply = {}) {
  std::vector<char> buffer(65536);
  auto make = [&] {
    return qv::UniqueFile(CreateNamedPipeW(name.c_str(), PIPE_ACCESS_DUPLEX,
                                           PIPE_TYPE_MESSAGE | PIPE_READMODE_MESSAGE | PIPE_WAIT | PIPE_REJECT_REMOTE_CLIENTS,
                                           4, 65536, 65536, 0, nullptr));
  };
  qv::UniqueFile next = make();
  for (;;) {
    qv::UniqueFile pipe = std::move(next);
    if (!pipe) return;
    const bool connected = ConnectNamedPipe(pipe.get(), nullptr) || GetLastError() == ERROR_PIPE_CONNECTED;
    next = make();
    if (connected) {
      DWORD got = 0;
      if (ReadFile(pipe.get(), buffer.data(), static_cast<DWORD>(buffer.size()), &got, nullptr) && got) {
        DWORD written = 0;
        if (reply.empty()) {
          WriteFile(pipe.get(), buffer.data(), got, &written, nullptr);
        } else {
          WriteFile(pipe.get(), reply.data(), static_cast<DWORD>(reply.size()), &written, nullptr);
        }
        FlushFileBuffers(pipe.get());
      }
    }
    DisconnectNamedPipe(pipe.get());
  }
}

struct Figures {
  std::vector<double> latencies_us;
  size_t failures = 0;
  size_t retries = 0;  // connection attempts that found no free instance
  double rate() const {  // requests per second of this server's own round trips
    double total = 0;
    for (double us : latencies_us) total += us;
    return total > 0 ? 1e6 * static_cast<double>(latencies_us.size()) / total : 0;
  }
};

// The test client's connect, counting the attempts that found the name missing or busy.
qv::UniqueFile connect_counting(const std::wstring& name, size_t& retries) {
  for (int attempt = 0; attempt < 10000; ++attempt) {
    qv::UniqueFile pipe(CreateFileW(name.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    if (pipe) {
      DWORD mode = PIPE_READMODE_MESSAGE;
      SetNamedPipeHandleState(pipe.get(), &mode, nullptr, nullptr);
      return pipe;
    }
    ++retries;
    if (GetLastError() == ERROR_PIPE_BUSY) {
      WaitNamedPipeW(name.c_str(), 100);
    } else {
      Sleep(1);
    }
  }
  return {};
}

void measure(const std::wstring& name, int count, Figures& f, const char* request = "snapshot") {
  LARGE_INTEGER freq, a, b;
  QueryPerformanceFrequency(&freq);
  for (int i = 0; i < count; ++i) {
    QueryPerformanceCounter(&a);
    qv::UniqueFile pipe = connect_counting(name, f.retries);
    std::string reply;
    if (pipe && qv::test::write_message(pipe.get(), request)) reply = qv::test::read_until_closed(pipe.get());
    pipe.reset();
    QueryPerformanceCounter(&b);
    if (reply.size() < 8) ++f.failures;
    f.latencies_us.push_back(1e6 * static_cast<double>(b.QuadPart - a.QuadPart) / static_cast<double>(freq.QuadPart));
  }
}

double percentile(std::vector<double> v, double p) {
  std::sort(v.begin(), v.end());
  return v[std::min(v.size() - 1, static_cast<size_t>(p * static_cast<double>(v.size())))];
}

void report(const char* label, const Figures& f) {
  std::printf("%-20s requests %zu  failures %zu  retries %zu  median %.0f us  p99 %.0f us  rate %.0f req/s\n", label,
              f.latencies_us.size(), f.failures, f.retries, percentile(f.latencies_us, 0.5),
              percentile(f.latencies_us, 0.99), f.rate());
}

// The benchmark process's threads on one processor (see bench_snapshot_round_trip).
void one_processor() { SetProcessAffinityMask(GetCurrentProcess(), 1); }

void bench_snapshot_round_trip() {
  one_processor();
  auto state = std::make_shared<qv::SharedState>();
  qv::Snapshot s;  // a typical record: a few drives and a frame-rate reading
  s.cpu_pct = 23.4f;
  s.mem_total_bytes = 16ull << 30;
  s.mem_used_bytes = 9ull << 30;
  s.fps = qv::PresentingApp{1234, "game.exe", 144};
  s.drives = {{'C', 512ull << 30, 100ull << 30}, {'D', 2ull << 40, 1ull << 40}};
  qv::publish(*state, s, qv::summarise(s, 1));

  // Under Wine a server thread keeps the pace it got when it started for its whole life (fast
  // or about half as fast, by where the scheduler puts it beside the client on another
  // processor or the same one), so that runs differed by 30 % whichever server it was. Client
  // and servers therefore share one processor, which makes a round trip take the same way for
  // every server; and each segment still starts every server afresh on pipes of their own.
  constexpr int kSegments = 10;
  const std::wstring suffix = std::to_wstring(GetCurrentProcessId());
  std::string our_reply;
  Figures f_ours, f_echo, f_echo2, f_canned, f_unknown;
  std::wstring ours, echo, echo2, canned;
  std::mt19937 shuffler(12345);  // the same orders in every run
  for (int segment = 0; segment < kSegments; ++segment) {
    const std::wstring tail = suffix + L"-" + std::to_wstring(segment);
    ours = L"\\\\.\\pipe\\qv-bench-ours-" + tail;
    echo = L"\\\\.\\pipe\\qv-bench-echo-" + tail;
    echo2 = L"\\\\.\\pipe\\qv-bench-echo2-" + tail;
    canned = L"\\\\.\\pipe\\qv-bench-canned-" + tail;
    // Our own reply, canned: the reference that moves the same bytes and does nothing else.
    if (our_reply.empty()) {
      std::thread([first = ours + L"-reply", state] { qv::serve_pipe(first, state, nullptr); }).detach();
      our_reply = qv::test::pipe_request(ours + L"-reply", "snapshot").value_or("");
    }
    // Started in a shuffled order too: the order of starting also seemed to matter.
    std::vector<std::function<void()>> servers = {
        [ours, state] { qv::serve_pipe(ours, state, nullptr); },
        [echo] { run_echo_server(echo); },
        [echo2] { run_echo_server_handing_over(echo2); },
        [canned, our_reply] { run_echo_server_handing_over(canned, our_reply); }};
    std::shuffle(servers.begin(), servers.end(), shuffler);
    for (auto& server : servers) std::thread(server).detach();

    // Warm all up, then alternate in short turns so that all see the same machine load (the
    // build machine is shared and busy).
    Figures warm;
    for (const std::wstring* name : {&ours, &echo, &echo2, &canned}) measure(*name, 10, warm);
    Figures seg_ours, seg_canned;
    // Five requests to each in turn, in an order shuffled for every turn: the place in a turn
    // matters too (a server asked right after another one is slower than one asked again).
    struct Slot {
      const std::wstring* name;
      Figures* figures;
      const char* request;
    };
    const Slot slots[] = {{&echo, &f_echo, "snapshot"},
                          {&echo2, &f_echo2, "snapshot"},
                          {&canned, &seg_canned, "snapshot"},
                          {&ours, &seg_ours, "snapshot"},
                          {&ours, &f_unknown, "nonsense"}};
    std::vector<size_t> order(std::size(slots));
    std::iota(order.begin(), order.end(), size_t{0});
    for (int turn = 0; turn < 400 / kSegments; ++turn) {
      std::shuffle(order.begin(), order.end(), shuffler);
      for (size_t i : order) measure(*slots[i].name, 5, *slots[i].figures, slots[i].request);
    }
    std::printf("segment %d: ours %.0f req/s, canned %.0f req/s\n", segment, seg_ours.rate(), seg_canned.rate());
    for (auto [from, to] : {std::pair{&seg_ours, &f_ours}, std::pair{&seg_canned, &f_canned}}) {
      to->latencies_us.insert(to->latencies_us.end(), from->latencies_us.begin(), from->latencies_us.end());
      to->failures += from->failures;
      to->retries += from->retries;
    }
  }
  // Processor time of this whole process (client and server threads) per request, each server
  // alone: a server thread that spins or wakes helpers shows here even when latency hides it.
  auto cpu_us_per_request = [](const std::wstring& pipe_name) {
    FILETIME c, e, k0, u0, k1, u1;
    GetProcessTimes(GetCurrentProcess(), &c, &e, &k0, &u0);
    Figures f;
    measure(pipe_name, 500, f);
    GetProcessTimes(GetCurrentProcess(), &c, &e, &k1, &u1);
    auto v = [](const FILETIME& t) { return (static_cast<uint64_t>(t.dwHighDateTime) << 32) | t.dwLowDateTime; };
    return static_cast<double>(v(k1) + v(u1) - v(k0) - v(u0)) / 10.0 / 500;
  };
  const double cpu_echo2 = cpu_us_per_request(echo2), cpu_ours = cpu_us_per_request(ours);
  std::printf("processor time per request (client included): echo handing over %.0f us, ours %.0f us\n", cpu_echo2,
              cpu_ours);
  report("echo server", f_echo);
  report("echo, handing over", f_echo2);
  std::printf("our reply: %zu bytes\n", our_reply.size());
  report("same reply, canned", f_canned);
  report("our server", f_ours);
  report("  (unknown command)", f_unknown);  // transport without the snapshot copy and formatting
  const double ratio = f_ours.rate() / f_echo.rate();
  std::printf("rate ratio ours/echo %.2f (goal >= 0.90)\n", ratio);
  if (f_ours.failures == 0 && f_echo.failures == 0) {
    std::printf("FIGURE pipe_snapshot_rate|%.1f|%.1f|req/s\n", f_ours.rate(), f_echo.rate());
    std::printf("FIGURE pipe_snapshot_rate_vs_handover_echo|%.1f|%.1f|req/s\n", f_ours.rate(), f_echo2.rate());
    if (f_canned.failures == 0) {
      std::printf("FIGURE pipe_snapshot_rate_vs_canned_reply|%.1f|%.1f|req/s\n", f_ours.rate(), f_canned.rate());
    }
    std::printf("FIGURE pipe_snapshot_median_us|%.0f|%.0f|us\n", percentile(f_ours.latencies_us, 0.5),
                percentile(f_echo.latencies_us, 0.5));
    std::printf("FIGURE pipe_snapshot_p99_ms|%.3f|%.3f|ms\n", percentile(f_ours.latencies_us, 0.99) / 1000,
                percentile(f_echo.latencies_us, 0.99) / 1000);
  }
}

QV_WIN_BENCH("pipe_snapshot_round_trip", bench_snapshot_round_trip);

}  // namespace

namespace {

// Requests that come one at a time after a quiet spell longer than the reply bound, as an AI
// tool's usually do: each one finds no helper of the server running.
void bench_sparse_round_trips() {
  one_processor();
  const std::wstring suffix = std::to_wstring(GetCurrentProcessId());
  const std::wstring ours = L"\\\\.\\pipe\\qv-bench-sparse-ours-" + suffix;
  const std::wstring canned = L"\\\\.\\pipe\\qv-bench-sparse-canned-" + suffix;
  auto state = std::make_shared<qv::SharedState>();
  qv::Snapshot s;
  qv::publish(*state, s, qv::summarise(s, 1));
  std::thread([ours, state] { qv::serve_pipe(ours, state, nullptr); }).detach();
  // The reference hands over like ours and answers with our reply, canned.
  const std::string our_reply = qv::test::pipe_request(ours, "snapshot").value_or("");
  std::thread([canned, our_reply] { run_echo_server_handing_over(canned, our_reply); }).detach();
  Figures warm, f_ours, f_canned;
  measure(ours, 5, warm);
  measure(canned, 5, warm);
  // Which server is asked first after the spell takes turns: the first request after a sleep
  // also wakes the client and the machine, and costs more whichever server answers it. Sixteen
  // spells, so that one slow wake-up does not move the median.
  for (int i = 0; i < 16; ++i) {
    Sleep(static_cast<DWORD>(qv::kRequestTimeoutMs) + 600);
    const bool ours_first = i % 2 == 0;
    measure(ours_first ? ours : canned, 1, ours_first ? f_ours : f_canned);
    measure(ours_first ? canned : ours, 1, ours_first ? f_canned : f_ours);
  }
  report("sparse, same reply canned", f_canned);
  report("sparse, our server", f_ours);
  if (f_ours.failures == 0 && f_canned.failures == 0) {
    std::printf("FIGURE pipe_sparse_median_us|%.0f|%.0f|us\n", percentile(f_ours.latencies_us, 0.5),
                percentile(f_canned.latencies_us, 0.5));
  }
}

QV_WIN_BENCH("pipe_sparse_round_trips", bench_sparse_round_trips);

}  // namespace
