#include "ui/panel/overview/overview_model.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace qv {
namespace {

ProcessSample proc(std::string name, uint32_t pid, float cpu, float audio = 0, uint64_t ram = 0, uint64_t net = 0) {
  ProcessSample p;
  p.name = std::move(name);
  p.pid = pid;
  p.cpu_pct = cpu;
  p.audio_peak = audio;
  p.ram_bytes = ram;
  p.net_bps = net;
  return p;
}

Snapshot known_snapshot() {
  Snapshot s;
  s.cpu_pct = 42.4f;
  s.mem_used_bytes = 3ull * 1024 * 1024 * 1024 / 2;  // 1.5 GB
  s.gpu_available = true;
  s.gpu_pct = 17.0f;
  s.disk_read_bps = 1024;
  s.disk_write_bps = 0;
  s.net_rx_bps = 0;
  s.net_tx_bps = 2 * 1024 * 1024;
  return s;
}

TEST(PanelCards, ValueTextsOfAKnownSnapshot) {
  Snapshot s = known_snapshot();
  EXPECT_EQ(card_value_text("cpu", s), "42%");
  EXPECT_EQ(card_value_text("ram", s), "1.5 GB");
  EXPECT_EQ(card_value_text("gpu", s), "17%");
  EXPECT_EQ(card_value_text("disk", s), "R 1.0 KB/s  ·  W 0 B/s");
  EXPECT_EQ(card_value_text("net", s), "↓ 0 KB/s  ·  ↑ 2.0 MB/s");
  s.gpu_available = false;
  EXPECT_EQ(card_value_text("gpu", s), "—");
}

TEST(PanelCards, FrameRateCardHasThreeTexts) {
  Snapshot s;
  s.tracking_available = false;
  EXPECT_EQ(card_value_text("fps", s), "Run as administrator to see");
  s.tracking_available = true;
  EXPECT_EQ(card_value_text("fps", s), "—");
  s.fps = PresentingApp{77, "game.exe", 144};
  EXPECT_EQ(card_value_text("fps", s), "144  ·  game.exe");
}

TEST(PanelCards, SoundCountsEachPlayingNameOnce) {
  Snapshot s;
  EXPECT_EQ(card_value_text("audio", s), "Silent");
  s.processes = {proc("browser.exe", 1, 0, 0.2f), proc("browser.exe", 2, 0, 0.5f), proc("player.exe", 3, 0, 0.02f),
                 proc("quiet.exe", 4, 0, 0.01f)};
  EXPECT_EQ(card_value_text("audio", s), "2 playing");
  s.processes = {proc("quiet.exe", 4, 0, 0.01f)};  // exactly the threshold is silence
  EXPECT_EQ(card_value_text("audio", s), "Silent");
}

TEST(PanelCards, GraphFullScales) {
  EXPECT_EQ(card_full_scale("fps", 40), 60);
  EXPECT_EQ(card_full_scale("fps", 144), 144);
  EXPECT_EQ(card_full_scale("disk", 5e6f), 5e6f);
  EXPECT_EQ(card_full_scale("net", 0), 0);
  EXPECT_EQ(card_full_scale("cpu", 12), 100);
  EXPECT_EQ(card_full_scale("audio", 400), 100);
}

TEST(PanelCards, CardsFollowTheSettingsOrderAndSkipHiddenAndUnknownKeys) {
  const std::vector<MainMetric> metrics = {{"net", true}, {"cpu", false}, {"bogus", true}, {"fps", true}, {"ram", true}};
  const auto cards = shown_cards(metrics);
  ASSERT_EQ(cards.size(), 3u);
  EXPECT_EQ(cards[0].key, "net");
  EXPECT_EQ(cards[0].action.kind, ActionKind::kOpenMetric);
  EXPECT_EQ(cards[0].action.flag, 4);
  EXPECT_EQ(cards[1].key, "fps");
  EXPECT_EQ(cards[1].action.kind, ActionKind::kOpenFpsList) << "the frame-rate card opens the frame-rate list";
  EXPECT_EQ(cards[2].action.flag, 1);
  EXPECT_EQ(shown_metric_count(metrics), 4u);
}

Agent agent(std::string status, uint64_t updated) {
  Agent a;
  a.id = "a";
  a.status = std::move(status);
  a.updated_ms = updated;
  return a;
}

TEST(PanelBanners, MessageBannerCountsMessages) {
  const AgentCounts none;
  auto one = ai_banners(true, 1, none);
  ASSERT_EQ(one.size(), 1u);
  EXPECT_EQ(one[0].text, "◇  1 new message");
  EXPECT_EQ(one[0].colour, 0xF59E0Bu);
  EXPECT_EQ(one[0].action.kind, ActionKind::kOpenMessages);
  EXPECT_EQ(ai_banners(true, 3, none)[0].text, "◇  3 new messages");
  EXPECT_TRUE(ai_banners(true, 0, none).empty());
}

TEST(PanelBanners, AgentBannerStates) {
  const uint64_t now = 10'000'000;
  AgentRegistry reg(2);
  reg[0].agents = {agent("running", now - 1000), agent("waiting", now - 299'999)};
  reg[1].agents = {agent("", now)};
  auto c = count_agents(reg, 0, now);
  EXPECT_EQ(c.running, 3u);
  EXPECT_EQ(c.running_sessions, 2u);
  auto b = ai_banners(true, 0, c);
  ASSERT_EQ(b.size(), 1u);
  EXPECT_EQ(b[0].text, "◆  3 agents running in 2 sessions");
  EXPECT_EQ(b[0].colour, 0x2DD4BFu);
  EXPECT_EQ(b[0].action.kind, ActionKind::kOpenActivity);

  reg[1].agents[0].updated_ms = now - 300'000;  // quiet for five minutes
  c = count_agents(reg, 0, now);
  EXPECT_EQ(ai_banners(true, 0, c)[0].text, "◆  2 agents running");
  reg[0].agents = {agent("running", now)};
  EXPECT_EQ(ai_banners(true, 0, count_agents(reg, 0, now))[0].text, "◆  1 agent running");

  for (auto& session : reg) {
    for (auto& a : session.agents) a.updated_ms = 0;
  }
  c = count_agents(reg, 4, now);
  EXPECT_EQ(ai_banners(true, 0, c)[0].text, "◆  2 gone quiet");

  c = count_agents(AgentRegistry{}, 4, now);
  EXPECT_EQ(ai_banners(true, 0, c)[0].text, "◆  4 finished");
  EXPECT_TRUE(ai_banners(true, 0, count_agents(AgentRegistry{}, 0, now)).empty());
}

TEST(PanelBanners, AnUpdateFromTheFutureCountsAsFresh) {
  AgentRegistry reg(1);
  reg[0].agents = {agent("running", 5000)};
  EXPECT_EQ(count_agents(reg, 0, 1000).running, 1u);
}

TEST(PanelBanners, MessagesComeFirstAndNothingShowsWithTheLinkOff) {
  AgentCounts c;
  c.finished = 2;
  auto both = ai_banners(true, 2, c);
  ASSERT_EQ(both.size(), 2u);
  EXPECT_EQ(both[0].action.kind, ActionKind::kOpenMessages);
  EXPECT_EQ(both[1].text, "◆  2 finished");
  EXPECT_TRUE(ai_banners(false, 2, c).empty());
  EXPECT_EQ(ai_banner_rows(true, 2, c), 2u);
  EXPECT_EQ(ai_banner_rows(false, 2, c), 0u);
  EXPECT_EQ(ai_banner_rows(true, 0, AgentCounts{}), 0u);
}

TEST(PanelSearch, GroupsByNameRanksByProcessorAndSumsTheRow) {
  const std::vector<ProcessSample> ps = {
      proc("Code.exe", 1, 5, 0, 100, 10), proc("code.exe", 2, 7, 0, 1, 1), proc("Code.exe", 3, 3, 0, 200, 20),
      proc("notepad.exe", 4, 0, 0, 50, 0), proc("coder.exe", 5, 9, 0, 1, 1)};
  const auto rows = search_rows(ps, "code");
  ASSERT_EQ(rows.size(), 3u);
  EXPECT_EQ(rows[0].app.name, "coder.exe");
  EXPECT_EQ(rows[1].app.name, "Code.exe");
  EXPECT_EQ(rows[1].app.pids, (std::vector<uint32_t>{1, 3}));
  EXPECT_FLOAT_EQ(rows[1].cpu_pct, 8);
  EXPECT_EQ(rows[1].ram_bytes, 300u);
  EXPECT_EQ(rows[1].net_bps, 30u);
  EXPECT_EQ(rows[2].app.name, "code.exe");
  EXPECT_EQ(search_stats_text(rows[1]), "8%  ·  300 B  ·  30 B/s");
}

TEST(PanelSearch, AtMostTwentyAppsAndIdleOnesAreListed) {
  std::vector<ProcessSample> ps;
  for (uint32_t i = 0; i < 30; ++i) ps.push_back(proc("app" + std::to_string(100 + i) + ".exe", i, 0));
  const auto rows = search_rows(ps, "app");
  ASSERT_EQ(rows.size(), kMaxSearchRows);
  EXPECT_EQ(rows[0].app.name, "app100.exe") << "idle apps are ordered by lower-case name";
  EXPECT_TRUE(search_rows(ps, "zzz").empty());
}

TEST(PanelSearch, EmptyTexts) {
  Snapshot s;
  EXPECT_EQ(search_empty_text(s), "Collecting data…");
  s.processes = {proc("a.exe", 1, 0)};
  EXPECT_EQ(search_empty_text(s), "No apps match your search");
}

}  // namespace
}  // namespace qv
