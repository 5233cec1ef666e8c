#include "ui/panel/overview/overview_model.h"

#include <algorithm>
#include <array>
#include <set>
#include <unordered_map>

#include "agents/agent_registry.h"
#include "procinfo/apps.h"
#include "ui/gdi/theme.h"
#include "util/format.h"

namespace qv {
namespace {

constexpr uint32_t kMessagesColour = hex_of(colours::alerts);
constexpr uint32_t kAgentsColour = hex_of(colours::ai);

Action open_metric(uint8_t metric) {
  Action a;
  a.kind = ActionKind::kOpenMetric;
  a.flag = metric;
  return a;
}

Action simple(ActionKind kind) {
  Action a;
  a.kind = kind;
  return a;
}

std::string plural(size_t n, const char* word) { return std::to_string(n) + " " + word + (n == 1 ? "" : "s"); }

std::optional<std::string> agents_text(const AgentCounts& c) {
  if (c.running > 0) {
    std::string text = "◆  " + plural(c.running, "agent") + " running";
    if (c.running_sessions >= 2) text += " in " + std::to_string(c.running_sessions) + " sessions";
    return text;
  }
  if (c.listed > 0) return "◆  " + std::to_string(c.listed) + " gone quiet";
  if (c.finished > 0) return "◆  " + std::to_string(c.finished) + " finished";
  return std::nullopt;
}

}  // namespace

std::optional<CardKind> card_kind(std::string_view key) {
  static const std::array<CardKind, 7> kCards = {{
      {"cpu", open_metric(0), OverviewSeries::kCpu},
      {"ram", open_metric(1), OverviewSeries::kMemory},
      {"gpu", open_metric(2), OverviewSeries::kGpu},
      {"fps", simple(ActionKind::kOpenFpsList), OverviewSeries::kFps},
      {"disk", open_metric(3), OverviewSeries::kDisk},
      {"net", open_metric(4), OverviewSeries::kNet},
      {"audio", open_metric(5), OverviewSeries::kSound},
  }};
  for (const CardKind& c : kCards) {
    if (c.key == key) return c;
  }
  return std::nullopt;
}

std::vector<CardKind> shown_cards(const std::vector<MainMetric>& main_metrics) {
  std::vector<CardKind> out;
  for (const MainMetric& m : main_metrics) {
    if (!m.shown) continue;
    if (auto card = card_kind(m.name)) out.push_back(*card);
  }
  return out;
}

size_t playing_app_count(const std::vector<ProcessSample>& processes) {
  std::set<std::string_view> names;
  for (const ProcessSample& p : processes) {
    if (p.audio_peak > 0.01f) names.insert(p.name);
  }
  return names.size();
}

std::string card_value_text(std::string_view key, const Snapshot& s) {
  if (key == "cpu") return format_percent(s.cpu_pct);
  if (key == "ram") return format_bytes(s.mem_used_bytes);
  if (key == "gpu") return s.gpu_available ? format_percent(s.gpu_pct) : "—";
  if (key == "fps") {
    if (s.fps) return std::to_string(s.fps->fps) + "  ·  " + s.fps->name;
    return s.tracking_available ? "—" : "Run as administrator to see";
  }
  if (key == "disk") return "R " + format_rate(s.disk_read_bps) + "  ·  W " + format_rate(s.disk_write_bps);
  if (key == "net") return "↓ " + format_rate_or_zero(s.net_rx_bps) + "  ·  ↑ " + format_rate_or_zero(s.net_tx_bps);
  if (key == "audio") {
    const size_t playing = playing_app_count(s.processes);
    return playing == 0 ? "Silent" : std::to_string(playing) + " playing";
  }
  return "—";
}

float card_full_scale(std::string_view key, float series_max) {
  if (key == "fps") return std::max(60.0f, series_max);
  if (key == "disk" || key == "net") return series_max;
  return 100.0f;
}

AgentCounts count_agents(const AgentRegistry& registry, size_t finished, uint64_t now_ms) {
  AgentCounts c;
  c.finished = finished;
  for (const AgentSession& session : registry) {
    size_t running_here = 0;
    for (const Agent& a : session.agents) {
      if (!is_active_status(a.status)) continue;
      ++c.listed;
      if (agent_running(a, now_ms)) ++running_here;
    }
    c.running += running_here;
    if (running_here > 0) ++c.running_sessions;
  }
  return c;
}

std::vector<Banner> ai_banners(bool mcp_enabled, size_t message_count, const AgentCounts& agents) {
  std::vector<Banner> out;
  if (!mcp_enabled) return out;
  if (message_count > 0) {
    out.push_back({"◇  " + plural(message_count, "new message"), kMessagesColour, simple(ActionKind::kOpenMessages)});
  }
  if (auto text = agents_text(agents)) out.push_back({*text, kAgentsColour, simple(ActionKind::kOpenActivity)});
  return out;
}

size_t ai_banner_rows(bool mcp_enabled, size_t message_count, const AgentCounts& agents) {
  if (!mcp_enabled) return 0;
  return (message_count > 0 ? 1 : 0) + (agents.listed > 0 || agents.finished > 0 ? 1 : 0);
}

std::vector<SearchRow> search_rows(const std::vector<ProcessSample>& processes, std::string_view filter_lower) {
  constexpr int kCpuMeasure = 0;
  std::vector<App> apps =
      rank_apps(group_apps(processes, kCpuMeasure, filter_lower), kMaxSearchRows, !filter_lower.empty());
  std::unordered_map<uint32_t, const ProcessSample*> by_pid;
  by_pid.reserve(processes.size());
  for (const ProcessSample& p : processes) by_pid.emplace(p.pid, &p);

  std::vector<SearchRow> rows;
  rows.reserve(apps.size());
  for (App& app : apps) {
    SearchRow row;
    for (uint32_t pid : app.pids) {
      auto it = by_pid.find(pid);
      if (it == by_pid.end()) continue;
      row.cpu_pct += it->second->cpu_pct;
      row.ram_bytes += it->second->ram_bytes;
      row.net_bps += it->second->net_bps;
    }
    row.app = AppRow{std::move(app.name), std::move(app.pids)};
    rows.push_back(std::move(row));
  }
  return rows;
}

std::string search_stats_text(const SearchRow& row) {
  return format_percent(row.cpu_pct) + "  ·  " + format_bytes(row.ram_bytes) + "  ·  " + format_rate(row.net_bps);
}

std::string search_empty_text(const Snapshot& snapshot) {
  return snapshot.processes.empty() ? "Collecting data…" : "No apps match your search";
}

}  // namespace qv
