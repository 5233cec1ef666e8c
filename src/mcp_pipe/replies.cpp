#include "mcp_pipe/replies.h"

#include <algorithm>

#include "mcp_pipe/json_out.h"
#include "procinfo/apps.h"
#include "util/counter_rate.h"
#include "util/text.h"
#include "util/white_space.h"

namespace qv {
namespace {

struct MetricChoice {
  int selector;      // of metric_value
  const char* unit;
};

MetricChoice metric_choice(std::string_view word) {
  if (word == "ram") return {1, "bytes"};
  if (word == "gpu") return {2, "percent"};
  if (word == "disk") return {3, "bytes_per_sec"};
  if (word == "net") return {4, "bytes_per_sec"};
  return {0, "percent"};
}

void append_presenting_app(std::string& out, const PresentingApp& app) {
  out += "{\"pid\":";
  append_json_uint(out, app.pid);
  out += ",\"name\":";
  append_json_string(out, app.name);
  out += ",\"fps\":";
  append_json_uint(out, app.fps);
  out += '}';
}

}  // namespace

std::string format_snapshot_reply(const Snapshot& s) {
  std::string out;
  out.reserve(512 + 64 * s.drives.size());
  out += "{\"cpu_pct\":";
  append_json_fixed(out, s.cpu_pct, 1);
  out += ",\"mem_used_bytes\":";
  append_json_uint(out, s.mem_used_bytes);
  out += ",\"mem_total_bytes\":";
  append_json_uint(out, s.mem_total_bytes);
  out += ",\"mem_pct\":";
  append_json_fixed(out, mem_pct(s), 1);
  out += ",\"gpu_pct\":";
  append_json_fixed(out, s.gpu_pct, 1);
  out += ",\"gpu_available\":";
  append_json_bool(out, s.gpu_available);
  out += ",\"disk_read_bps\":";
  append_json_uint(out, s.disk_read_bps);
  out += ",\"disk_write_bps\":";
  append_json_uint(out, s.disk_write_bps);
  out += ",\"net_rx_bps\":";
  append_json_uint(out, s.net_rx_bps);
  out += ",\"net_tx_bps\":";
  append_json_uint(out, s.net_tx_bps);
  out += ",\"fps\":";
  if (s.fps) {
    append_presenting_app(out, *s.fps);
  } else {
    out += "null";
  }
  out += ",\"audio_peak\":";
  append_json_fixed(out, s.audio_peak, 2);
  out += ",\"per_app_network_available\":";
  append_json_bool(out, s.per_app_network_available);
  out += ",\"drives\":[";
  for (size_t i = 0; i < s.drives.size(); ++i) {
    const DriveInfo& d = s.drives[i];
    if (i) out += ',';
    out += "{\"letter\":";
    append_json_string(out, std::string_view(&d.letter, 1));
    out += ",\"total_bytes\":";
    append_json_uint(out, d.total_bytes);
    out += ",\"free_bytes\":";
    append_json_uint(out, d.free_bytes);
    out += '}';
  }
  out += "]}";
  return out;
}

std::string format_history_reply(const std::vector<HistorySample>& samples) {
  // The largest reply (up to 360 samples): each sample is written into a stack buffer with no
  // per-character bookkeeping, then appended in one piece.
  std::string out;
  out.reserve(16 + 128 * samples.size());
  out += "{\"samples\":[";
  char buf[512];  // keys take 80 bytes; each number at most 20 digits, or 48 for a float
  char* const end = buf + sizeof buf;
  auto put = [](char* p, std::string_view text) { return std::copy(text.begin(), text.end(), p); };
  for (size_t i = 0; i < samples.size(); ++i) {
    const HistorySample& h = samples[i];
    char* p = buf;
    if (i) *p++ = ',';
    p = write_json_uint(put(p, "{\"unix_ms\":"), h.unix_ms);
    p = write_json_fixed(put(p, ",\"cpu_pct\":"), end, h.cpu_pct, 1);
    p = write_json_fixed(put(p, ",\"mem_pct\":"), end, h.mem_pct, 1);
    p = write_json_fixed(put(p, ",\"gpu_pct\":"), end, h.gpu_pct, 1);
    p = write_json_uint(put(p, ",\"disk_bps\":"), h.disk_bps);
    p = write_json_uint(put(p, ",\"net_bps\":"), h.net_bps);
    p = write_json_uint(put(p, ",\"fps\":"), h.fps);
    *p++ = '}';
    out.append(buf, p);
  }
  out += "]}";
  return out;
}

std::string format_top_reply(std::string_view metric_word, uint32_t count,
                             const std::vector<ProcessSample>& processes) {
  const MetricChoice metric = metric_choice(metric_word);
  std::vector<App> apps = group_apps(processes, metric.selector, "");
  std::erase_if(apps, [](const App& a) { return !(a.sum > 0); });
  const size_t keep = std::min<size_t>(count, apps.size());
  std::partial_sort(apps.begin(), apps.begin() + static_cast<std::ptrdiff_t>(keep), apps.end(),
                    [](const App& a, const App& b) { return a.sum > b.sum; });
  apps.resize(keep);

  std::string out = "{\"metric\":";
  append_json_string(out, metric_word);
  out += ",\"unit\":\"";
  out += metric.unit;
  out += "\",\"apps\":[";
  for (size_t i = 0; i < apps.size(); ++i) {
    if (i) out += ',';
    out += "{\"name\":";
    append_json_string(out, apps[i].name);
    out += ",\"value\":";
    append_json_fixed(out, apps[i].sum, 1);
    out += ",\"processes\":";
    append_json_uint(out, apps[i].pids.size());
    out += '}';
  }
  out += "]}";
  return out;
}

std::string format_app_reply(std::string_view name, const Snapshot& s) {
  std::string out = "{\"name\":";
  append_json_string(out, name);
  if (!is_running(s.processes, name)) {
    out += ",\"running\":false}";
    return out;
  }
  size_t count = 0;
  double cpu = 0, gpu = 0;
  uint64_t ram = 0, ram_shared = 0, disk = 0, net = 0;
  std::string pids;
  for (const ProcessSample& p : s.processes) {
    if (!iequals_ascii(p.name, name)) continue;
    if (count++) pids += ',';
    append_json_uint(pids, p.pid);
    cpu += p.cpu_pct;
    gpu += p.gpu_pct;
    ram = saturating_add(ram, p.ram_bytes);
    ram_shared = saturating_add(ram_shared, p.ram_with_shared_bytes);
    disk = saturating_add(disk, p.disk_bps);
    net = saturating_add(net, p.net_bps);
  }
  std::optional<uint32_t> fps;
  for (const PresentingApp& a : s.presenting_apps) {
    if (iequals_ascii(a.name, name)) fps = std::max(fps.value_or(0), a.fps);
  }
  out += ",\"running\":true,\"process_count\":";
  append_json_uint(out, count);
  out += ",\"pids\":[";
  out += pids;
  out += "],\"cpu_pct\":";
  append_json_fixed(out, cpu, 1);
  out += ",\"ram_bytes\":";
  append_json_uint(out, ram);
  out += ",\"ram_with_shared_bytes\":";
  append_json_uint(out, ram_shared);
  out += ",\"gpu_pct\":";
  append_json_fixed(out, gpu, 1);
  out += ",\"disk_bps\":";
  append_json_uint(out, disk);
  out += ",\"net_bps\":";
  append_json_uint(out, net);
  out += ",\"fps\":";
  if (fps) {
    append_json_uint(out, *fps);
  } else {
    out += "null";
  }
  out += '}';
  return out;
}

std::string format_fps_reply(const Snapshot& s) {
  std::string out = "{\"tracking_available\":";
  append_json_bool(out, s.tracking_available);
  out += ",\"presenting_apps\":[";
  for (size_t i = 0; i < s.presenting_apps.size(); ++i) {
    if (i) out += ',';
    append_presenting_app(out, s.presenting_apps[i]);
  }
  out += "]}";
  return out;
}

std::string format_agents_reply(size_t active_count) {
  std::string out = "{\"ok\":true,\"agents\":";
  append_json_uint(out, active_count);
  out += '}';
  return out;
}

std::string format_instructions_reply(std::string_view instructions) {
  std::string out = "{\"instructions\":";
  append_json_string(out, instructions);
  out += '}';
  return out;
}

uint32_t top_count(std::optional<std::string_view> word) {
  constexpr uint32_t kDefault = 10, kMin = 1, kMax = 50;
  if (!word) return kDefault;
  std::string_view digits = *word;
  if (!digits.empty() && digits.front() == '+') digits.remove_prefix(1);
  if (digits.empty() || !std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; })) {
    return kDefault;
  }
  // Any count too long to parse is far above the limit anyway.
  const std::optional<uint64_t> n = parse_u64(digits, false);
  if (!n || *n > kMax) return kMax;
  return std::max<uint32_t>(static_cast<uint32_t>(*n), kMin);
}

