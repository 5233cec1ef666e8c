// zelmor-mcp.exe: the AI tool starts this program and talks the Model Context Protocol with it over
// stdin and stdout, one JSON-RPC message per line. Each tool call becomes one request on the
// monitor's pipe. Only protocol messages ever go to stdout; everything else goes to stderr. The
// session's two threads take turns reading stdin and running tool calls.
#include <windows.h>

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "util/names.h"
#include "companion/identity.h"
#include "companion/line_splitter.h"
#include "companion/mcp_server.h"
#include "companion/pipe_client_win.h"
#include "companion/session.h"
#include "util/wide_win.h"

#ifndef QV_COMPANION_VERSION
#define QV_COMPANION_VERSION "0.0.0"
#endif

namespace {

void write_all(HANDLE out, std::string_view bytes) {
  while (!bytes.empty()) {
    DWORD written = 0;
    if (!WriteFile(out, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) || written == 0) return;
    bytes.remove_prefix(written);
  }
}

void diagnostic(std::string_view line) {
  std::string text = "zelmor-mcp: ";
  text += line;
  text += '\n';
  write_all(GetStdHandle(STD_ERROR_HANDLE), text);
}

uint64_t unix_ms_now() {
  FILETIME ft{};
  GetSystemTimeAsFileTime(&ft);
  const uint64_t ticks = (static_cast<uint64_t>(ft.dwHighDateTime) << 32) | ft.dwLowDateTime;
  return ticks / 10000 - 11644473600000ull;  // 100-ns ticks since 1601 to ms since 1970
}

std::string current_folder() {
  std::wstring path(MAX_PATH, L'\0');
  DWORD n = GetCurrentDirectoryW(static_cast<DWORD>(path.size()), path.data());
  if (n > path.size()) {
    path.resize(n);
    n = GetCurrentDirectoryW(static_cast<DWORD>(path.size()), path.data());
  }
  path.resize(n <= path.size() ? n : 0);
  return qv::narrow(path);
}

}  // namespace

int wmain() {
  using namespace qv::companion;
  PipeClient client;
  client.pipe_name = qv::kPipeName;
  client.diagnostic = diagnostic;
  McpServer server;
  server.version = QV_COMPANION_VERSION;
  server.context.session_id = session_id(GetCurrentProcessId(), unix_ms_now());
  server.context.label = folder_label(current_folder());
  server.pipe = [&client](const std::string& line, unsigned long wait_ms) { return send_request(client, line, wait_ms); };
  server.diagnostic = diagnostic;

  const HANDLE in = GetStdHandle(STD_INPUT_HANDLE);
  const HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
  Session session(server, [out](const std::string& reply) { write_all(out, reply + "\n"); });
  client.before_wait = [&session] { session.call_waits(); };
  LineSplitter splitter;
  bool input_over = false;
  // Called by one of the session's two threads at a time.
  session.serve([&]() -> std::optional<std::vector<InputLine>> {
    if (input_over) return std::nullopt;
    static char buffer[65536];
    for (;;) {
      DWORD got = 0;
      // End of input (the AI tool closed our stdin) or a broken stdin ends the program.
      if (!ReadFile(in, buffer, sizeof buffer, &got, nullptr) || got == 0) {
        input_over = true;
        return splitter.finish();
      }
      std::vector<InputLine> lines = splitter.feed(std::string_view(buffer, got));
      if (!lines.empty()) return lines;
    }
  });
  return 0;
}
