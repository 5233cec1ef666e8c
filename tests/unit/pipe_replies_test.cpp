// The pipe's reply objects, exact to the byte, and the payload readers of notify and agents.
#include <gtest/gtest.h>

#include <cstdint>
#include <limits>

#include "mcp_pipe/replies.h"
#include "pipe_json_check.h"

namespace qv {
namespace {

ProcessSample proc(std::string name, uint32_t pid, float cpu, uint64_t ram = 0) {
  ProcessSample p;
  p.name = std::move(name);
  p.pid = pid;
  p.cpu_pct = cpu;
  p.ram_bytes = ram;
  return p;
}

TEST(PipeReplies, SnapshotEmptyRecord) {
  EXPECT_EQ(format_snapshot_reply(Snapshot{}),
            R"({"cpu_pct":0.0,"mem_used_bytes":0,"mem_total_bytes":0,"mem_pct":0.0,"gpu_pct":0.0,)"
            R"("gpu_available":false,"disk_read_bps":0,"disk_write_bps":0,"net_rx_bps":0,"net_tx_bps":0,)"
            R"("fps":null,"audio_peak":0.00,"per_app_network_available":false,"drives":[]})");
}

TEST(PipeReplies, SnapshotFullRecord) {
  Snapshot s;
  s.cpu_pct = 12.34f;
  s.mem_total_bytes = 8000;
  s.mem_used_bytes = 2000;
  s.gpu_pct = 99.96f;  // rounds up to the next whole number
  s.gpu_available = true;
  s.disk_read_bps = 1;
  s.disk_write_bps = 2;
  s.net_rx_bps = 3;
  s.net_tx_bps = 4;
  s.fps = PresentingApp{42, "ga\"me.exe", 144};
  s.audio_peak = 0.456f;
  s.per_app_network_available = true;
  s.drives = {{'C', 500, 100}, {'D', 7, 0}};
  s.processes = {proc("x.exe", 1, 5)};  // not part of this reply
  EXPECT_EQ(format_snapshot_reply(s),
            R"({"cpu_pct":12.3,"mem_used_bytes":2000,"mem_total_bytes":8000,"mem_pct":25.0,"gpu_pct":100.0,)"
            R"("gpu_available":true,"disk_read_bps":1,"disk_write_bps":2,"net_rx_bps":3,"net_tx_bps":4,)"
            R"("fps":{"pid":42,"name":"ga\"me.exe","fps":144},"audio_peak":0.46,"per_app_network_available":true,)"
            R"("drives":[{"letter":"C","total_bytes":500,"free_bytes":100},{"letter":"D","total_bytes":7,"free_bytes":0}]})");
}

TEST(PipeReplies, HistoryOldestFirst) {
  EXPECT_EQ(format_history_reply({}), R"({"samples":[]})");
  std::vector<HistorySample> v = {{1000, 1.25f, 50.0f, 0.0f, 10, 20, 0}, {2000, 100.0f, 33.33f, 7.5f, 0, 0, 60}};
  EXPECT_EQ(format_history_reply(v),
            R"({"samples":[{"unix_ms":1000,"cpu_pct":1.2,"mem_pct":50.0,"gpu_pct":0.0,"disk_bps":10,"net_bps":20,"fps":0},)"
            R"({"unix_ms":2000,"cpu_pct":100.0,"mem_pct":33.3,"gpu_pct":7.5,"disk_bps":0,"net_bps":0,"fps":60}]})");
}

TEST(PipeReplies, HistoryWithExtremeValuesStaysValid) {
  const float big = std::numeric_limits<float>::max();
  const float nan = std::numeric_limits<float>::quiet_NaN();
  std::vector<HistorySample> v(360, HistorySample{UINT64_MAX, big, nan, -big, UINT64_MAX, UINT64_MAX, UINT32_MAX});
  const std::string r = format_history_reply(v);
  EXPECT_TRUE(test::StrictJson::compact_value(r));
  EXPECT_NE(r.find(R"("mem_pct":0.0,"gpu_pct":-340282346638528859811704183484516925440.0,)"), std::string::npos);
}

TEST(PipeReplies, FpsListAndTrackingFlag) {
  Snapshot s;
  EXPECT_EQ(format_fps_reply(s), R"({"tracking_available":false,"presenting_apps":[]})");
  s.tracking_available = true;
  s.presenting_apps = {{7, "a.exe", 120}, {8, "pid 8", 2}};
  EXPECT_EQ(format_fps_reply(s),
            R"({"tracking_available":true,"presenting_apps":[{"pid":7,"name":"a.exe","fps":120},{"pid":8,"name":"pid 8","fps":2}]})");
}

