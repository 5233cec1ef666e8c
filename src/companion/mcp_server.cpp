#include "companion/mcp_server.h"

#include <algorithm>
#include <chrono>
#include <functional>

#include "companion/request_lines.h"
#include "util/names.h"
#include "util/text.h"
#include "util/utf.h"

namespace qv::companion {
namespace {

constexpr int kParseError = -32700;
constexpr int kInvalidRequest = -32600;
constexpr int kMethodNotFound = -32601;
constexpr int kInvalidParams = -32602;
constexpr int kUnsupportedProtocolVersion = -32022;
constexpr const char* kVersionKey = "io.modelcontextprotocol/protocolVersion";

// Replies never throw on text: invalid UTF-8 that came from the monitor is replaced, not fatal.
std::string dump(const Json& j) { return j.dump(-1, ' ', false, Json::error_handler_t::replace); }

std::string error_reply(const Json& id, int code, const std::string& message) {
  Json reply;
  reply["jsonrpc"] = "2.0";
  reply["id"] = id;
  reply["error"] = Json{{"code", code}, {"message", message}};
  return dump(reply);
}

std::string result_reply(const Json& id, Json result) {
  Json reply;
  reply["jsonrpc"] = "2.0";
  reply["id"] = id;
  reply["result"] = std::move(result);
  return dump(reply);
}

Json tool_error(const std::string& text) {
  return Json{{"content", Json::array({Json{{"type", "text"}, {"text", text}}})}, {"isError", true}};
}

void say(const McpServer& server, std::string_view line) {
  if (server.diagnostic) server.diagnostic(line);
}

bool structured_content(const McpServer& server) {
  // Structured results came with 2025-06-18; a client that skipped initialize gets the latest.
  return server.protocol_version.empty() || server.protocol_version >= "2025-06-18";
}

// The pipe's answer to a tool call as a tool result: the monitor's reply verbatim, or an error a
// model can act on.
Json tool_result(const McpServer& server, bool structured, const Tool& tool, const Json& arguments,
                 const PipeOutcome& outcome) {
  switch (outcome.kind) {
    case PipeOutcome::Kind::kNotRunning:
      return tool_error(outcome.text.empty() ? kNotRunningText : outcome.text);
    case PipeOutcome::Kind::kRefused:
    case PipeOutcome::Kind::kFailed:
      return tool_error(outcome.text);
    case PipeOutcome::Kind::kReply:
      break;
  }
  Json parsed = Json::parse(outcome.text, nullptr, false);
  if (parsed.is_discarded() || !parsed.is_object()) {
    say(server, "Quorvel's reply is not a JSON object: " + outcome.text.substr(0, 200));
    return tool_error("Quorvel sent a reply that could not be read; try again, or restart Quorvel");
  }
  if (const auto err = parsed.find("error"); err != parsed.end() && err->is_string()) {
    return tool_error(err->get<std::string>());
  }
  if (!tool.shape_reply) {
    Json result{{"content", Json::array({Json{{"type", "text"}, {"text", outcome.text}}})}};
    if (structured) result["structuredContent"] = std::move(parsed);  // moved, not copied: it is not read again
    return result;
  }
  Json shaped = std::move(parsed);
  tool.shape_reply(arguments, shaped);
  Json result{{"content", Json::array({Json{{"type", "text"}, {"text", dump(shaped)}}})}};
  if (structured) result["structuredContent"] = std::move(shaped);
  return result;
}

// The preferences as the server's instructions; empty when there are none or the monitor does not
// answer in time (said on stderr).
std::string fetch_instructions(const McpServer& server) {
  const PipeOutcome rules = server.pipe ? server.pipe("rules", kBriefWaitMs) : PipeOutcome{};
  if (rules.kind != PipeOutcome::Kind::kReply) {
    say(server, "no notification preferences: " + (rules.text.empty() ? std::string(kNotRunningText) : rules.text));
    return {};
  }
  const Json parsed = Json::parse(rules.text, nullptr, false);
  if (parsed.is_object() && parsed.contains("instructions") && parsed["instructions"].is_string()) {
    return parsed["instructions"].get<std::string>();
  }
  if (parsed.is_object() && parsed.contains("error") && parsed["error"].is_string()) {
    say(server, "no notification preferences: " + parsed["error"].get<std::string>());
  }
  return {};
}

Json initialize(McpServer& server, const Json& params) {
  server.protocol_version = negotiate_version(params.at("protocolVersion").get<std::string>());
  Json result;
  result["protocolVersion"] = server.protocol_version;
  result["capabilities"] = Json{{"tools", Json{{"listChanged", false}}}};
  result["serverInfo"] = Json{{"name", "quorvel"}, {"version", server.version}};
  // The user's notification preferences travel as the server's instructions, so the AI tool
  // knows them from the start without calling a tool first.
  // Waited for briefly: the AI tool waits for this answer before it can do anything else.
  const std::string instructions = fetch_instructions(server);
  if (!instructions.empty()) result["instructions"] = instructions;
  return result;
}

Json tools_list(bool structured) {
  Json tools = Json::array();
  for (const Tool& t : tool_table()) {
    Json tool{{"name", t.name}, {"title", t.title}, {"description", t.description}, {"inputSchema", t.input_schema}};
    // A client that was promised an output schema expects structured results, which only come
    // with the revisions that know them.
    if (structured) tool["outputSchema"] = t.output_schema;
    Json annotations{{"readOnlyHint", t.read_only}, {"openWorldHint", false}};
    if (!t.read_only) annotations["destructiveHint"] = false;
    tool["annotations"] = std::move(annotations);
    tools.push_back(std::move(tool));
  }
  return Json{{"tools", std::move(tools)}};
}

uint64_t now_ms(const McpServer& server) {
  if (server.clock_ms) return server.clock_ms();
  return static_cast<uint64_t>(
      std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch()).count());
}

// Takes one notification from the credit; when there is none left, how many ms until there is.
std::optional<uint64_t> take_notification(McpServer& server) {
  const uint64_t now = now_ms(server);
  if (server.notify_credit_at && now > *server.notify_credit_at) {
    server.notify_credit_ms = std::min(kNotifyBurst * kNotifyEveryMs, server.notify_credit_ms + (now - *server.notify_credit_at));
  }
  server.notify_credit_at = now;
  if (server.notify_credit_ms < kNotifyEveryMs) return kNotifyEveryMs - server.notify_credit_ms;
  server.notify_credit_ms -= kNotifyEveryMs;
  return std::nullopt;
}

// Turns a result into its reply line; the stateless revision adds its fields there.
using ResultReply = std::function<std::string(Json result)>;

std::string call_tool(McpServer& server, bool structured, const Json& id, const Json& params,
                      const ResultReply& reply_with) {
  const auto name = params.find("name");
  if (name == params.end() || !name->is_string()) return error_reply(id, kInvalidParams, "tools/call needs a tool name");
  const Tool* tool = find_tool(name->get<std::string>());
  if (!tool) return error_reply(id, kInvalidParams, "Unknown tool: " + name->get<std::string>());
  static const Json kNoArguments = Json::object();
  const Json* arguments = &kNoArguments;
  if (const auto args = params.find("arguments"); args != params.end() && !args->is_null()) {
    if (!args->is_object()) return error_reply(id, kInvalidParams, "tools/call arguments must be an object");
    arguments = &*args;
  }
  const BuiltRequest request = tool->build(*arguments, server.context);
  if (!request.ok()) {
    return reply_with(tool_error("Invalid arguments for " + std::string(tool->name) + ": " + request.problem));
  }
  if (request.line.size() > kPipeRequestLimitBytes) {
    return reply_with(tool_error("The request is larger than Quorvel accepts (1 MiB); send less text"));
  }
  const std::string_view tool_name = tool->name;
  if (tool_name == "notify") {
    if (const std::optional<uint64_t> wait = take_notification(server)) {
      const uint64_t seconds = (*wait + 999) / 1000;
      return reply_with(tool_error("Too many notifications: at most " + std::to_string(kNotifyBurst) +
                                   " at once and then one a second. Try again in " + std::to_string(seconds) +
                                   (seconds == 1 ? " second." : " seconds.")));
    }
  }
  if (!server.pipe) return reply_with(tool_error(kNotRunningText));
  Json result = tool_result(server, structured, *tool, *arguments, server.pipe(request.line, kReplyWaitMs));
  if (tool_name == "report_agents" && !result.value("isError", false)) {
    server.agents_shown = !arguments->at("agents").empty();
  }
  return reply_with(std::move(result));
}

// Copies `line` with every \u escape of an unpaired surrogate replaced by \ufffd: the parser
// refuses those, and one bad character should cost the request no more than that character.
std::string paired_surrogates(std::string_view line) {
  auto hex4 = [&](size_t at, unsigned& value) {
    if (at + 4 > line.size()) return false;
    value = 0;
    for (size_t i = at; i < at + 4; ++i) {
      const char c = line[i];
      const int d = c >= '0' && c <= '9' ? c - '0' : c >= 'a' && c <= 'f' ? c - 'a' + 10 : c >= 'A' && c <= 'F' ? c - 'A' + 10 : -1;
      if (d < 0) return false;
      value = value * 16 + static_cast<unsigned>(d);
    }
    return true;
  };
  auto is_high = [](unsigned v) { return v >= 0xD800 && v <= 0xDBFF; };
  auto is_low = [](unsigned v) { return v >= 0xDC00 && v <= 0xDFFF; };
  std::string out;
  out.reserve(line.size());
  bool in_string = false;
  size_t i = 0;
  while (i < line.size()) {
    const char c = line[i];
    if (!in_string) {
      in_string = c == '"';
      out.push_back(c);
      ++i;
      continue;
    }
    if (c == '"') {
      in_string = false;
    } else if (c == '\\' && i + 1 < line.size()) {
      unsigned unit = 0;
      unsigned next = 0;
      if (line[i + 1] == 'u' && hex4(i + 2, unit) && (is_high(unit) || is_low(unit))) {
        if (is_high(unit) && i + 7 < line.size() && line[i + 6] == '\\' && line[i + 7] == 'u' && hex4(i + 8, next) &&
            is_low(next)) {
          out.append(line.substr(i, 12));
          i += 12;
        } else {
          out += "\\ufffd";
          i += 6;
        }
        continue;
      }
      out.append(line.substr(i, 2));
      i += 2;
      continue;
    }
    out.push_back(c);
    ++i;
  }
  return out;
}

// One request of the stateless revision; its version has been checked.
std::string handle_stateless(McpServer& server, const Json& id, const std::string& method, const Json& params) {
  const ResultReply complete = [&server, &id](Json result) {
    result["resultType"] = "complete";
    result["_meta"] = Json{{"io.modelcontextprotocol/serverInfo", {{"name", "quorvel"}, {"version", server.version}}}};
    return result_reply(id, std::move(result));
  };
  if (method == "server/discover") {
    Json result{{"supportedVersions", Json::array({kStatelessProtocolVersion})},
                {"capabilities", {{"tools", Json::object()}}}};
    const std::string instructions = fetch_instructions(server);
    if (!instructions.empty()) result["instructions"] = instructions;
    // The instructions are the user's own preferences and change when the user edits them.
    result["ttlMs"] = 0;
    result["cacheScope"] = "private";
    return complete(std::move(result));
  }
  if (method == "tools/list") {
    if (params.contains("cursor") && !params.at("cursor").is_null()) {
      return error_reply(id, kInvalidParams, "Invalid params: unknown cursor");
    }
    Json result = tools_list(true);
    result["ttlMs"] = kToolListTtlMs;
    result["cacheScope"] = "public";
    return complete(std::move(result));
  }
  if (method == "tools/call") return call_tool(server, true, id, params, complete);
  return error_reply(id, kMethodNotFound, "Method not found: " + method);
}

std::optional<std::string> handle_batch(McpServer& server, const Json& batch) {
  if (batch.empty()) return error_reply(nullptr, kInvalidRequest, "Invalid Request: empty batch");
  std::string replies;
  for (const Json& message : batch) {
    // Each member is answered on its own; an array inside a batch is no request (and is not
    // descended into, however deeply it nests).
    const std::optional<std::string> reply =
        message.is_object() ? handle_message(server, message)
                            : error_reply(nullptr, kInvalidRequest, "Invalid Request: not an object");
    if (!reply) continue;
    replies += replies.empty() ? "[" : ",";
    replies += *reply;
  }
  if (replies.empty()) return std::nullopt;  // only notifications: nothing to answer
  return replies + "]";
}

}  // namespace

