// The companion's pipe request lines built from tool arguments, the agents payload as the
// monitor's lenient reader sees it, the session label, the server verdict and stdin line cutting.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "agents/agent_report.h"
#include "companion/identity.h"
#include "companion/line_splitter.h"
#include "companion/mcp_server.h"

namespace qv::companion {
namespace {

using nlohmann::json;

// The request line one tool call sends.
std::string request_for(const std::string& tool, const json& arguments) {
  std::vector<std::string> sent;
  McpServer server;
  server.context = {"zelmor-mcp-42-1000", "my project"};
  server.pipe = [&](const std::string& line, unsigned long) {
    sent.push_back(line);
    return PipeOutcome{PipeOutcome::Kind::kReply, "{}"};
  };
  const json call = {{"jsonrpc", "2.0"}, {"id", 1}, {"method", "tools/call"},
                     {"params", {{"name", tool}, {"arguments", arguments}}}};
  handle_line(server, call.dump());
  return sent.size() == 1 ? sent[0] : "<" + std::to_string(sent.size()) + " requests>";
}

TEST(CompanionRequests, FixedTools) {
  EXPECT_EQ(request_for("get_snapshot", json::object()), "snapshot");
  EXPECT_EQ(request_for("get_history", json::object()), "history");
  EXPECT_EQ(request_for("get_fps", {{"ignored", 1}}), "fps");
  EXPECT_EQ(request_for("get_notification_preferences", json::object()), "rules");
}

TEST(CompanionRequests, TopAppsDefaultsAndClampsTheCount) {
  const std::pair<json, const char*> cases[] = {
      {json::object(), "top cpu 10"},
      {{{"metric", "ram"}, {"count", 3}}, "top ram 3"},
      {{{"metric", "NET"}}, "top net 10"},
      {{{"metric", "disk"}, {"count", 1}}, "top disk 1"},
      {{{"metric", "gpu"}, {"count", 50}}, "top gpu 50"},
      {{{"count", 0}}, "top cpu 1"},
      {{{"count", -7}}, "top cpu 1"},
      {{{"count", 51}}, "top cpu 50"},
      {{{"count", 1e300}}, "top cpu 50"},
      {{{"count", 4.0}}, "top cpu 4"},
      {{{"count", nullptr}}, "top cpu 10"},
  };
  for (const auto& [arguments, line] : cases) EXPECT_EQ(request_for("top_apps", arguments), line) << arguments;
}

TEST(CompanionRequests, AppNameIsTrimmedAndKeptOnOneLine) {
  EXPECT_EQ(request_for("get_app", {{"name", "node.exe"}}), "app node.exe");
  EXPECT_EQ(request_for("get_app", {{"name", "  My App.exe \n"}}), "app My App.exe");
  EXPECT_EQ(request_for("get_app", {{"name", "a\tb\nc"}}), "app a b c");
}

TEST(CompanionRequests, NotifyCleansTheTitleAndKeepsTheBodyWhole) {
  const std::pair<json, const char*> cases[] = {
      {{{"body", "Build done"}}, "notify Build done"},
      {{{"title", "CI"}, {"body", "All green"}}, "notify CI\tAll green"},
      {{{"title", "two\tparts\r\nhere"}, {"body", "b"}}, "notify two parts  here\tb"},
      {{{"title", "CI"}, {"body", "col1\tcol2\nline 2"}}, "notify CI\tcol1\tcol2\nline 2"},
      // Without a title the monitor would take the text before a tab as the title.
      {{{"body", "col1\tcol2"}}, "notify col1 col2"},
      {{{"title", " \t\n"}, {"body", "x\ty"}}, "notify x y"},
      // A blank body is refused: the monitor would lose the title with the trimmed tab.
      {{{"title", nullptr}, {"body", ""}}, "<0 requests>"},
      {{{"title", "Build"}, {"body", " \t\r\n"}}, "<0 requests>"},
      {{{"title", "Build"}, {"body", "."}}, "notify Build\t."},
  };
  for (const auto& [arguments, line] : cases) EXPECT_EQ(request_for("notify", arguments), line) << arguments;
}

TEST(CompanionRequests, ReportAgentsSendsSessionLabelAndTheFourMembers) {
  EXPECT_EQ(request_for("report_agents", {{"agents", json::array()}}), "agents zelmor-mcp-42-1000\tmy project\t[]");
  const json agents = json::parse(R"([{"status":"running","title":"Build","id":"a","detail":"x\ty","extra":1},
                                      {"title":"Lint","status":"done"}])");
  EXPECT_EQ(request_for("report_agents", {{"agents", agents}}),
            "agents zelmor-mcp-42-1000\tmy project\t"
            R"([{"id":"a","title":"Build","status":"running","detail":"x\ty"},{"title":"Lint","status":"done"}])");
}

// What the monitor's own reader makes of a payload.
std::vector<Agent> as_monitor_reads(const json& agents) {
  const BuiltRequest payload = agents_payload(agents);
  EXPECT_TRUE(payload.ok()) << payload.problem;
  return parse_agent_report(payload.line, 5);
}

TEST(CompanionRequests, AgentValuesSpelledLikeKeysStayInTheirMembers) {
  const json agents = json::parse(R"([{"id":"detail","title":"status","status":"running","detail":"title"},
                                      {"id":"id","title":"T\"q\\","status":"waiting","detail":"Grüße \u001b"}])");
  const std::vector<Agent> read = as_monitor_reads(agents);
  ASSERT_EQ(read.size(), 2u);
  EXPECT_EQ(read[0].id, "detail");
  EXPECT_EQ(read[0].title, "status");
  EXPECT_EQ(read[0].status, "running");
  EXPECT_EQ(read[0].detail, "title");
  EXPECT_EQ(read[1].id, "id");
  EXPECT_EQ(read[1].title, "T\"q\\");
  EXPECT_EQ(read[1].detail, "Grüße  ");  // the monitor shows control characters as spaces
}

