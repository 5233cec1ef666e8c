// The request dispatcher: any message bytes, no crash, and every answer is exactly one line of
// valid, compact JSON as checked by a parser that shares no code with the reply writer.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "../unit/pipe_json_check.h"
#include "core/shared_state.h"
#include "mcp_pipe/dispatcher.h"
#include "sampler/publish.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view message(reinterpret_cast<const char*>(data), size);
  qv::SharedState state;
  qv::Snapshot s;
  s.fps = qv::PresentingApp{7, "game\".exe", 60};
  s.presenting_apps = {*s.fps};
  s.drives = {{'C', 100, 50}};
  qv::ProcessSample p;
  p.name = "game\".exe";
  p.pid = 7;
  p.cpu_pct = 12.5f;
  p.ram_bytes = 4096;
  s.processes = {p};
  s.processes_measured = true;
  qv::publish(state, s, qv::summarise(s, 1));
  state.panel_open = true;  // the record counts as fresh: top and app answer without waiting
  state.instructions = "Rules:\n  - \"quoted\"\t\x1b";
  // The first byte also decides whether the link is switched off.
  state.mcp_enabled = size == 0 || (data[0] & 1) == 0;

  qv::LinkHooks hooks;
  const auto reply = qv::answer_message(message, state, hooks);
  if (message.empty()) {
    if (reply) std::abort();
    return 0;
  }
  if (!reply || !qv::test::StrictJson::reply_line(*reply)) std::abort();
  if (reply->find('\n') != reply->size() - 1) std::abort();
  return 0;
}
