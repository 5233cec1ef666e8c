#pragma once
// What the overview page says: the value text, click and graph scale of each metric card, the
// texts of the two AI banners, and the rows of the app search. Pure functions of a Snapshot
// copy and the settings, so the painter only draws.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "config/settings.h"
#include "core/agent.h"
#include "core/snapshot.h"
#include "ui/panel/frame/hit_test.h"
#include "ui/panel/frame/panel_state.h"

namespace qv {

// The overview's history series a card draws.
enum class OverviewSeries : uint8_t { kCpu, kMemory, kGpu, kFps, kDisk, kNet, kSound };

struct CardKind {
  std::string_view key;  // "cpu", "ram", ...
  Action action;
  OverviewSeries series;
};

// The card of a main-metric key; nothing for a key the overview does not know.
std::optional<CardKind> card_kind(std::string_view key);
// The cards to draw: shown entries of `main_metrics`, in their order, known keys only.
std::vector<CardKind> shown_cards(const std::vector<MainMetric>& main_metrics);

std::string card_value_text(std::string_view key, const Snapshot& snapshot);
// Full scale of a card's graph from the highest value of its series.
float card_full_scale(std::string_view key, float series_max);

// Apps playing sound: distinct process names whose peak is above 0.01.
size_t playing_app_count(const std::vector<ProcessSample>& processes);

// The agent figures the banner and the window size need. An agent runs while it is active and
// was updated less than five minutes ago.
struct AgentCounts {
  size_t running = 0;
  size_t running_sessions = 0;  // sessions with at least one running agent
  size_t listed = 0;            // active agents in all sessions
  size_t finished = 0;          // entries of the finished history
};
AgentCounts count_agents(const AgentRegistry& registry, size_t finished, uint64_t now_ms);

struct Banner {
  std::string text;
  uint32_t colour = 0;  // 0xRRGGBB
  Action action;
};
// The AI banners, bottom one first; none while the AI link is off.
std::vector<Banner> ai_banners(bool mcp_enabled, size_t message_count, const AgentCounts& agents);
// Banner rows the window reserves (the banners that would show, 0 while the AI link is off).
size_t ai_banner_rows(bool mcp_enabled, size_t message_count, const AgentCounts& agents);

// One app of the search results with the figures its row shows.
struct SearchRow {
  AppRow app;
  float cpu_pct = 0;
  uint64_t ram_bytes = 0;
  uint64_t net_bps = 0;
};
inline constexpr size_t kMaxSearchRows = 20;
// Apps whose lower-case name contains `filter_lower`, busiest processor first (idle ones too),
// at most 20.
std::vector<SearchRow> search_rows(const std::vector<ProcessSample>& processes, std::string_view filter_lower);
std::string search_stats_text(const SearchRow& row);
// The line shown instead of results: while the snapshot has no processes, or when none match.
std::string search_empty_text(const Snapshot& snapshot);

}  // namespace qv