TEST(CompanionRequests, QuotesInAgentValuesAreSentAsUnicodeEscapes) {
  EXPECT_EQ(request_for("report_agents", {{"agents", json::parse(R"([{"id":"a","title":"t\"status","detail":"\\\""}])")}}),
            "agents zelmor-mcp-42-1000\tmy project\t"
            R"([{"id":"a","title":"t\u0022status","detail":"\\\u0022"}])");
  const std::vector<Agent> read = as_monitor_reads(json::parse(R"([{"title":"one\"id","detail":"d"},{"title":"two\"id"}])"));
  ASSERT_EQ(read.size(), 2u);
  EXPECT_EQ(read[0].id, "one\"id");
  EXPECT_EQ(read[0].status, "");
  EXPECT_EQ(read[1].id, "two\"id");
}

TEST(CompanionRequests, SessionLabelIsTheFolderName) {
  const std::pair<const char*, const char*> cases[] = {
      {"C:\\src\\game", "game"}, {"C:\\src\\game\\", "game"}, {"Z:\\tmp\\proj two", "proj two"},
      {"C:\\", "C:"},           {"\\\\server\\share\\work", "work"}, {"", ""}, {"/home/u/repo/", "repo"},
  };
  for (const auto& [path, label] : cases) EXPECT_EQ(folder_label(path), label) << path;
  EXPECT_EQ(session_id(4242, 1700000000123), "zelmor-mcp-4242-1700000000123");
}

// A server whose every check passed: the monitor beside this companion, in our session, owning its pipe.
ServerFacts monitor_facts() {
  return ServerFacts{.process_id = 7,
                     .same_session = true,
                     .owner_trusted = true,
                     .image_path = "C:\\Program Files\\Quorvel\\quorvel.exe",
                     .same_user = true};
}

