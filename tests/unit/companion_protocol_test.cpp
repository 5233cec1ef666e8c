// The companion's MCP message handling over a fake pipe: version negotiation, the JSON-RPC error
// codes, notifications, tool results from the monitor's replies and its failures.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "companion/mcp_server.h"

namespace qv::companion {
namespace {

using nlohmann::json;

// Answers each request line from a table and remembers what was asked.
struct FakePipe {
  std::vector<std::string> requests;
  PipeOutcome next{PipeOutcome::Kind::kReply, R"({"ok":true})"};
  PipeOutcome rules{PipeOutcome::Kind::kReply, R"({"instructions":"Notify me when a build ends.\n"})"};
};

McpServer make_server(FakePipe& pipe) {
  McpServer server;
  server.version = "1.2.3";
  server.context = {"sess-1", "game"};
  server.pipe = [&pipe](const std::string& line) {
    pipe.requests.push_back(line);
    return line == "rules" ? pipe.rules : pipe.next;
  };
  return server;
}

json reply_to(McpServer& server, const std::string& line) {
  const std::optional<std::string> reply = handle_line(server, line);
  EXPECT_TRUE(reply.has_value()) << line;
  if (!reply) return json();
  EXPECT_EQ(reply->find('\n'), std::string::npos);
  return json::parse(*reply);
}

std::string initialize_line(const std::string& version) {
  return R"({"jsonrpc":"2.0","id":1,"method":"initialize","params":{"protocolVersion":")" + version +
         R"(","capabilities":{},"clientInfo":{"name":"t","version":"0"}}})";
}

std::string call_line(const std::string& tool, const std::string& arguments) {
  return R"({"jsonrpc":"2.0","id":"c1","method":"tools/call","params":{"name":")" + tool + R"(","arguments":)" +
         arguments + "}}";
}

TEST(CompanionProtocol, InitializeAnswersKnownVersionsAndTheLatestOtherwise) {
  const std::pair<const char*, const char*> cases[] = {
      {"2024-11-05", "2024-11-05"}, {"2025-03-26", "2025-03-26"}, {"2025-06-18", "2025-06-18"},
      {"2025-11-25", "2025-11-25"}, {"2024-10-07", "2025-11-25"}, {"2099-01-01", "2025-11-25"},
      {"", "2025-11-25"},
  };
  for (const auto& [asked, answered] : cases) {
    FakePipe pipe;
    McpServer server = make_server(pipe);
    const json r = reply_to(server, initialize_line(asked));
    EXPECT_EQ(r["result"]["protocolVersion"], answered) << asked;
  }
}

TEST(CompanionProtocol, InitializeDeclaresToolsServerInfoAndThePreferencesAsInstructions) {
  FakePipe pipe;
  McpServer server = make_server(pipe);
  const json r = reply_to(server, initialize_line("2025-06-18"));
  EXPECT_EQ(r["jsonrpc"], "2.0");
  EXPECT_EQ(r["id"], 1);
  EXPECT_TRUE(r["result"]["capabilities"].contains("tools"));
  EXPECT_EQ(r["result"]["serverInfo"], json::parse(R"({"name":"quorvel","version":"1.2.3"})"));
  EXPECT_EQ(r["result"]["instructions"], "Notify me when a build ends.\n");
  EXPECT_EQ(pipe.requests, std::vector<std::string>{"rules"});
}

TEST(CompanionProtocol, InitializeLeavesInstructionsOutWhenThereAreNone) {
  const PipeOutcome cases[] = {
      {PipeOutcome::Kind::kReply, R"({"instructions":""})"},
      {PipeOutcome::Kind::kReply, R"({"error":"MCP is disabled in Quorvel settings"})"},
      {PipeOutcome::Kind::kNotRunning, kNotRunningText},
      {PipeOutcome::Kind::kReply, "not json"},
  };
  for (const PipeOutcome& rules : cases) {
    FakePipe pipe;
    pipe.rules = rules;
    McpServer server = make_server(pipe);
    std::vector<std::string> said;
    server.diagnostic = [&](std::string_view line) { said.emplace_back(line); };
    const json r = reply_to(server, initialize_line("2025-11-25"));
    EXPECT_FALSE(r["result"].contains("instructions")) << rules.text;
    EXPECT_EQ(r["result"]["protocolVersion"], "2025-11-25");
  }
}

