#include "procinfo/apps.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <optional>
#include <string>
#include <unordered_map>

#include "util/lower.h"
#include "util/text.h"

namespace qv {

double metric_value(const ProcessSample& p, int selector) {
  switch (selector) {
    case 1: return static_cast<double>(p.ram_bytes);
    case 2: return p.gpu_pct;
    case 3: return static_cast<double>(p.disk_bps);
    case 4: return static_cast<double>(p.net_bps);
    case 5: return p.audio_peak;
    default: return p.cpu_pct;
  }
}

std::vector<App> group_apps(const std::vector<ProcessSample>& processes, int selector, std::string_view filter_lower) {
  // Two passes: find each process's app and count its pids, then fill pid lists that were sized
  // once, so a few hundred apps do not regrow their lists on every tick.
  constexpr size_t kLeftOut = SIZE_MAX;
  std::vector<App> apps;
  std::vector<size_t> app_of(processes.size(), kLeftOut);
  std::vector<size_t> pid_count;
  std::unordered_map<std::string_view, size_t> index;  // views into `processes`, which outlive the map
  index.reserve(processes.size());
  for (size_t i = 0; i < processes.size(); ++i) {
    const ProcessSample& p = processes[i];
    if (!filter_lower.empty() && to_lower_utf8(p.name).find(filter_lower) == std::string::npos) continue;
    auto [it, added] = index.try_emplace(p.name, apps.size());
    if (added) {
      apps.push_back(App{p.name, 0.0, {}});
      pid_count.push_back(0);
    }
    app_of[i] = it->second;
    ++pid_count[it->second];
  }
  for (size_t a = 0; a < apps.size(); ++a) apps[a].pids.reserve(pid_count[a]);
  for (size_t i = 0; i < processes.size(); ++i) {
    if (app_of[i] == kLeftOut) continue;
    App& app = apps[app_of[i]];
    app.sum += metric_value(processes[i], selector);
    app.pids.push_back(processes[i].pid);
  }
  return apps;
}

std::vector<App> rank_apps(std::vector<App> apps, size_t count, bool filtered) {
  struct Ranked {
    App app;
    std::string lower;
  };
  std::vector<Ranked> kept;
  kept.reserve(apps.size());
  for (App& a : apps) {
    if (filtered || a.sum > 0) {
      std::string lower = to_lower_utf8(a.name);
      kept.push_back({std::move(a), std::move(lower)});
    }
  }
  // Sums that cannot be compared (NaN) rank below every number, so the order stays a strict
  // weak ordering; equal sums go by lower-case name.
  std::stable_sort(kept.begin(), kept.end(), [](const Ranked& x, const Ranked& y) {
    const bool xnan = std::isnan(x.app.sum), ynan = std::isnan(y.app.sum);
    if (xnan != ynan) return ynan;
    if (!xnan && x.app.sum != y.app.sum) return x.app.sum > y.app.sum;
    return x.lower < y.lower;
  });
  std::vector<App> out;
  out.reserve(std::min(count, kept.size()));
  for (size_t i = 0; i < kept.size() && i < count; ++i) out.push_back(std::move(kept[i].app));
  return out;
}

bool is_running(const std::vector<ProcessSample>& processes, std::string_view name) {
  return std::any_of(processes.begin(), processes.end(),
                     [&](const ProcessSample& p) { return iequals_ascii(p.name, name); });
}

namespace {

bool is_space(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f'; }

std::vector<std::string_view> split_at_white_space(std::string_view text) {
  std::vector<std::string_view> tokens;
  size_t i = 0;
  while (i < text.size()) {
    while (i < text.size() && is_space(text[i])) ++i;
    const size_t start = i;
    while (i < text.size() && !is_space(text[i])) ++i;
    if (i > start) tokens.push_back(text.substr(start, i - start));
  }
  return tokens;
}

// The value of the first token that starts with `prefix`, without surrounding double quotes.
std::optional<std::string_view> option_value(const std::vector<std::string_view>& tokens, std::string_view prefix) {
  for (std::string_view t : tokens) {
    if (t.substr(0, prefix.size()) != prefix) continue;
    std::string_view v = t.substr(prefix.size());
    while (!v.empty() && v.front() == '"') v.remove_prefix(1);
    while (!v.empty() && v.back() == '"') v.remove_suffix(1);
    return v;
  }
  return std::nullopt;
}

}  // namespace

std::string split_into_words(std::string_view text) {
  std::string out;
  out.reserve(text.size() + 4);
  for (size_t i = 0; i < text.size(); ++i) {
    if (i > 0 && text[i] >= 'A' && text[i] <= 'Z') out.push_back(' ');
    out.push_back(text[i]);
  }
  return out;
}

std::string role_label_from_command_line(std::string_view command_line) {
  const auto tokens = split_at_white_space(command_line);
  const auto type = option_value(tokens, "--type=");
  if (!type) return command_line.empty() ? std::string() : std::string("Main process");
  if (*type == "gpu-process") return "GPU process";
  if (*type == "renderer") {
    return command_line.find("--extension-process") != std::string_view::npos ? "Extension" : "Renderer";
  }
  if (*type == "utility") {
    const auto sub = option_value(tokens, "--utility-sub-type=");
    if (!sub) return "Utility";
    const size_t dot = sub->rfind('.');
    return split_into_words(dot == std::string_view::npos ? *sub : sub->substr(dot + 1));
  }
  if (*type == "crashpad-handler") return "Crashpad handler";
  if (*type == "broker") return "Broker";
  if (*type == "zygote") return "Zygote";
  return split_into_words(*type);
}

bool matches_filter(uint32_t pid, std::string_view label, std::string_view filter_lower) {
  if (filter_lower.empty()) return true;
  if (to_lower_utf8(label).find(filter_lower) != std::string::npos) return true;
  return std::to_string(pid).find(filter_lower) != std::string::npos;
}

}  // namespace qv
