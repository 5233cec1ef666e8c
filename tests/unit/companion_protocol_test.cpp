// The companion's MCP message handling over a fake pipe: version negotiation, the JSON-RPC error
// codes, notifications, tool results from the monitor's replies and its failures.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "companion/line_splitter.h"
#include "companion/mcp_server.h"
#include "sampler/publish.h"
#include "sampler/tick_math.h"

namespace qv::companion {
namespace {

using nlohmann::json;

// Answers each request line from a table and remembers what was asked.
struct FakePipe {
  std::vector<std::string> requests;
  std::vector<unsigned long> waits;  // how long each request was to be waited for
  PipeOutcome next{PipeOutcome::Kind::kReply, R"({"ok":true})"};
  PipeOutcome rules{PipeOutcome::Kind::kReply, R"({"instructions":"Notify me when a build ends.\n"})"};
};

McpServer make_server(FakePipe& pipe) {
  McpServer server;
  server.version = "1.2.3";
  server.context = {"sess-1", "game"};
  server.pipe = [&pipe](const std::string& line, unsigned long wait_ms) {
    pipe.requests.push_back(line);
    pipe.waits.push_back(wait_ms);
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
  // A batch whose one member is no request.
  const json batch = reply_to(server, std::string(depth, '[') + std::string(depth, ']'));
  ASSERT_TRUE(batch.is_array());
  ASSERT_EQ(batch.size(), 1u);
  EXPECT_EQ(batch[0]["error"]["code"], -32600);
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

TEST(CompanionProtocol, ToolCallsOutwaitTheMonitorAndStartUpWaitsBriefly) {
  // The monitor may wait 25 s for per-process figures at its longest interval.
  EXPECT_EQ(detail_span_ms(clamp_interval_ms(UINT32_MAX)), 25000u);
  EXPECT_EQ(kReplyWaitMs, 30000u);
  FakePipe pipe;
  McpServer server = make_server(pipe);
  reply_to(server, initialize_line("2025-11-25"));
  reply_to(server, call_line("get_app", R"({"name":"x.exe"})"));
  EXPECT_EQ(pipe.requests, (std::vector<std::string>{"rules", "app x.exe"}));
  EXPECT_EQ(pipe.waits, (std::vector<unsigned long>{3000, 30000}));
}

TEST(CompanionProtocol, BadTextInALineKeepsTheRequestId) {
  const std::pair<std::string, std::string> cases[] = {
      {"{\"jsonrpc\":\"2.0\",\"id\":7,\"method\":\"tools/call\",\"params\":{\"name\":\"get_app\",\"arguments\":{\"name\":\"a\xff" "b\"}}}",
       "app a\xef\xbf\xbd" "b"},
      {R"({"jsonrpc":"2.0","id":7,"method":"tools/call","params":{"name":"get_app","arguments":{"name":"a\ud800b"}}})",
       "app a\xef\xbf\xbd" "b"},
      {R"({"jsonrpc":"2.0","id":7,"method":"tools/call","params":{"name":"get_app","arguments":{"name":"a\udc00"}}})",
       "app a\xef\xbf\xbd"},
      {R"({"jsonrpc":"2.0","id":7,"method":"tools/call","params":{"name":"get_app","arguments":{"name":"\ud83c\udfae\\ud800"}}})",
       "app \xf0\x9f\x8e\xae\\ud800"},  // a pair is kept; an escaped backslash is no escape
  };
  for (const auto& [line, request] : cases) {
    FakePipe pipe;
    McpServer server = make_server(pipe);
    const json r = reply_to(server, line);
    EXPECT_EQ(r["id"], 7) << line;
    EXPECT_FALSE(r.contains("error")) << line;
    EXPECT_EQ(pipe.requests, std::vector<std::string>{request}) << line;
  }
}

TEST(CompanionProtocol, BatchesGetAnArrayOfReplies) {
  FakePipe pipe;
  McpServer server = make_server(pipe);
  const json r = reply_to(server, R"([{"jsonrpc":"2.0","id":1,"method":"ping"},)"
                                  R"({"jsonrpc":"2.0","method":"notifications/initialized"},)"
                                  R"({"jsonrpc":"2.0","id":"b","method":"tools/call","params":{"name":"get_fps"}},)"
                                  R"(5,{"jsonrpc":"2.0","id":3,"method":"nope"}])");
  ASSERT_TRUE(r.is_array());
  ASSERT_EQ(r.size(), 4u);
  EXPECT_EQ(r[0], json::parse(R"({"jsonrpc":"2.0","id":1,"result":{}})"));
  EXPECT_EQ(r[1]["id"], "b");
  EXPECT_EQ(r[1]["result"]["content"][0]["text"], R"({"ok":true})");
  EXPECT_TRUE(r[2]["id"].is_null());
  EXPECT_EQ(r[2]["error"]["code"], -32600);
  EXPECT_EQ(r[3]["error"]["code"], -32601);
  EXPECT_EQ(pipe.requests, std::vector<std::string>{"fps"});
  // Only notifications: nothing to answer. Empty: one error, not an array.
  EXPECT_FALSE(handle_line(server, R"([{"jsonrpc":"2.0","method":"notifications/initialized"}])").has_value());
  EXPECT_EQ(reply_to(server, "[]")["error"]["code"], -32600);
}

TEST(CompanionProtocol, ToolsListHasOnePageAndRefusesMadeUpCursors) {
  FakePipe pipe;
  McpServer server = make_server(pipe);
  EXPECT_EQ(reply_to(server, R"({"jsonrpc":"2.0","id":1,"method":"tools/list","params":{"cursor":"abc"}})")["error"]["code"],
            -32602);
  EXPECT_EQ(reply_to(server, R"({"jsonrpc":"2.0","id":1,"method":"tools/list","params":{"cursor":""}})")["error"]["code"],
            -32602);
  const json r = reply_to(server, R"({"jsonrpc":"2.0","id":1,"method":"tools/list","params":{"cursor":null}})");
  EXPECT_EQ(r["result"]["tools"].size(), 8u);
  EXPECT_FALSE(r["result"].contains("nextCursor"));
}

TEST(CompanionProtocol, LongestLineIsEightMebibytes) {
  LineSplitter splitter;
  const std::string fits(8u << 20, 'x');
  std::vector<InputLine> lines = splitter.feed(fits + "\n" + fits + "x\n");
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_FALSE(lines[0].too_long);
  EXPECT_EQ(lines[0].text.size(), 8u << 20);
  EXPECT_TRUE(lines[1].too_long);
}

TEST(CompanionProtocol, ToolsCarryTitlesAnnotationsAndOutputSchemas) {
  struct Expected {
    const char* name;
    const char* title;
    bool read_only;
  };
  const Expected expected[] = {
      {"get_snapshot", "Machine load now", true},       {"get_history", "Machine load history", true},
      {"top_apps", "Apps using the most", true},        {"get_app", "One app's figures", true},
      {"get_fps", "Frame rates", true},                 {"notify", "Notify the user", false},
      {"report_agents", "Report your agents", false},   {"get_notification_preferences", "Notification preferences", true},
  };
  FakePipe pipe;
  McpServer server = make_server(pipe);
  reply_to(server, initialize_line("2025-11-25"));
  const json tools = reply_to(server, R"({"jsonrpc":"2.0","id":3,"method":"tools/list"})")["result"]["tools"];
  ASSERT_EQ(tools.size(), std::size(expected));
  for (size_t i = 0; i < tools.size(); ++i) {
    const json& tool = tools[i];
    EXPECT_EQ(tool["name"], expected[i].name);
    EXPECT_EQ(tool["title"], expected[i].title);
    json annotations = {{"readOnlyHint", expected[i].read_only}, {"openWorldHint", false}};
    if (!expected[i].read_only) annotations["destructiveHint"] = false;
    EXPECT_EQ(tool["annotations"], annotations) << tool["name"];
    EXPECT_EQ(tool["outputSchema"]["type"], "object") << tool["name"];
    EXPECT_FALSE(tool["outputSchema"]["required"].empty()) << tool["name"];
  }
  EXPECT_EQ(tools[5]["inputSchema"]["properties"]["body"]["minLength"], 1);
  EXPECT_EQ(tools[1]["inputSchema"]["properties"]["last_seconds"]["type"], "integer");
  EXPECT_EQ(tools[1]["outputSchema"]["required"], json::parse(R"(["samples"])"));
  // Clients of revisions without structured results are promised none.
  McpServer old = make_server(pipe);
  reply_to(old, initialize_line("2025-03-26"));
  const json old_list = reply_to(old, R"({"jsonrpc":"2.0","id":3,"method":"tools/list"})");
  for (const json& tool : old_list["result"]["tools"]) {
    EXPECT_FALSE(tool.contains("outputSchema")) << tool["name"];
  }
}

TEST(CompanionProtocol, HistoryCanBeCutToTheLastSeconds) {
  const std::string history =
      R"({"samples":[{"unix_ms":1000,"cpu_pct":1.0},{"unix_ms":2000,"cpu_pct":2.0},{"unix_ms":2500,"cpu_pct":3.0},)"
      R"({"unix_ms":3000,"cpu_pct":4.0}]})";
  const std::pair<const char*, const char*> cases[] = {
      {"{}", "1000 2000 2500 3000"},
      {R"({"last_seconds":1})", "2500 3000"},  // newer than one second before the newest
      {R"({"last_seconds":2})", "2000 2500 3000"},
      {R"({"last_seconds":3})", "1000 2000 2500 3000"},
      {R"({"last_seconds":1e300})", "1000 2000 2500 3000"},
  };
  for (const auto& [arguments, kept] : cases) {
    FakePipe pipe;
    pipe.next = {PipeOutcome::Kind::kReply, history};
    McpServer server = make_server(pipe);
    const json r = reply_to(server, call_line("get_history", arguments));
    std::string times;
    for (const json& sample : r["result"]["structuredContent"]["samples"]) {
      times += (times.empty() ? "" : " ") + std::to_string(sample["unix_ms"].get<long long>());
    }
    EXPECT_EQ(times, kept) << arguments;
    EXPECT_EQ(json::parse(r["result"]["content"][0]["text"].get<std::string>()), r["result"]["structuredContent"]);
    EXPECT_EQ(pipe.requests.back(), "history");
  }
  for (const char* arguments : {R"({"last_seconds":0})", R"({"last_seconds":1.5})", R"({"last_seconds":"60"})"}) {
    FakePipe pipe;
    McpServer server = make_server(pipe);
    EXPECT_EQ(reply_to(server, call_line("get_history", arguments))["result"]["isError"], true) << arguments;
    EXPECT_TRUE(pipe.requests.empty());
  }
}

TEST(CompanionProtocol, AgentsShownAreClearedWhenTheToolLeaves) {
  FakePipe pipe;
  McpServer server = make_server(pipe);
  EXPECT_EQ(farewell_request(server), std::nullopt);  // nothing reported
  reply_to(server, call_line("report_agents", R"({"agents":[{"id":"a","title":"Build","status":"running"}]})"));
  EXPECT_EQ(farewell_request(server), std::optional<std::string>("agents sess-1\tgame\t[]"));
  reply_to(server, call_line("report_agents", R"({"agents":[]})"));
  EXPECT_EQ(farewell_request(server), std::nullopt);  // the list is empty already
  // A report the monitor did not take leaves the earlier state as it was.
  reply_to(server, call_line("report_agents", R"({"agents":[{"title":"Lint"}]})"));
  pipe.next = {PipeOutcome::Kind::kNotRunning, ""};
  reply_to(server, call_line("report_agents", R"({"agents":[]})"));
  EXPECT_NE(farewell_request(server), std::nullopt);
}

TEST(CompanionProtocol, NotificationsAreLimitedToABurstAndThenOneASecond) {
  FakePipe pipe;
  McpServer server = make_server(pipe);
  uint64_t now = 50000;
  server.clock_ms = [&now] { return now; };
  auto notify = [&] { return reply_to(server, call_line("notify", R"({"body":"x"})"))["result"]; };
  for (int i = 0; i < 5; ++i) EXPECT_FALSE(notify().value("isError", false)) << i;
  json refused = notify();
  EXPECT_EQ(refused["isError"], true);
  EXPECT_EQ(refused["content"][0]["text"],
            "Too many notifications: at most 5 at once and then one a second. Try again in 1 second.");
  EXPECT_EQ(pipe.requests.size(), 5u);
  now += 999;
  EXPECT_EQ(notify()["isError"], true);
  now += 1;
  EXPECT_FALSE(notify().value("isError", false));  // a second later, one more
  EXPECT_EQ(notify()["isError"], true);
  now += 60000;  // a long pause refills the burst, no more
  for (int i = 0; i < 5; ++i) EXPECT_FALSE(notify().value("isError", false)) << i;
  EXPECT_EQ(notify()["isError"], true);
  EXPECT_EQ(pipe.requests.size(), 11u);
  // Other tools are not limited.
  for (int i = 0; i < 10; ++i) EXPECT_FALSE(reply_to(server, call_line("get_fps", "{}"))["result"].value("isError", false));
}


// The stateless revision: each request names its version in `_meta`, with no handshake before it.
std::string stateless_line(const std::string& id, const std::string& method, const std::string& version,
                           const std::string& more_params = "") {
  return R"({"jsonrpc":"2.0","id":)" + id + R"(,"method":")" + method +
         R"(","params":{"_meta":{"io.modelcontextprotocol/protocolVersion":")" + version +
         R"(","io.modelcontextprotocol/clientInfo":{"name":"ExampleClient","version":"1.0.0"},)"
         R"("io.modelcontextprotocol/clientCapabilities":{}})" +
         more_params + "}}";
}

TEST(CompanionStatelessRevision, DiscoverAnswersVersionsCapabilitiesAndThePreferences) {
  FakePipe pipe;
  McpServer server = make_server(pipe);
  const std::optional<std::string> reply = handle_line(server, stateless_line(R"("discover-1")", "server/discover", "2026-07-28"));
  ASSERT_TRUE(reply.has_value());
  EXPECT_EQ(*reply,
            R"({"jsonrpc":"2.0","id":"discover-1","result":{"supportedVersions":["2026-07-28"],)"
            R"("capabilities":{"tools":{}},"instructions":"Notify me when a build ends.\n","ttlMs":0,)"
            R"("cacheScope":"private","resultType":"complete",)"
            R"("_meta":{"io.modelcontextprotocol/serverInfo":{"name":"quorvel","version":"1.2.3"}}}})");
  EXPECT_EQ(pipe.requests, std::vector<std::string>{"rules"});
  // No handshake happened, so a later initialize still negotiates from scratch.
  EXPECT_TRUE(server.protocol_version.empty());
}

TEST(CompanionStatelessRevision, OtherVersionsInMetaAreRefusedWithTheSupportedList) {
  for (const char* asked : {"1900-01-01", "2025-11-25", "2026-07-29", ""}) {
    FakePipe pipe;
    McpServer server = make_server(pipe);
    const std::optional<std::string> reply = handle_line(server, stateless_line("1", "tools/call", asked, R"(,"name":"get_fps")"));
    ASSERT_TRUE(reply.has_value());
    EXPECT_EQ(*reply, std::string(R"({"jsonrpc":"2.0","id":1,"error":{"code":-32022,"message":"Unsupported protocol version",)"
                                  R"("data":{"supported":["2026-07-28"],"requested":")") +
                          asked + R"("}}})")
        << asked;
    EXPECT_TRUE(pipe.requests.empty()) << asked;
  }
  FakePipe pipe;
  McpServer server = make_server(pipe);
  EXPECT_EQ(reply_to(server, R"({"jsonrpc":"2.0","id":2,"method":"tools/list","params":{"_meta":{"io.modelcontextprotocol/protocolVersion":7}}})")
                ["error"]["code"],
            -32602);
}

TEST(CompanionStatelessRevision, ToolListIsCacheableAndComplete) {
  FakePipe pipe;
  McpServer server = make_server(pipe);
  reply_to(server, initialize_line("2025-03-26"));  // an older handshake does not colour a stateless request
  json r = reply_to(server, stateless_line(R"("list-tools-example")", "tools/list", "2026-07-28"));
  EXPECT_EQ(r["result"]["resultType"], "complete");
  EXPECT_EQ(r["result"]["ttlMs"], 3600000);
  EXPECT_EQ(r["result"]["cacheScope"], "public");
  EXPECT_EQ(r["result"]["_meta"], json::parse(R"({"io.modelcontextprotocol/serverInfo":{"name":"quorvel","version":"1.2.3"}})"));
  ASSERT_EQ(r["result"]["tools"].size(), 8u);
  for (const json& tool : r["result"]["tools"]) EXPECT_TRUE(tool.contains("outputSchema")) << tool["name"];
  EXPECT_EQ(reply_to(server, stateless_line("3", "tools/list", "2026-07-28", R"(,"cursor":"x")"))["error"]["code"], -32602);
}

TEST(CompanionStatelessRevision, ToolResultsAndToolErrorsAreCompleteWithServerInfo) {
  FakePipe pipe;
  pipe.next = {PipeOutcome::Kind::kReply, R"({"fps":null})"};
  McpServer server = make_server(pipe);
  const std::optional<std::string> reply =
      handle_line(server, stateless_line(R"("call-tool-example")", "tools/call", "2026-07-28", R"(,"name":"get_fps","arguments":{})"));
  ASSERT_TRUE(reply.has_value());
  EXPECT_EQ(*reply,
            R"({"jsonrpc":"2.0","id":"call-tool-example","result":{"content":[{"type":"text","text":"{\"fps\":null}"}],)"
            R"("structuredContent":{"fps":null},"resultType":"complete",)"
            R"("_meta":{"io.modelcontextprotocol/serverInfo":{"name":"quorvel","version":"1.2.3"}}}})");
  pipe.next = {PipeOutcome::Kind::kNotRunning, ""};
  json failed = reply_to(server, stateless_line("4", "tools/call", "2026-07-28", R"(,"name":"get_fps")"));
  EXPECT_EQ(failed["result"]["isError"], true);
  EXPECT_EQ(failed["result"]["resultType"], "complete");
  // Unknown tools stay protocol errors, which carry no result fields.
  json unknown = reply_to(server, stateless_line("5", "tools/call", "2026-07-28", R"(,"name":"nope")"));
  EXPECT_EQ(unknown["error"]["code"], -32602);
  EXPECT_FALSE(unknown.contains("result"));
}

TEST(CompanionStatelessRevision, HandshakeAndPingAreNotPartOfIt) {
  FakePipe pipe;
  McpServer server = make_server(pipe);
  for (const char* method : {"ping", "initialize"}) {
    EXPECT_EQ(reply_to(server, stateless_line("6", method, "2026-07-28"))["error"]["code"], -32601) << method;
  }
  EXPECT_TRUE(server.protocol_version.empty());
  EXPECT_TRUE(pipe.requests.empty());
  // A client of the older revisions that asks initialize for this one is offered the newest older one.
  EXPECT_EQ(reply_to(server, initialize_line("2026-07-28"))["result"]["protocolVersion"], "2025-11-25");
}

}  // namespace
}  // namespace qv::companion