TEST(CompanionProtocol, ErrorCodes) {
  const std::pair<const char*, int> cases[] = {
      {"{not json", -32700},
      {"[1,2", -32700},
      {R"("just a string")", -32600},
      {"42", -32600},
      {R"([{"jsonrpc":"2.0","id":1,"method":"ping"}])", -32600},
      {"[]", -32600},
      {R"({"jsonrpc":"2.0","id":1})", -32600},
      {R"({"jsonrpc":"1.0","id":1,"method":"ping"})", -32600},
      {R"({"id":1,"method":"ping"})", -32600},
      {R"({"jsonrpc":"2.0","id":1,"method":7})", -32600},
      {R"({"jsonrpc":"2.0","id":{"a":1},"method":"ping"})", -32600},
      {R"({"jsonrpc":"2.0","id":null,"method":"ping"})", -32600},
      {R"({"jsonrpc":"2.0","id":1,"method":"resources/list"})", -32601},
      {R"({"jsonrpc":"2.0","id":1,"method":"Ping"})", -32601},
      {R"({"jsonrpc":"2.0","id":1,"method":"tools/call","params":"x"})", -32602},
      {R"({"jsonrpc":"2.0","id":1,"method":"tools/call","params":{}})", -32602},
      {R"({"jsonrpc":"2.0","id":1,"method":"tools/call","params":{"name":"no_such_tool"}})", -32602},
      {R"({"jsonrpc":"2.0","id":1,"method":"tools/call","params":{"name":"get_app","arguments":[1]}})", -32602},
      {R"({"jsonrpc":"2.0","id":1,"method":"initialize","params":{}})", -32602},
      {R"({"jsonrpc":"2.0","id":1,"method":"initialize","params":{"protocolVersion":5}})", -32602},
  };
  for (const auto& [line, code] : cases) {
    FakePipe pipe;
    McpServer server = make_server(pipe);
    const json r = reply_to(server, line);
    EXPECT_EQ(r["jsonrpc"], "2.0") << line;
    EXPECT_EQ(r["error"]["code"], code) << line;
    EXPECT_TRUE(r["error"]["message"].is_string()) << line;
    EXPECT_FALSE(r.contains("result")) << line;
    EXPECT_TRUE(pipe.requests.empty()) << line;
  }
}

TEST(CompanionProtocol, ErrorRepliesCarryTheRequestIdWhenItIsValid) {
  FakePipe pipe;
  McpServer server = make_server(pipe);
  EXPECT_EQ(reply_to(server, R"({"jsonrpc":"2.0","id":"abc","method":"nope"})")["id"], "abc");
  EXPECT_EQ(reply_to(server, R"({"jsonrpc":"2.0","id":17,"method":"nope"})")["id"], 17);
  EXPECT_TRUE(reply_to(server, "{oops")["id"].is_null());
  EXPECT_TRUE(reply_to(server, R"({"jsonrpc":"2.0","id":[1],"method":"ping"})")["id"].is_null());
}

TEST(CompanionProtocol, NotificationsResponsesAndBlankLinesGetNoReply) {
  FakePipe pipe;
  McpServer server = make_server(pipe);
  for (const char* line : {R"({"jsonrpc":"2.0","method":"notifications/initialized"})",
                           R"({"jsonrpc":"2.0","method":"notifications/cancelled","params":{"requestId":3}})",
                           R"({"jsonrpc":"2.0","method":"tools/call","params":{"name":"notify","arguments":{"body":"x"}}})",
                           R"({"jsonrpc":"2.0","method":"no/such/method"})", R"({"jsonrpc":"2.0","id":5,"result":{}})",
                           R"({"jsonrpc":"2.0","id":5,"error":{"code":1,"message":"x"}})", "", "   \t"}) {
    EXPECT_FALSE(handle_line(server, line).has_value()) << line;
  }
  EXPECT_TRUE(pipe.requests.empty());  // a notification never acts, even one naming a tool call
}

