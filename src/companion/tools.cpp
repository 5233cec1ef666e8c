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
    t.push_back({"get_snapshot",
                 "Current figures of the user's Windows machine from the Quorvel system monitor: total CPU "
                 "percent, memory used and total (bytes), GPU percent, disk read/write and network "
                 "receive/send rates (bytes per second), the frame rate of the app drawing frames, the sound "
                 "peak and each fixed drive with its free space. Use it to see how loaded the machine is right "
                 "now, for example before a heavy build or when something feels slow.",
                 no_arguments(), [](const Json&, const ToolContext&) { return fixed_request("snapshot"); }});
    t.push_back({"get_history",
                 "Recent history of the machine's load, oldest first (up to 360 samples, one per sampling "
                 "interval): time in ms since 1970, CPU, memory and GPU percent, disk and network bytes per "
                 "second and frame rate. Use it to see trends, for example whether memory kept growing during "
                 "a test run or when a CPU spike happened.",
                 no_arguments(), [](const Json&, const ToolContext&) { return fixed_request("history"); }});
    t.push_back(
        {"top_apps",
         "The apps using the most of one resource right now, with the processes of one program summed: "
         "name, value and number of processes, largest first. Units: cpu and gpu in percent, ram in bytes, "
         "disk and net in bytes per second. Use it to find what slows the machine down or which app holds "
         "the most memory. May take a few seconds while fresh per-process figures are gathered.",
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
         build_top});
    t.push_back({"get_app",
                 "Live figures for one app, found by its process image name ignoring letter case (for example "
                 "\"node.exe\" or \"chrome.exe\"): whether it is running, its process ids, CPU percent, memory "
                 "(bytes, with and without shared memory), GPU percent, disk and network bytes per second and "
                 "frame rate. Use it to check on a program you started, such as a dev server, a build or a "
                 "test runner.",
                 Json{{"type", "object"},
                      {"properties",
                       {{"name",
                         {{"type", "string"},
                          {"minLength", 1},
                          {"description", "The process image name, for example \"node.exe\""}}}}},
                      {"required", {"name"}},
                      {"additionalProperties", false}},
                 build_app});
    t.push_back({"get_fps",
                 "Frame rates of the apps presenting frames right now (games, video, 3D apps), and whether "
                 "frame-rate tracking is available at all (it needs Quorvel to run with administrator rights). "
                 "Use it when the user asks about a game's or an app's smoothness.",
                 no_arguments(), [](const Json&, const ToolContext&) { return fixed_request("fps"); }});
    t.push_back({"notify",
                 "Show the user a desktop notification through Quorvel; it is also listed on Quorvel's "
                 "messages page. Use it as the user's notification preferences say (see "
                 "get_notification_preferences), typically when a long task finishes, something fails or you "
                 "need their input. Keep the body to a sentence or two; the title is optional.",
                 Json{{"type", "object"},
                      {"properties",
                       {{"title", {{"type", "string"}, {"description", "Short headline, on one line"}}},
                        {"body", {{"type", "string"}, {"description", "The message to the user"}}}}},
                      {"required", {"body"}},
                      {"additionalProperties", false}},
                 build_notify});
    t.push_back(
        {"report_agents",
         "Report the complete current list of your agents (sub-tasks), so the user sees in Quorvel what you "
         "are working on. Call it whenever an agent starts, finishes or changes what it is doing. Each call "
         "replaces the previous list of this session: an agent left out counts as finished. Status: "
         "\"running\" or \"waiting\" while active, a final word such as \"done\" or \"failed\" when it ended. "
         "Returns the number of agents still active.",
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
         build_agents});
    t.push_back({"get_notification_preferences",
                 "The user's preferences for when you should notify them on the desktop, as instructions text "
                 "(empty when they chose none). Read it at the start of a task and follow it when deciding to "
                 "call notify and report_agents.",
                 no_arguments(), [](const Json&, const ToolContext&) { return fixed_request("rules"); }});
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
