#include "companion/mcp_server.h"

#include "util/names.h"
#include "util/text.h"

namespace qv::companion {
namespace {

constexpr int kParseError = -32700;
constexpr int kInvalidRequest = -32600;
constexpr int kMethodNotFound = -32601;
constexpr int kInvalidParams = -32602;

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
Json tool_result(const McpServer& server, const PipeOutcome& outcome) {
  switch (outcome.kind) {
    case PipeOutcome::Kind::kNotRunning:
      return tool_error(outcome.text.empty() ? kNotRunningText : outcome.text);
    case PipeOutcome::Kind::kRefused:
    case PipeOutcome::Kind::kFailed:
      return tool_error(outcome.text);
    case PipeOutcome::Kind::kReply:
      break;
  }
  const Json parsed = Json::parse(outcome.text, nullptr, false);
  if (parsed.is_discarded() || !parsed.is_object()) {
    say(server, "Quorvel's reply is not a JSON object: " + outcome.text.substr(0, 200));
    return tool_error("Quorvel sent a reply that could not be read; try again, or restart Quorvel");
  }
  if (const auto err = parsed.find("error"); err != parsed.end() && err->is_string()) {
    return tool_error(err->get<std::string>());
  }
  Json result{{"content", Json::array({Json{{"type", "text"}, {"text", outcome.text}}})}};
  if (structured_content(server)) result["structuredContent"] = parsed;
  return result;
}

Json initialize(McpServer& server, const Json& params) {
  server.protocol_version = negotiate_version(params.at("protocolVersion").get<std::string>());
  Json result;
  result["protocolVersion"] = server.protocol_version;
  result["capabilities"] = Json{{"tools", Json{{"listChanged", false}}}};
  result["serverInfo"] = Json{{"name", "quorvel"}, {"version", server.version}};
  // The user's notification preferences travel as the server's instructions, so the AI tool
  // knows them from the start without calling a tool first.
  const PipeOutcome rules = server.pipe ? server.pipe("rules") : PipeOutcome{};
  if (rules.kind == PipeOutcome::Kind::kReply) {
    const Json parsed = Json::parse(rules.text, nullptr, false);
    if (parsed.is_object() && parsed.contains("instructions") && parsed["instructions"].is_string()) {
      const std::string text = parsed["instructions"].get<std::string>();
      if (!text.empty()) result["instructions"] = text;
    } else if (parsed.is_object() && parsed.contains("error") && parsed["error"].is_string()) {
      say(server, "no notification preferences: " + parsed["error"].get<std::string>());
    }
  } else {
    say(server, "no notification preferences: " + (rules.text.empty() ? std::string(kNotRunningText) : rules.text));
  }
  return result;
}

Json tools_list() {
  Json tools = Json::array();
  for (const Tool& t : tool_table()) {
    tools.push_back(Json{{"name", t.name}, {"description", t.description}, {"inputSchema", t.input_schema}});
  }
  return Json{{"tools", std::move(tools)}};
}

std::string call_tool(McpServer& server, const Json& id, const Json& params) {
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
  if (!request.ok()) return result_reply(id, tool_error("Invalid arguments for " + std::string(tool->name) + ": " + request.problem));
  if (request.line.size() > kPipeRequestLimitBytes) {
    return result_reply(id, tool_error("The request is larger than Quorvel accepts (1 MiB); send less text"));
  }
  if (!server.pipe) return result_reply(id, tool_error(kNotRunningText));
  return result_reply(id, tool_result(server, server.pipe(request.line)));
}

}  // namespace

std::string too_long_reply() { return error_reply(nullptr, kInvalidRequest, "Invalid Request: message too large"); }

std::string negotiate_version(std::string_view requested) {
  for (const char* v : kProtocolVersions) {
    if (requested == v) return v;
  }
  return std::end(kProtocolVersions)[-1];
}

std::optional<std::string> handle_line(McpServer& server, std::string_view line) {
  if (trim(line).empty()) return std::nullopt;  // a stray blank line is not a message
  const Json message = Json::parse(line, nullptr, false);
  if (message.is_discarded()) return error_reply(nullptr, kParseError, "Parse error");
  if (message.is_array()) return error_reply(nullptr, kInvalidRequest, "Batches are not supported");
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

  if (method == "initialize") {
    if (!params.contains("protocolVersion") || !params.at("protocolVersion").is_string()) {
      return error_reply(id, kInvalidParams, "initialize needs params.protocolVersion");
    }
    return result_reply(id, initialize(server, params));
  }
  if (method == "ping") return result_reply(id, Json::object());
  if (method == "tools/list") return result_reply(id, tools_list());
  if (method == "tools/call") return call_tool(server, id, params);
  return error_reply(id, kMethodNotFound, "Method not found: " + method);
}

}  // namespace qv::companion