TEST(CompanionProtocol, GarbageLineDoesNotStopTheNextRequest) {
  FakePipe pipe;
  McpServer server = make_server(pipe);
  EXPECT_EQ(reply_to(server, "\x01\xff garbage {")["error"]["code"], -32700);
  const json r = reply_to(server, R"({"jsonrpc":"2.0","id":2,"method":"ping"})");
  EXPECT_EQ(r["id"], 2);
  EXPECT_EQ(r["result"], json::object());
}

TEST(CompanionProtocol, ToolsListNamesEveryToolWithDescriptionAndObjectSchema) {
  FakePipe pipe;
  McpServer server = make_server(pipe);
  const json r = reply_to(server, R"({"jsonrpc":"2.0","id":3,"method":"tools/list"})");
  std::vector<std::string> names;
  for (const json& tool : r["result"]["tools"]) {
    names.push_back(tool["name"]);
    EXPECT_GT(tool["description"].get<std::string>().size(), 60u) << tool["name"];
    EXPECT_EQ(tool["inputSchema"]["type"], "object") << tool["name"];
  }
  EXPECT_EQ(names, (std::vector<std::string>{"get_snapshot", "get_history", "top_apps", "get_app", "get_fps",
                                             "notify", "report_agents", "get_notification_preferences"}));
  EXPECT_EQ(r["result"]["tools"][5]["inputSchema"]["required"], json::parse(R"(["body"])"));
  EXPECT_EQ(r["result"]["tools"][2]["inputSchema"]["properties"]["metric"]["enum"],
            json::parse(R"(["cpu","ram","gpu","disk","net"])"));
}

TEST(CompanionProtocol, ToolResultHoldsTheReplyVerbatimAndStructuredFrom20250618) {
  const std::string reply = R"({"cpu_pct":12.5,"mem_used_bytes":100,"fps":null})";
  const std::pair<const char*, bool> cases[] = {
      {"2024-11-05", false}, {"2025-03-26", false}, {"2025-06-18", true}, {"2025-11-25", true}};
  for (const auto& [version, structured] : cases) {
    FakePipe pipe;
    pipe.next = {PipeOutcome::Kind::kReply, reply};
    McpServer server = make_server(pipe);
    reply_to(server, initialize_line(version));
    const json r = reply_to(server, call_line("get_snapshot", "{}"));
    EXPECT_EQ(r["id"], "c1");
    ASSERT_EQ(r["result"]["content"].size(), 1u);
    EXPECT_EQ(r["result"]["content"][0]["type"], "text");
    EXPECT_EQ(r["result"]["content"][0]["text"], reply);
    EXPECT_FALSE(r["result"].value("isError", false));
    EXPECT_EQ(r["result"].contains("structuredContent"), structured) << version;
    if (structured) EXPECT_EQ(r["result"].value("structuredContent", json()), json::parse(reply));
    EXPECT_EQ(pipe.requests.back(), "snapshot");
  }
}

TEST(CompanionProtocol, MonitorFailuresBecomeToolErrorsAModelCanRead) {
  const std::pair<PipeOutcome, const char*> cases[] = {
      {{PipeOutcome::Kind::kNotRunning, ""}, "Quorvel is not running on this machine"},
      {{PipeOutcome::Kind::kReply, R"({"error":"MCP is disabled in Quorvel settings"})"},
       "MCP is disabled in Quorvel settings"},
      {{PipeOutcome::Kind::kRefused, "Refused: not quorvel.exe"}, "Refused: not quorvel.exe"},
      {{PipeOutcome::Kind::kFailed, "Quorvel is busy"}, "Quorvel is busy"},
      {{PipeOutcome::Kind::kReply, "garbage"},
       "Quorvel sent a reply that could not be read; try again, or restart Quorvel"},
  };
  for (const auto& [outcome, text] : cases) {
    FakePipe pipe;
    pipe.next = outcome;
    McpServer server = make_server(pipe);
    const json r = reply_to(server, call_line("get_fps", "{}"));
    EXPECT_EQ(r["result"]["isError"], true) << text;
    EXPECT_EQ(r["result"]["content"][0]["text"], text);
    EXPECT_FALSE(r["result"].contains("structuredContent"));
  }
}

