// The companion's MCP message handling: any bytes on stdin, no crash, and every reply is one line
// of valid JSON-RPC 2.0, a response or a batch of them (checked by a parser that shares no code
// with the writer).
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include <nlohmann/json.hpp>

#include "../unit/pipe_json_check.h"
#include "companion/line_splitter.h"
#include "companion/mcp_server.h"

namespace {

using qv::companion::PipeOutcome;

// What the fake monitor answers, chosen by the input's first byte.
PipeOutcome monitor_answer(uint8_t mode, const std::string& request) {
  switch (mode % 6) {
    case 0: return {PipeOutcome::Kind::kReply, R"({"cpu_pct":1.0,"drives":[{"letter":"C"}],"fps":null})"};
    case 1: return {PipeOutcome::Kind::kReply, R"({"error":"MCP is disabled in Quorvel settings"})"};
    case 2: return {PipeOutcome::Kind::kNotRunning, ""};
    case 3: return {PipeOutcome::Kind::kReply, "{\"instructions\":\"x\xff\"}"};
    case 4: return {PipeOutcome::Kind::kReply, request};  // echoes whatever the tool built
    default: return {PipeOutcome::Kind::kFailed, "broken \x01 pipe"};
  }
}

void check_response(const nlohmann::json& j) {
  if (!j.is_object() || j.value("jsonrpc", "") != "2.0" || !j.contains("id")) std::abort();
  if (j.contains("result") == j.contains("error")) std::abort();
  if (j.contains("error") && (!j["error"]["code"].is_number_integer() || !j["error"]["message"].is_string())) {
    std::abort();
  }
}

// One response, or a batch's non-empty array of them.
void check_reply(const std::string& reply) {
  if (!qv::test::StrictJson::compact_value(reply) || reply.find('\n') != std::string::npos) std::abort();
  const nlohmann::json j = nlohmann::json::parse(reply, nullptr, false);
  if (!j.is_array()) return check_response(j);
  if (j.empty()) std::abort();
  for (const nlohmann::json& member : j) check_response(member);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const uint8_t mode = data[0];
  qv::companion::McpServer server;
  server.version = "0.1.0";
  server.context = {"s", "l"};
  server.pipe = [mode](const std::string& line, unsigned long) { return monitor_answer(mode, line); };
  qv::companion::LineSplitter splitter(4096);
  const std::string_view input(reinterpret_cast<const char*>(data) + 1, size - 1);
  auto answer = [&](const std::vector<qv::companion::InputLine>& lines) {
    for (const auto& line : lines) {
      const auto reply = line.too_long ? qv::companion::too_long_reply() : qv::companion::handle_line(server, line.text);
      if (reply) check_reply(*reply);
    }
  };
  answer(splitter.feed(input));
  answer(splitter.finish());
  return 0;
}
