#include "companion/tools.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <optional>

#include "companion/request_lines.h"
#include "util/text.h"

namespace qv::companion {
namespace {

constexpr std::array<std::string_view, 5> kMetrics = {"cpu", "ram", "gpu", "disk", "net"};
constexpr std::array<std::string_view, 4> kAgentKeys = {"id", "title", "status", "detail"};

BuiltRequest line(std::string text) { return BuiltRequest{std::move(text), {}}; }
BuiltRequest problem(std::string text) { return BuiltRequest{{}, std::move(text)}; }

Json no_arguments() { return Json{{"type", "object"}, {"properties", Json::object()}, {"additionalProperties", false}}; }

// A member that must be a string when present: the text, nothing when absent, or a problem.
std::optional<std::string> optional_string(const Json& args, const char* key, std::string& problem_text) {
  const auto it = args.find(key);
  if (it == args.end() || it->is_null()) return std::nullopt;
  if (!it->is_string()) {
    problem_text = std::string("\"") + key + "\" must be a string";
    return std::nullopt;
  }
  return it->get<std::string>();
}

BuiltRequest build_top(const Json& args, const ToolContext&) {
  std::string why;
  std::string metric = to_lower_ascii(optional_string(args, "metric", why).value_or("cpu"));
  if (!why.empty()) return problem(why);
  if (std::find(kMetrics.begin(), kMetrics.end(), metric) == kMetrics.end()) {
    return problem("\"metric\" must be one of cpu, ram, gpu, disk, net (got \"" + metric + "\")");
  }
  long long count = kTopCountDefault;
  if (const auto it = args.find("count"); it != args.end() && !it->is_null()) {
    if (!it->is_number()) return problem("\"count\" must be a whole number from 1 to 50");
    const double value = it->get<double>();
    if (!std::isfinite(value) || value != std::floor(value)) {
      return problem("\"count\" must be a whole number from 1 to 50");
    }
    // Out-of-range counts are clamped rather than refused: the nearest sensible list is useful.
    count = static_cast<long long>(std::clamp(value, -1.0, 1000.0));
  }
  return line(top_request(metric, count));
}

BuiltRequest build_app(const Json& args, const ToolContext&) {
  std::string why;
  const std::optional<std::string> name = optional_string(args, "name", why);
  if (!why.empty()) return problem(why);
  if (!name || trim(*name).empty()) return problem("\"name\" is required: the app's image name, such as \"node.exe\"");
  return line(app_request(trim(*name)));
}

BuiltRequest build_notify(const Json& args, const ToolContext&) {
  std::string why;
  const std::optional<std::string> body = optional_string(args, "body", why);
  std::optional<std::string> title = optional_string(args, "title", why);
  if (!why.empty()) return problem(why);
  if (!body) return problem("\"body\" is required: the text of the notification");
  // The monitor trims the request: a blank body would take the tab before it, and the title would
  // be shown as the body under a default title.
  if (trim(single_line(*body)).empty()) return problem("\"body\" must not be blank: the text of the notification");
  if (title && trim(single_line(*title)).empty()) title.reset();  // a blank title is no title
  return line(notify_request(title, *body));
}

BuiltRequest build_agents(const Json& args, const ToolContext& context) {
  const auto it = args.find("agents");
  if (it == args.end()) return problem("\"agents\" is required: the full current list of your agents (may be empty)");
  BuiltRequest payload = agents_payload(*it);
  if (!payload.ok()) return payload;
  return line(agents_request(context.session_id, context.label, payload.line));
}

BuiltRequest fixed_request(const char* text) { return line(text); }

// The longest span worth asking for: far beyond any history the monitor keeps, and small enough
// that the arithmetic in milliseconds cannot overflow.
constexpr double kLongestSpanSeconds = 1e9;

BuiltRequest build_history(const Json& args, const ToolContext&) {
  if (const auto it = args.find("last_seconds"); it != args.end() && !it->is_null()) {
    const double value = it->is_number() ? it->get<double>() : 0;
    if (!it->is_number() || !std::isfinite(value) || value != std::floor(value) || value < 1) {
      return problem("\"last_seconds\" must be a whole number of seconds, at least 1");
    }
  }
  return line("history");
}

// Keeps the samples of the last `last_seconds` seconds before the newest one.
void shape_history(const Json& args, Json& reply) {
  const auto span = args.find("last_seconds");
  const auto samples = reply.find("samples");
  if (span == args.end() || !span->is_number() || samples == reply.end() || !samples->is_array() || samples->empty()) {
    return;
  }
  const Json& newest = samples->back();
  if (!newest.is_object() || !newest.contains("unix_ms") || !newest["unix_ms"].is_number()) return;
  const double cutoff = newest["unix_ms"].get<double>() - std::min(span->get<double>(), kLongestSpanSeconds) * 1000.0;
  Json kept = Json::array();
  for (Json& sample : *samples) {
    const auto at = sample.find("unix_ms");
    if (at != sample.end() && at->is_number() && at->get<double>() > cutoff) kept.push_back(std::move(sample));
  }
  *samples = std::move(kept);
}

// Schema pieces for the replies' shapes.
Json type_of(const char* type) { return Json{{"type", type}}; }
Json nullable(const char* type) { return Json{{"type", Json::array({type, "null"})}}; }
Json object_of(Json properties, Json required) {
  return Json{{"type", "object"}, {"properties", std::move(properties)}, {"required", std::move(required)}};
}
Json array_of(Json items) { return Json{{"type", "array"}, {"items", std::move(items)}}; }
Json presenting_app() {
  return object_of({{"pid", type_of("integer")}, {"name", type_of("string")}, {"fps", type_of("integer")}},
                   {"pid", "name", "fps"});
}

// A JSON string with every quote inside it written as \u0022: the only quote characters left are
// the two around it, so no reader that looks for quoted key names can find one inside a value.
std::string quotes_escaped(const std::string& json_string) {
  std::string out;
  out.reserve(json_string.size());
  for (size_t i = 0; i < json_string.size(); ++i) {
    if (json_string[i] == '\\' && i + 1 < json_string.size()) {
      if (json_string[i + 1] == '"') {
        out += "\\u0022";
      } else {
        out.append(json_string, i, 2);
      }
      ++i;
    } else {
      out.push_back(json_string[i]);
    }
  }
  return out;
}

}  // namespace

BuiltRequest agents_payload(const Json& agents) {
  if (!agents.is_array()) return problem("\"agents\" must be an array of objects");
  std::string out = "[";
  for (size_t i = 0; i < agents.size(); ++i) {
    const Json& agent = agents[i];
    if (!agent.is_object()) return problem("agents[" + std::to_string(i) + "] must be an object");
    if (i > 0) out += ',';
    out += '{';
    bool first = true;
    for (const std::string_view key : kAgentKeys) {
      const auto member = agent.find(key);
      if (member == agent.end() || member->is_null()) continue;
      if (!member->is_string()) {
        return problem("agents[" + std::to_string(i) + "]." + std::string(key) + " must be a string");
      }
      std::string value = quotes_escaped(member->dump(-1, ' ', false, Json::error_handler_t::replace));
      // Older monitors find each member by the first quoted key name anywhere in the object, so a
      // value that reads exactly like a key would be taken for it there. Escaping its first letter
      // keeps the same text without that spelling.
      const std::string_view inner = std::string_view(value).substr(1, value.size() - 2);
      if (std::find(kAgentKeys.begin(), kAgentKeys.end(), inner) != kAgentKeys.end()) {
        char hex[8];
        std::snprintf(hex, sizeof hex, "\\u%04x", static_cast<unsigned>(static_cast<unsigned char>(inner[0])));
        std::string escaped(1, '"');
        escaped.append(hex).append(inner.substr(1)).push_back('"');
        value = std::move(escaped);
      }
      if (!first) out += ',';
      first = false;
      out.append(1, '"').append(key).append("\":").append(value);
    }
    out += '}';
  }
  out += ']';
  return line(std::move(out));
}

const std::vector<Tool>& tool_table() {
  static const std::vector<Tool> kTools = [] {
    std::vector<Tool> t;
    t.push_back(
        {"get_snapshot", "Machine load now",
         "Current figures of the user's Windows machine from the Quorvel system monitor: total CPU "
         "percent, memory used and total (bytes), GPU percent, disk read/write and network "
         "receive/send rates (bytes per second), the frame rate of the app drawing frames, the sound "
         "peak and each fixed drive with its free space. Use it to see how loaded the machine is right "
         "now, for example before a heavy build or when something feels slow.",
         true, no_arguments(),
         object_of({{"cpu_pct", type_of("number")},
                    {"mem_used_bytes", type_of("integer")},
                    {"mem_total_bytes", type_of("integer")},
                    {"mem_pct", type_of("number")},
                    {"gpu_pct", type_of("number")},
                    {"gpu_available", type_of("boolean")},
                    {"disk_read_bps", type_of("integer")},
                    {"disk_write_bps", type_of("integer")},
                    {"net_rx_bps", type_of("integer")},
                    {"net_tx_bps", type_of("integer")},
                    {"fps", {{"anyOf", Json::array({presenting_app(), type_of("null")})}}},
                    {"audio_peak", type_of("number")},
                    {"per_app_network_available", type_of("boolean")},
                    {"drives", array_of(object_of({{"letter", type_of("string")},
                                                   {"total_bytes", type_of("integer")},
                                                   {"free_bytes", type_of("integer")}},
                                                  {"letter", "total_bytes", "free_bytes"}))}},
                   {"cpu_pct", "mem_used_bytes", "mem_total_bytes", "mem_pct", "gpu_pct", "gpu_available",
                    "disk_read_bps", "disk_write_bps", "net_rx_bps", "net_tx_bps", "fps", "audio_peak",
                    "per_app_network_available", "drives"}),
         [](const Json&, const ToolContext&) { return fixed_request("snapshot"); }});
    t.push_back(
        {"get_history", "Machine load history",
         "Recent history of the machine's load, oldest first, one sample per sampling interval (up to 360 "
         "samples, about 6 minutes at the default interval of 1 s): time in ms since 1970, CPU, memory and "
         "GPU percent, disk and network bytes per second and frame rate. The whole history is about 40 KB; "
         "pass last_seconds to get only the most recent part. Use it to see trends, for example whether "
         "memory kept growing during a test run or when a CPU spike happened.",
         true,
         Json{{"type", "object"},
              {"properties",
               {{"last_seconds",
                 {{"type", "integer"},
                  {"minimum", 1},
                  {"description", "Only the samples of this many seconds before the newest one (all when left out)"}}}}},
              {"additionalProperties", false}},
         object_of({{"samples", array_of(object_of({{"unix_ms", type_of("integer")},
                                                    {"cpu_pct", type_of("number")},
                                                    {"mem_pct", type_of("number")},
                                                    {"gpu_pct", type_of("number")},
                                                    {"disk_bps", type_of("integer")},
                                                    {"net_bps", type_of("integer")},
                                                    {"fps", type_of("integer")}},
                                                   {"unix_ms", "cpu_pct", "mem_pct", "gpu_pct", "disk_bps", "net_bps",
                                                    "fps"}))}},
                   {"samples"}),
         build_history, shape_history});
    t.push_back(
        {"top_apps", "Apps using the most",
         "The apps using the most of one resource right now, with the processes of one program summed: "
         "name, value and number of processes, largest first. Units: cpu and gpu in percent, ram in bytes, "
         "disk and net in bytes per second. Use it to find what slows the machine down or which app holds "
         "the most memory. May take a few seconds while fresh per-process figures are gathered.",
         true,
         Json{{"type", "object"},
              {"properties",
               {{"metric",
                 {{"type", "string"},
                  {"enum", {"cpu", "ram", "gpu", "disk", "net"}},
                  {"default", "cpu"},
                  {"description", "Which resource to rank by"}}},
                {"count",
                 {{"type", "integer"},
                  {"minimum", kTopCountMin},
                  {"maximum", kTopCountMax},
                  {"default", kTopCountDefault},
                  {"description", "How many apps to list (1 to 50)"}}}}},
              {"additionalProperties", false}},
         object_of({{"metric", type_of("string")},
                    {"unit", type_of("string")},
                    {"apps", array_of(object_of({{"name", type_of("string")},
                                                 {"value", type_of("number")},
                                                 {"processes", type_of("integer")}},
                                                {"name", "value", "processes"}))}},
                   {"metric", "unit", "apps"}),
         build_top});
    t.push_back(
        {"get_app", "One app's figures",
         "Live figures for one app, found by its process image name ignoring letter case (for example "
         "\"node.exe\" or \"chrome.exe\"): whether it is running, its process ids, CPU percent, memory "
         "(bytes, with and without shared memory), GPU percent, disk and network bytes per second and "
         "frame rate. Use it to check on a program you started, such as a dev server, a build or a "
         "test runner.",
         true,
         Json{{"type", "object"},
              {"properties",
               {{"name",
                 {{"type", "string"}, {"minLength", 1}, {"description", "The process image name, for example \"node.exe\""}}}}},
              {"required", {"name"}},
              {"additionalProperties", false}},
         // Only name and running when the app is not running.
         object_of({{"name", type_of("string")},
                    {"running", type_of("boolean")},
                    {"process_count", type_of("integer")},
                    {"pids", array_of(type_of("integer"))},
                    {"cpu_pct", type_of("number")},
                    {"ram_bytes", type_of("integer")},
                    {"ram_with_shared_bytes", type_of("integer")},
                    {"gpu_pct", type_of("number")},
                    {"disk_bps", type_of("integer")},
                    {"net_bps", type_of("integer")},
                    {"fps", nullable("integer")}},
                   {"name", "running"}),
         build_app});
    t.push_back(
        {"get_fps", "Frame rates",
         "Frame rates of the apps presenting frames right now (games, video, 3D apps), and whether "
         "frame-rate tracking is available at all (it needs Quorvel to run with administrator rights). "
         "Use it when the user asks about a game's or an app's smoothness.",
         true, no_arguments(),
         object_of({{"tracking_available", type_of("boolean")}, {"presenting_apps", array_of(presenting_app())}},
                   {"tracking_available", "presenting_apps"}),
         [](const Json&, const ToolContext&) { return fixed_request("fps"); }});
    t.push_back(
        {"notify", "Notify the user",
         "Show the user a desktop notification through Quorvel; it is also listed on Quorvel's "
         "messages page. Use it as the user's notification preferences say (see "
         "get_notification_preferences), typically when a long task finishes, something fails or you "
         "need their input. Keep the body to a sentence or two; the title is optional. At most 5 at once "
         "and then one a second.",
         false,
         Json{{"type", "object"},
              {"properties",
               {{"title", {{"type", "string"}, {"description", "Short headline, on one line"}}},
                {"body", {{"type", "string"}, {"minLength", 1}, {"description", "The message to the user"}}}}},
              {"required", {"body"}},
              {"additionalProperties", false}},
         object_of({{"ok", type_of("boolean")}}, {"ok"}), build_notify});
    t.push_back(
        {"report_agents", "Report your agents",
         "Report the complete current list of your agents (sub-tasks), so the user sees in Quorvel what you "
         "are working on. Call it whenever an agent starts, finishes or changes what it is doing. Each call "
         "replaces the previous list of this session: an agent left out counts as finished. Status: "
         "\"running\" or \"waiting\" while active, a final word such as \"done\" or \"failed\" when it ended. "
         "Returns the number of agents still active.",
         false,
         Json{{"type", "object"},
              {"properties",
               {{"agents",
                 {{"type", "array"},
                  {"description", "Every agent of this session, active or just finished"},
                  {"items",
                   {{"type", "object"},
                    {"properties",
                     {{"id", {{"type", "string"}, {"description", "Stable identity of the agent"}}},
                      {"title", {{"type", "string"}, {"description", "Short name shown to the user"}}},
                      {"detail", {{"type", "string"}, {"description", "What it is doing, or its result"}}},
                      {"status",
                       {{"type", "string"},
                        {"description", "\"running\" or \"waiting\" while active; \"done\", \"failed\" or "
                                        "another word when finished"}}}}},
                    {"additionalProperties", false}}}}}}},
              {"required", {"agents"}},
              {"additionalProperties", false}},
         object_of({{"ok", type_of("boolean")}, {"agents", type_of("integer")}}, {"ok", "agents"}), build_agents});
    t.push_back({"get_notification_preferences", "Notification preferences",
                 "The user's preferences for when you should notify them on the desktop, as instructions text "
                 "(empty when they chose none). Read it at the start of a task and follow it when deciding to "
                 "call notify and report_agents.",
                 true, no_arguments(), object_of({{"instructions", type_of("string")}}, {"instructions"}),
                 [](const Json&, const ToolContext&) { return fixed_request("rules"); }});
    return t;
  }();
  return kTools;
}

const Tool* find_tool(std::string_view name) {
  for (const Tool& t : tool_table()) {
    if (name == t.name) return &t;
  }
  return nullptr;
}

}  // namespace qv::companion