TEST(CompanionProtocol, BadArgumentsAreToolErrorsAndNeverReachThePipe) {
  const std::pair<const char*, const char*> cases[] = {
      {"get_app", "{}"},
      {"get_app", R"({"name":"   "})"},
      {"get_app", R"({"name":5})"},
      {"notify", R"({"title":"x"})"},
      {"notify", R"({"body":["x"]})"},
      {"top_apps", R"({"metric":"swap"})"},
      {"top_apps", R"({"count":"5"})"},
      {"top_apps", R"({"count":2.5})"},
      {"report_agents", "{}"},
      {"report_agents", R"({"agents":{"id":"a"}})"},
      {"report_agents", R"({"agents":["a"]})"},
      {"report_agents", R"({"agents":[{"id":1,"title":"x"}]})"},
  };
  for (const auto& [tool, arguments] : cases) {
    FakePipe pipe;
    McpServer server = make_server(pipe);
    const json r = reply_to(server, call_line(tool, arguments));
    EXPECT_EQ(r["result"]["isError"], true) << tool << " " << arguments;
    EXPECT_NE(r["result"]["content"][0]["text"].get<std::string>().find("Invalid arguments for"), std::string::npos);
    EXPECT_TRUE(pipe.requests.empty()) << tool << " " << arguments;
  }
}

TEST(CompanionProtocol, OversizedRequestIsRefusedBeforeThePipe) {
  FakePipe pipe;
  McpServer server = make_server(pipe);
  const std::string body(1u << 20, 'x');  // "notify " + body is over the monitor's 1 MiB limit
  const json r = reply_to(server, call_line("notify", json{{"body", body}}.dump()));
  EXPECT_EQ(r["result"]["isError"], true);
  EXPECT_TRUE(pipe.requests.empty());
  const std::string fits((1u << 20) - 7, 'x');
  EXPECT_FALSE(reply_to(server, call_line("notify", json{{"body", fits}}.dump()))["result"].value("isError", false));
  EXPECT_EQ(pipe.requests.size(), 1u);
}

TEST(CompanionProtocol, DeeplyNestedLinesAreAnsweredWithoutExhaustingTheStack) {
  FakePipe pipe;
  McpServer server = make_server(pipe);
  const size_t depth = 200000;
  EXPECT_EQ(reply_to(server, std::string(depth, '['))["error"]["code"], -32700);
  EXPECT_EQ(reply_to(server, std::string(depth, '[') + std::string(depth, ']'))["error"]["code"], -32600);
  std::string nested_arguments = R"({"jsonrpc":"2.0","id":9,"method":"tools/call","params":{"name":"get_fps","arguments":{"x":)";
  nested_arguments += std::string(depth, '[') + std::string(depth, ']') + "}}}";
  EXPECT_EQ(reply_to(server, nested_arguments)["id"], 9);
}

TEST(CompanionProtocol, InvalidUtf8FromTheMonitorIsReplacedNotFatal) {
  FakePipe pipe;
  pipe.next = {PipeOutcome::Kind::kReply, "{\"name\":\"a\xff\"}"};
  McpServer server = make_server(pipe);
  const std::optional<std::string> reply = handle_line(server, call_line("get_app", R"({"name":"a"})"));
  ASSERT_TRUE(reply.has_value());
  EXPECT_TRUE(json::accept(*reply));
}

}  // namespace
}  // namespace qv::companion
