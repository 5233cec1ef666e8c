#pragma once
// The tools this MCP server offers: what a model reads about each, its input schema, and how a
// call's arguments become one pipe request line.
#include <string>
#include <string_view>
#include <vector>

#include <nlohmann/json.hpp>

namespace qv::companion {

using Json = nlohmann::ordered_json;

// Who this companion is on the monitor's side: the agents it reports are kept under this session.
struct ToolContext {
  std::string session_id;
  std::string label;  // the project folder the AI tool works in; empty lets the monitor choose
};

// A request line, or the reason the arguments cannot make one (told to the model so it can retry).
struct BuiltRequest {
  std::string line;
  std::string problem;
  bool ok() const { return problem.empty(); }
};

struct Tool {
  const char* name;
  const char* title;  // for people: shown by clients in lists and permission prompts
  const char* description;
  bool read_only;     // only reads figures; never changes what the user sees
  Json input_schema;
  Json output_schema;  // the shape of the monitor's reply, which becomes the structured result
  BuiltRequest (*build)(const Json& arguments, const ToolContext& context);
  // Cuts the monitor's reply down to what the arguments asked for; null keeps it whole.
  void (*shape_reply)(const Json& arguments, Json& reply) = nullptr;
};

const std::vector<Tool>& tool_table();
const Tool* find_tool(std::string_view name);

// The agents list as the monitor's lenient reader expects it: an array of objects with the
// string members id, title, status and detail only, in that order.
BuiltRequest agents_payload(const Json& agents);

}  // namespace qv::companion