TEST(PipeReplies, AppRunningAndNotRunning) {
  Snapshot s;
  ProcessSample a = proc("Code.exe", 10, 1.5f, 100);
  a.ram_with_shared_bytes = 150;
  a.gpu_pct = 2.0f;
  a.disk_bps = 5;
  a.net_bps = 6;
  ProcessSample b = proc("code.EXE", 11, 2.25f, 200);
  b.ram_with_shared_bytes = 250;
  b.disk_bps = 1;
  s.processes = {a, proc("other.exe", 12, 50), b};
  s.presenting_apps = {{10, "CODE.exe", 30}, {11, "code.exe", 59}, {12, "other.exe", 200}};
  EXPECT_EQ(format_app_reply("CODE.EXE", s),
            R"({"name":"CODE.EXE","running":true,"process_count":2,"pids":[10,11],"cpu_pct":3.8,"ram_bytes":300,)"
            R"("ram_with_shared_bytes":400,"gpu_pct":2.0,"disk_bps":6,"net_bps":6,"fps":59})");
  EXPECT_EQ(format_app_reply("code", s), R"({"name":"code","running":false})");  // the extension counts
  EXPECT_EQ(format_app_reply("other.exe", Snapshot{}), R"({"name":"other.exe","running":false})");
  s.presenting_apps.clear();
  EXPECT_NE(format_app_reply("other.exe", s).find(R"("fps":null})"), std::string::npos);
}

TEST(PipeReplies, AppSumsSaturateInsteadOfWrapping) {
  ProcessSample a = proc("big.exe", 1, 0, UINT64_MAX);
  a.ram_with_shared_bytes = UINT64_MAX;
  a.disk_bps = UINT64_MAX;
  a.net_bps = UINT64_MAX - 1;
  ProcessSample b = proc("big.exe", 2, 0, 2);
  b.ram_with_shared_bytes = 2;
  b.disk_bps = 2;
  b.net_bps = 1;
  Snapshot s;
  s.processes = {a, b};
  EXPECT_EQ(format_app_reply("big.exe", s),
            R"({"name":"big.exe","running":true,"process_count":2,"pids":[1,2],"cpu_pct":0.0,)"
            R"("ram_bytes":18446744073709551615,"ram_with_shared_bytes":18446744073709551615,"gpu_pct":0.0,)"
            R"("disk_bps":18446744073709551615,"net_bps":18446744073709551615,"fps":null})");
}

TEST(PipeReplies, NamesWithQuotesBackslashesEscapesAndNonAscii) {
  Snapshot s;
  const std::string odd = "we\"ird\\na\x1bme \xc3\xa9\xe6\x97\xa5.exe";
  s.processes = {proc(odd, 5, 10)};
  const std::string escaped = R"("we\"ird\\na\u001bme é日.exe")";
  EXPECT_EQ(format_app_reply(odd, s).substr(0, 8 + escaped.size()), "{\"name\":" + escaped);
  EXPECT_EQ(format_top_reply("cpu", 10, s.processes),
            R"({"metric":"cpu","unit":"percent","apps":[{"name":)" + escaped + R"(,"value":10.0,"processes":1}]})");
  EXPECT_TRUE(test::StrictJson::compact_value(format_app_reply(odd, s)));
}

TEST(PipeReplies, TopGroupsRanksAndDropsIdleApps) {
  std::vector<ProcessSample> ps = {proc("b.exe", 1, 10), proc("a.exe", 2, 4), proc("b.exe", 3, 2.5f),
                                   proc("idle.exe", 4, 0), proc("B.exe", 5, 1), proc("c.exe", 6, 30)};
  EXPECT_EQ(format_top_reply("cpu", 10, ps),
            R"({"metric":"cpu","unit":"percent","apps":[{"name":"c.exe","value":30.0,"processes":1},)"
            R"({"name":"b.exe","value":12.5,"processes":2},{"name":"a.exe","value":4.0,"processes":1},)"
            R"({"name":"B.exe","value":1.0,"processes":1}]})");
  EXPECT_EQ(format_top_reply("cpu", 1, ps),
            R"({"metric":"cpu","unit":"percent","apps":[{"name":"c.exe","value":30.0,"processes":1}]})");
  EXPECT_EQ(format_top_reply("cpu", 10, {}), R"({"metric":"cpu","unit":"percent","apps":[]})");
}

