// The traffic of a long soak run against a running monitor, for the given number of seconds
// (first argument): four clients that ask every pipe command in turn (notify and agent reports
// with ever new sessions and agents among them) and check every reply, one client that connects
// and says nothing for a while, one that sends garbage, and a stream of short-lived processes so
// that process ids are reused. Ends with one summary line; exit code 0 only when every reply was
// what its command promises and every connection was served.
#include <windows.h>

#include <atomic>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <mutex>
#include <random>
#include <string>
#include <thread>
#include <vector>

namespace {

const wchar_t* kPipe = L"\\\\.\\pipe\\zelmor-mcp";

std::atomic<bool> g_stop{false};
std::atomic<long> g_requests{0}, g_valid{0}, g_invalid{0}, g_unserved{0}, g_garbage{0}, g_stalls{0}, g_children{0};
std::mutex g_report_mutex;
int g_reported = 0;

void report_bad(const std::string& request, const std::string& reply) {
  std::lock_guard lock(g_report_mutex);
  if (++g_reported > 10) return;  // the first ones say enough
  std::fprintf(stderr, "zqsoak: bad reply to \"%s\": \"%s\"\n", request.substr(0, 80).c_str(), reply.substr(0, 200).c_str());
}

HANDLE connect_pipe(DWORD wait_ms) {
  const ULONGLONG end = GetTickCount64() + wait_ms;
  for (;;) {
    HANDLE pipe = CreateFileW(kPipe, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    if (pipe != INVALID_HANDLE_VALUE) {
      DWORD mode = PIPE_READMODE_MESSAGE;
      SetNamedPipeHandleState(pipe, &mode, nullptr, nullptr);
      return pipe;
    }
    if (GetTickCount64() >= end) return INVALID_HANDLE_VALUE;
    if (GetLastError() == ERROR_PIPE_BUSY) WaitNamedPipeW(kPipe, 100); else Sleep(20);
  }
}

// The server answers one client at a time, and "top" and "app" may each wait seconds for fresh
// process figures: with six clients a turn can take a while. A minute without one means the
// server stopped serving.
constexpr DWORD kTurnWaitMs = 60000;

// Sends one request and returns the whole reply; false when the pipe could not be opened.
bool ask(const std::string& request, std::string& reply) {
  HANDLE pipe = connect_pipe(kTurnWaitMs);
  if (pipe == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  WriteFile(pipe, request.data(), static_cast<DWORD>(request.size()), &written, nullptr);
  reply.clear();
  char buf[16384];
  for (;;) {
    DWORD got = 0;
    const BOOL ok = ReadFile(pipe, buf, sizeof buf, &got, nullptr);
    reply.append(buf, got);
    if (!ok && GetLastError() != ERROR_MORE_DATA) break;
    if (ok && got == 0) break;
  }
  CloseHandle(pipe);
  return true;
}

// A small strict JSON reader: true when `text` from `at` holds one value; moves `at` past it.
bool json_value(const std::string& t, size_t& at, int depth);

void skip_space(const std::string& t, size_t& at) {
  while (at < t.size() && (t[at] == ' ' || t[at] == '\t' || t[at] == '\n' || t[at] == '\r')) ++at;
}

bool json_string(const std::string& t, size_t& at) {
  if (at >= t.size() || t[at] != '"') return false;
  for (++at; at < t.size(); ++at) {
    const unsigned char c = static_cast<unsigned char>(t[at]);
    if (c == '"') {
      ++at;
      return true;
    }
    if (c < 0x20) return false;
    if (c == '\\') {
      if (++at >= t.size()) return false;
      const char e = t[at];
      if (e == 'u') {
        for (int k = 0; k < 4; ++k) {
          if (++at >= t.size() || !std::isxdigit(static_cast<unsigned char>(t[at]))) return false;
        }
      } else if (std::string("\"\\/bfnrt").find(e) == std::string::npos) {
        return false;
      }
    }
  }
  return false;
}

bool json_number(const std::string& t, size_t& at) {
  const size_t start = at;
  if (at < t.size() && t[at] == '-') ++at;
  while (at < t.size() && (std::isdigit(static_cast<unsigned char>(t[at])) || t[at] == '.' || t[at] == 'e' ||
                           t[at] == 'E' || t[at] == '+' || t[at] == '-')) {
    ++at;
  }
  return at > start && std::isdigit(static_cast<unsigned char>(t[at - 1]));
}

bool json_value(const std::string& t, size_t& at, int depth) {
  if (depth > 32) return false;
  skip_space(t, at);
  if (at >= t.size()) return false;
  const char c = t[at];
  if (c == '"') return json_string(t, at);
  for (const char* word : {"true", "false", "null"}) {
    if (t.compare(at, std::strlen(word), word) == 0) {
      at += std::strlen(word);
      return true;
    }
  }
  if (c == '{' || c == '[') {
    const char close = c == '{' ? '}' : ']';
    ++at;
    skip_space(t, at);
    if (at < t.size() && t[at] == close) {
      ++at;
      return true;
    }
    for (;;) {
      skip_space(t, at);
      if (c == '{') {
        if (!json_string(t, at)) return false;
        skip_space(t, at);
        if (at >= t.size() || t[at++] != ':') return false;
      }
      if (!json_value(t, at, depth + 1)) return false;
      skip_space(t, at);
      if (at >= t.size()) return false;
      if (t[at] == close) {
        ++at;
        return true;
      }
      if (t[at++] != ',') return false;
    }
  }
  return json_number(t, at);
}

// One JSON object on one line, ending with a line feed, that begins as `opening` says.
bool valid_reply(const std::string& reply, const std::string& opening) {
  if (reply.size() < 3 || reply.back() != '\n') return false;
  const std::string body = reply.substr(0, reply.size() - 1);
  if (body.find('\n') != std::string::npos || body.rfind(opening, 0) != 0) return false;
  size_t at = 0;
  return json_value(body, at, 0) && at == body.size();
}

void client(int index) {
  long round = 0;
  std::mt19937 random(static_cast<unsigned>(index * 7919 + GetTickCount()));
  while (!g_stop) {
    ++round;
    const std::string session = "soak" + std::to_string(index) + "-" + std::to_string(round % 5);
    const std::string agent = "a" + std::to_string(round);
    const std::string status = round % 3 == 0 ? "done" : (round % 3 == 1 ? "running" : "waiting");
    const std::pair<std::string, std::string> asks[] = {
        {"snapshot", "{\"cpu_pct\":"},
        {"history", "{\"samples\":["},
        {"top cpu 5", "{\"metric\":\"cpu\""},
        {"top ram 50", "{\"metric\":\"ram\""},
        {"top disk", "{\"metric\":\"disk\""},
        {"app quorvel.exe", "{\"name\":\"quorvel.exe\",\"running\":true"},
        {"app no-such-app.exe", "{\"name\":\"no-such-app.exe\",\"running\":false}"},
        {"fps", "{\"tracking_available\":"},
        {"notify soak " + std::to_string(index) + "\tround " + std::to_string(round), "{\"ok\":true}"},
        {"agents " + session + "\tsoak client " + std::to_string(index) + "\t[{\"id\":\"" + agent +
             "\",\"title\":\"Step " + std::to_string(round) + "\",\"status\":\"" + status + "\",\"detail\":\"" +
             std::string(random() % 40, 'd') + "\"}]",
         "{\"ok\":true,\"agents\":"},
        {"rules", "{\"instructions\":\""},
        {"no such command", "{\"error\":\"unknown command\"}"},
    };
    for (const auto& [request, opening] : asks) {
      if (g_stop) break;
      ++g_requests;
      std::string reply;
      if (!ask(request, reply)) {
        ++g_unserved;
        report_bad(request, "(the pipe could not be opened within 60 s)");
      } else if (valid_reply(reply, opening)) {
        ++g_valid;
      } else {
        ++g_invalid;
        report_bad(request, reply);
      }
      Sleep(250);
    }
  }
}

// Connects and says nothing for a few seconds: the other clients must still be served.
void staller() {
  while (!g_stop) {
    HANDLE pipe = connect_pipe(15000);
    if (pipe == INVALID_HANDLE_VALUE) {
      Sleep(1000);
      continue;
    }
    ++g_stalls;
    for (int i = 0; i < 50 && !g_stop; ++i) Sleep(100);
    CloseHandle(pipe);
  }
}

// Random bytes, broken UTF-8 and now and then a message over the server's limit. A reply, when
// one comes, must still be one valid JSON line.
void garbage() {
  std::mt19937 random(12345);
  while (!g_stop) {
    size_t length = 1 + random() % 2048;
    if (random() % 50 == 0) length = (1u << 20) + 1 + random() % 100;
    std::string bytes(length, '\0');
    for (char& c : bytes) c = static_cast<char>(random() & 0xFF);
    HANDLE pipe = connect_pipe(kTurnWaitMs);
    if (pipe == INVALID_HANDLE_VALUE) {
      ++g_unserved;
      report_bad("(garbage)", "(the pipe could not be opened within 60 s)");
      continue;
    }
    ++g_garbage;
    DWORD written = 0;
    WriteFile(pipe, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    std::string reply;
    char buf[16384];
    for (;;) {
      DWORD got = 0;
      const BOOL ok = ReadFile(pipe, buf, sizeof buf, &got, nullptr);
      reply.append(buf, got);
      if (!ok && GetLastError() != ERROR_MORE_DATA) break;
      if (ok && got == 0) break;
    }
    CloseHandle(pipe);
    if (!reply.empty() && !valid_reply(reply, "{")) {
      ++g_invalid;
      report_bad("(garbage)", reply);
    }
    Sleep(200);
  }
}

// Short-lived processes, a few at a time, so that the process table keeps changing and ids are
// used again.
void churn(const std::wstring& self) {
  std::mt19937 random(777);
  std::vector<HANDLE> running;
  while (!g_stop) {
    std::wstring command = L"\"" + self + L"\" --child " + std::to_wstring(random() % 1500);
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    if (CreateProcessW(self.c_str(), command.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr, nullptr, &si, &pi)) {
      CloseHandle(pi.hThread);
      running.push_back(pi.hProcess);
      ++g_children;
    }
    while (running.size() >= 4) {
      const DWORD which = WaitForMultipleObjects(static_cast<DWORD>(running.size()), running.data(), FALSE, 5000);
      if (which >= WAIT_OBJECT_0 + running.size()) break;
      CloseHandle(running[which - WAIT_OBJECT_0]);
      running.erase(running.begin() + (which - WAIT_OBJECT_0));
    }
    Sleep(100);
  }
  for (HANDLE h : running) {
    WaitForSingleObject(h, 5000);
    CloseHandle(h);
  }
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc > 2 && std::wcscmp(argv[1], L"--child") == 0) {
    Sleep(static_cast<DWORD>(std::wcstol(argv[2], nullptr, 10)));
    return 0;
  }
  const long seconds = argc > 1 ? std::wcstol(argv[1], nullptr, 10) : 60;
  wchar_t self[MAX_PATH];
  GetModuleFileNameW(nullptr, self, MAX_PATH);

  std::vector<std::thread> threads;
  for (int i = 0; i < 4; ++i) threads.emplace_back(client, i);
  threads.emplace_back(staller);
  threads.emplace_back(garbage);
  threads.emplace_back(churn, std::wstring(self));
  Sleep(static_cast<DWORD>(seconds < 0 ? 0 : seconds) * 1000);
  g_stop = true;
  for (auto& t : threads) t.join();

  std::printf("requests %ld valid %ld invalid %ld unserved %ld garbage %ld stalls %ld processes %ld\n",
              g_requests.load(), g_valid.load(), g_invalid.load(), g_unserved.load(), g_garbage.load(),
              g_stalls.load(), g_children.load());
  return g_invalid == 0 && g_unserved == 0 && g_valid > 0 ? 0 : 1;
}