std::string too_long_reply() { return error_reply(nullptr, kInvalidRequest, "Invalid Request: message too large"); }

std::string negotiate_version(std::string_view requested) {
  for (const char* v : kProtocolVersions) {
    if (requested == v) return v;
  }
  return std::end(kProtocolVersions)[-1];
}

Json parse_message(std::string_view line) {
  const std::string text = is_valid_utf8(line) ? std::string(line) : utf16_to_utf8(utf8_to_utf16(line));
  return Json::parse(paired_surrogates(text), nullptr, false);
}

std::optional<std::string> handle_line(McpServer& server, std::string_view line) {
  if (trim(line).empty()) return std::nullopt;  // a stray blank line is not a message
  return handle_message(server, parse_message(line));
}

std::optional<std::string> farewell_request(const McpServer& server) {
  if (!server.agents_shown) return std::nullopt;
  return agents_request(server.context.session_id, server.context.label, "[]");
}

std::optional<std::string> handle_message(McpServer& server, const Json& message) {
  if (message.is_discarded()) return error_reply(nullptr, kParseError, "Parse error");
  if (message.is_array()) return handle_batch(server, message);
  if (!message.is_object()) return error_reply(nullptr, kInvalidRequest, "Invalid Request: not an object");

  const auto id_it = message.find("id");
  const bool has_id = id_it != message.end();
  const bool id_valid = has_id && (id_it->is_string() || id_it->is_number());
  const Json id = id_valid ? *id_it : Json(nullptr);
  const auto method_it = message.find("method");

  if (method_it == message.end()) {
    // A response to a request of ours: this server sends none, so there is nothing to match.
    if (message.contains("result") || message.contains("error")) return std::nullopt;
    return error_reply(id, kInvalidRequest, "Invalid Request: no method");
  }
  const auto version_it = message.find("jsonrpc");
  if (version_it == message.end() || *version_it != "2.0") {
    return error_reply(id, kInvalidRequest, "Invalid Request: jsonrpc must be \"2.0\"");
  }
  if (!method_it->is_string()) return error_reply(id, kInvalidRequest, "Invalid Request: method must be a string");
  if (has_id && !id_valid) return error_reply(nullptr, kInvalidRequest, "Invalid Request: id must be a string or a number");
  if (!has_id) return std::nullopt;  // notifications (initialized, cancelled, ...) need no answer

  const std::string method = method_it->get<std::string>();
  const auto params_it = message.find("params");
  const bool params_absent = params_it == message.end() || params_it->is_null();
  if (!params_absent && !params_it->is_object()) return error_reply(id, kInvalidParams, "params must be an object");
  // Referred to, never copied: copying a value is recursive, and a client may nest deeply.
  static const Json kNoParams = Json::object();
  const Json& params = params_absent ? kNoParams : *params_it;

  // A request that names its revision in `_meta` belongs to the stateless revision: no handshake,
  // no ping, and every result says it is complete and who answered.
  const Json* asked_version = nullptr;
  if (const auto meta = params.find("_meta"); meta != params.end() && meta->is_object()) {
    if (const auto v = meta->find(kVersionKey); v != meta->end()) asked_version = &*v;
  }
  if (asked_version) {
    if (!asked_version->is_string()) {
      return error_reply(id, kInvalidParams, std::string("Invalid params: _meta ") + kVersionKey + " must be a string");
    }
    if (*asked_version != kStatelessProtocolVersion) {
      Json reply{{"jsonrpc", "2.0"},
                 {"id", id},
                 {"error",
                  {{"code", kUnsupportedProtocolVersion},
                   {"message", "Unsupported protocol version"},
                   {"data",
                    {{"supported", Json::array({kStatelessProtocolVersion})}, {"requested", *asked_version}}}}}};
      return dump(reply);
    }
    return handle_stateless(server, id, method, params);
  }

  if (method == "initialize") {
    if (!params.contains("protocolVersion") || !params.at("protocolVersion").is_string()) {
      return error_reply(id, kInvalidParams, "initialize needs params.protocolVersion");
    }
    return result_reply(id, initialize(server, params));
  }
  if (method == "ping") return result_reply(id, Json::object());
  if (method == "tools/list") {
    // The list comes in one page, so no cursor is one this server gave out.
    if (params.contains("cursor") && !params.at("cursor").is_null()) {
      return error_reply(id, kInvalidParams, "Invalid params: unknown cursor");
    }
    return result_reply(id, tools_list(structured_content(server)));
  }
  if (method == "tools/call") {
    const ResultReply plain = [&id](Json result) { return result_reply(id, std::move(result)); };
    return call_tool(server, structured_content(server), id, params, plain);
  }
  return error_reply(id, kMethodNotFound, "Method not found: " + method);
}

}  // namespace qv::companion
