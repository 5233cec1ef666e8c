// The lenient agent reader and the registry merge: any bytes, no crash, and what comes out keeps
// the reader's promises (unique ids, no object without title and detail, display texts free of
// control characters, history bounded).
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <set>
#include <string_view>

#include "agents/agent_registry.h"
#include "agents/agent_report.h"

namespace {

bool has_control(std::string_view s) {
  for (size_t i = 0; i < s.size(); ++i) {
    const auto c = static_cast<unsigned char>(s[i]);
    if (c < 0x20 || c == 0x7F) return true;
    if (c == 0xC2 && i + 1 < s.size() && static_cast<unsigned char>(s[i + 1]) >= 0x80 &&
        static_cast<unsigned char>(s[i + 1]) <= 0x9F) {
      return true;
    }
  }
  return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const auto agents = qv::parse_agent_report(text, 1000);
  std::set<std::string> ids;
  for (const auto& a : agents) {
    if (a.id.empty() || (a.title.empty() && a.detail.empty())) std::abort();
    if (!ids.insert(a.id).second) std::abort();
    if (has_control(a.title) || has_control(a.status) || has_control(a.detail)) std::abort();
    if (a.started_ms != 1000 || a.updated_ms != 1000) std::abort();
  }

  // Two reports of the same text and an empty one: everything reported ends up finished once.
  qv::AgentRegistry registry;
  qv::AgentHistory history;
  auto first = qv::merge_report(registry, history, "s", "L", agents, 1000);
  auto second = qv::merge_report(registry, history, "s", "L", qv::parse_agent_report(text, 2000), 2000);
  auto last = qv::merge_report(registry, history, "s", "L", {}, 3000);
  if (last.active_count != 0 || history.size() > qv::kAgentHistoryLength) std::abort();
  size_t active = 0;
  for (const auto& a : agents) active += qv::is_active_status(a.status) ? 1 : 0;
  if (first.active_count != active || second.active_count != active) std::abort();
  for (const auto& f : history) {
    if (f.title.size() > 4 * qv::kFinishedTextCut || f.detail.size() > 4 * qv::kFinishedTextCut) std::abort();
  }
  return 0;
}