TEST(PipeReplies, TopMetricWordsAndUnits) {
  ProcessSample p = proc("x.exe", 1, 5.0f, 2048);
  p.gpu_pct = 7.0f;
  p.disk_bps = 300;
  p.net_bps = 400;
  p.audio_peak = 0.9f;
  const std::vector<ProcessSample> ps = {p};
  struct Case {
    const char* word;
    const char* echoed;  // the word as a JSON string's contents
    const char* unit;
    const char* value;
  };
  for (const Case& c : {Case{"cpu", "cpu", "percent", "5.0"}, Case{"ram", "ram", "bytes", "2048.0"},
                        Case{"gpu", "gpu", "percent", "7.0"}, Case{"disk", "disk", "bytes_per_sec", "300.0"},
                        Case{"net", "net", "bytes_per_sec", "400.0"},
                        // Unknown words (sound is not a metric of this command) echo with processor values.
                        Case{"audio", "audio", "percent", "5.0"}, Case{"RAM", "RAM", "percent", "5.0"},
                        Case{"", "", "percent", "5.0"}, Case{"we\"ird", R"(we\"ird)", "percent", "5.0"}}) {
    EXPECT_EQ(format_top_reply(c.word, 10, ps), std::string(R"({"metric":")") + c.echoed + R"(","unit":")" + c.unit +
                                                     R"(","apps":[{"name":"x.exe","value":)" + c.value +
                                                     R"(,"processes":1}]})")
        << c.word;
  }
}

TEST(PipeReplies, TopCountWord) {
  EXPECT_EQ(top_count(std::nullopt), 10u);
  EXPECT_EQ(top_count("0"), 1u);
  EXPECT_EQ(top_count("3"), 3u);
  EXPECT_EQ(top_count("50"), 50u);
  EXPECT_EQ(top_count("500"), 50u);
  EXPECT_EQ(top_count("99999999999999999999999"), 50u);
  EXPECT_EQ(top_count("+5"), 5u);
  for (const char* bad : {"-1", "1 2", "", "+", "x", "3x", " 3", "++3", "0x10"}) {
    EXPECT_EQ(top_count(bad), 10u) << '"' << bad << '"';
  }
}

TEST(PipeReplies, TopKeepsAtMostFiftyOfMany) {
  std::vector<ProcessSample> ps;
  for (uint32_t i = 1; i <= 80; ++i) ps.push_back(proc("p" + std::to_string(i) + ".exe", i, static_cast<float>(i)));
  const std::string r = format_top_reply("cpu", top_count("500"), ps);
  size_t entries = 0;
  for (size_t at = 0; (at = r.find("\"name\"", at)) != std::string::npos; ++at) ++entries;
  EXPECT_EQ(entries, 50u);
  EXPECT_NE(r.find(R"({"name":"p80.exe","value":80.0,"processes":1})"), std::string::npos);
  EXPECT_NE(r.find(R"({"name":"p31.exe")"), std::string::npos);
  EXPECT_EQ(r.find(R"({"name":"p30.exe")"), std::string::npos);
}

TEST(PipeReplies, AgentsAndInstructionsObjects) {
  EXPECT_EQ(format_agents_reply(0), R"({"ok":true,"agents":0})");
  EXPECT_EQ(format_agents_reply(12), R"({"ok":true,"agents":12})");
  EXPECT_EQ(format_instructions_reply(""), R"({"instructions":""})");
  EXPECT_EQ(format_instructions_reply("Line one:\n  - `x` \"y\""),
            R"({"instructions":"Line one:\n  - `x` \"y\""})");
}

TEST(PipeReplies, NotifyPayload) {
  auto e = notification_from_request("notify Build finished");
  EXPECT_EQ(e, (NotificationEntry{"Claude Code", "Build finished", true}));
  e = notification_from_request("notify  Tests \t 3 failed, see log ");
  EXPECT_EQ(e, (NotificationEntry{"Tests", "3 failed, see log", true}));
  e = notification_from_request("notify Title\tbody\twith tab");
  EXPECT_EQ(e, (NotificationEntry{"Title", "body\twith tab", true}));
  e = notification_from_request("notify");
  EXPECT_EQ(e, (NotificationEntry{"Claude Code", "", true}));
  e = notification_from_request("notify Only title\t");
  EXPECT_EQ(e, (NotificationEntry{"Only title", "", true}));
}

TEST(PipeReplies, AgentsPayload) {
  auto r = agents_request_from_line("agents s1\tMy tool\t[{\"title\":\"x\"}]");
  EXPECT_EQ(r.session_id, "s1");
  EXPECT_EQ(r.label, "My tool");
  EXPECT_EQ(r.json_text, "[{\"title\":\"x\"}]");
  // Fewer than three parts: the whole payload is the JSON of the legacy session.
  r = agents_request_from_line("agents [] ");
  EXPECT_EQ(r.session_id, "legacy");
  EXPECT_EQ(r.label, "AI assistant");
  EXPECT_EQ(r.json_text, "[]");
  r = agents_request_from_line("agents a\t[]");
  EXPECT_EQ(r.session_id, "legacy");
  EXPECT_EQ(r.json_text, "a\t[]");
  r = agents_request_from_line("agents");
  EXPECT_EQ(r.session_id, "legacy");
  EXPECT_EQ(r.json_text, "");
  // Empty session or label parts fall back; a fourth tab stays in the JSON part.
  r = agents_request_from_line("agents  \t \t[1]\t[2]");
  EXPECT_EQ(r.session_id, "legacy");
  EXPECT_EQ(r.label, "AI assistant");
  EXPECT_EQ(r.json_text, "[1]\t[2]");
}

}  // namespace
}  // namespace qv