NotificationEntry notification_from_request(std::string_view line) {
  constexpr std::string_view kPrefix = "notify ";
  const std::string_view payload = line.substr(0, kPrefix.size()) == kPrefix ? line.substr(kPrefix.size()) : "";
  NotificationEntry entry;
  entry.from_ai = true;
  const size_t tab = payload.find('\t');
  if (tab == std::string_view::npos) {
    entry.title = "Claude Code";
    entry.body = std::string(trim_white_space(payload));
  } else {
    entry.title = std::string(trim_white_space(payload.substr(0, tab)));
    entry.body = std::string(trim_white_space(payload.substr(tab + 1)));
  }
  return entry;
}

AgentsRequest agents_request_from_line(std::string_view line) {
  const std::string_view payload = line.size() > 6 ? line.substr(6) : "";
  AgentsRequest r;
  const size_t tab1 = payload.find('\t');
  const size_t tab2 = tab1 == std::string_view::npos ? tab1 : payload.find('\t', tab1 + 1);
  if (tab2 != std::string_view::npos) {
    r.session_id = std::string(trim_white_space(payload.substr(0, tab1)));
    r.label = std::string(trim_white_space(payload.substr(tab1 + 1, tab2 - tab1 - 1)));
    r.json_text = std::string(trim_white_space(payload.substr(tab2 + 1)));
  } else {
    r.json_text = std::string(trim_white_space(payload));
  }
  if (r.session_id.empty()) r.session_id = "legacy";
  if (r.label.empty()) r.label = "AI assistant";
  return r;
}

}  // namespace qv