TEST(CompanionRequests, ServerVerdict) {
  using Kind = ServerVerdict::Kind;
  const char* folder = "C:\\Program Files\\Quorvel";
  struct Case {
    const char* what;
    void (*change)(ServerFacts&);
    Kind kind;
  };
  const Case cases[] = {
      {"every check passed", [](ServerFacts&) {}, Kind::kTrusted},
      {"other letter case", [](ServerFacts& f) { f.image_path = "c:\\program files\\quorvel\\QUORVEL.EXE"; }, Kind::kTrusted},
      {"forward slashes", [](ServerFacts& f) { f.image_path = "C:/Program Files/Quorvel/quorvel.exe"; }, Kind::kTrusted},
      // An elevated monitor: its token cannot be read, the Administrators group owns its pipe.
      {"token unreadable", [](ServerFacts& f) { f.same_user.reset(); }, Kind::kTrusted},
      {"another image", [](ServerFacts& f) { f.image_path = "C:\\Program Files\\Quorvel\\evil.exe"; }, Kind::kRefused},
      {"name as folder", [](ServerFacts& f) { f.image_path = "C:\\quorvel.exe\\evil.exe"; }, Kind::kRefused},
      {"name with suffix", [](ServerFacts& f) { f.image_path = "C:\\Program Files\\Quorvel\\quorvel.exe.evil"; }, Kind::kRefused},
      {"same name elsewhere", [](ServerFacts& f) { f.image_path = "C:\\Users\\x\\Downloads\\quorvel.exe"; }, Kind::kRefused},
      {"folder prefix", [](ServerFacts& f) { f.image_path = "C:\\Program Files\\Quorvel2\\quorvel.exe"; }, Kind::kRefused},
      {"subfolder", [](ServerFacts& f) { f.image_path = "C:\\Program Files\\Quorvel\\x\\quorvel.exe"; }, Kind::kRefused},
      {"another user", [](ServerFacts& f) { f.same_user = false; }, Kind::kRefused},
      // Another user's impostor: the process cannot be opened, so image and user stay unknown.
      {"process denied", [](ServerFacts& f) { f.process_denied = true; f.image_path.reset(); f.same_user.reset(); }, Kind::kRefused},
      {"another session", [](ServerFacts& f) { f.same_session = false; }, Kind::kRefused},
      {"pipe owned by another", [](ServerFacts& f) { f.owner_trusted = false; }, Kind::kRefused},
      {"a query failed", [](ServerFacts& f) { f.failed = "GetSecurityInfo failed with error 5"; }, Kind::kRefused},
      {"no session call", [](ServerFacts& f) { f.same_session.reset(); }, Kind::kUnverified},
      {"no owner call", [](ServerFacts& f) { f.owner_trusted.reset(); }, Kind::kUnverified},
      {"no process id call", [](ServerFacts& f) { f.process_id.reset(); f.image_path.reset(); }, Kind::kUnverified},
      {"no session call, other image", [](ServerFacts& f) { f.same_session.reset(); f.image_path = "C:\\x\\evil.exe"; },
       Kind::kRefused},
  };
  for (const Case& c : cases) {
    ServerFacts facts = monitor_facts();
    c.change(facts);
    const ServerVerdict v = judge_server(facts, folder);
    EXPECT_EQ(v.kind, c.kind) << c.what << ": " << v.reason;
    EXPECT_EQ(v.reason.empty(), c.kind == Kind::kTrusted) << c.what;
  }
  ServerFacts evil = monitor_facts();
  evil.image_path = "C:\\x\\evil.exe";
  EXPECT_NE(judge_server(evil, folder).reason.find("C:\\x\\evil.exe"), std::string::npos);
  EXPECT_EQ(folder_of("C:\\a\\b.exe"), "C:\\a");
  EXPECT_EQ(folder_of("b.exe"), "");
}

TEST(CompanionRequests, LinesAreCutAtLineFeedsAcrossReads) {
  LineSplitter s(10);
  std::vector<InputLine> got = s.feed("ab");
  EXPECT_TRUE(got.empty());
  got = s.feed("c\r\nd\n\nef");
  ASSERT_EQ(got.size(), 3u);
  EXPECT_EQ(got[0].text, "abc");
  EXPECT_EQ(got[1].text, "d");
  EXPECT_EQ(got[2].text, "");
  got = s.finish();
  ASSERT_EQ(got.size(), 1u);
  EXPECT_EQ(got[0].text, "ef");
  EXPECT_TRUE(s.finish().empty());
}

TEST(CompanionRequests, OverlongLineIsDroppedWholeAndTheNextIsKept) {
  LineSplitter s(10);
  std::vector<InputLine> got = s.feed("0123456789");  // exactly the limit
  got = s.feed("\n01234567890");                      // one byte over
  ASSERT_EQ(got.size(), 1u);
  EXPECT_EQ(got[0].text, "0123456789");
  EXPECT_FALSE(got[0].too_long);
  got = s.feed("more bytes of it\nok\n");
  ASSERT_EQ(got.size(), 2u);
  EXPECT_TRUE(got[0].too_long);
  EXPECT_TRUE(got[0].text.empty());
  EXPECT_EQ(got[1].text, "ok");
  EXPECT_FALSE(got[1].too_long);
}

}  // namespace
}  // namespace qv::companion
