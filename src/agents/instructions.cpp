#include "agents/instructions.h"

#include <array>
#include <vector>

#include "util/white_space.h"

namespace qv {
namespace {

// One sentence per preset bit, in output order.
constexpr std::array<const char*, 4> kPresetSentences = {
    "a build, test run or other long-running task finishes",
    "something errors, fails or needs attention",
    "you need their input to continue",
    "you finish any step of note, even a small one",
};

constexpr const char* kHead =
    "The user of this machine has set notification preferences in Quorvel. Use the `notify` tool to "
    "reach their desktop when:\n";
constexpr const char* kNoPresets = "  (no specific triggers selected)\n";
constexpr const char* kCustomHeading = "Additional instructions from the user, follow them exactly:\n";
constexpr const char* kTail =
    "Also call `report_agents` when you start, finish or change what your sub-agents are doing, so "
    "the user can see current activity in the app. Send the full current list each time; it "
    "replaces the previous one.";

}  // namespace

std::string build_instructions(const Settings& settings) {
  std::vector<std::string_view> presets;
  for (size_t bit = 0; bit < kPresetSentences.size(); ++bit) {
    if (settings.notify_presets & (1u << bit)) presets.push_back(kPresetSentences[bit]);
  }
  std::vector<std::string_view> custom;
  for (const NotifyRule& rule : settings.notify_rules) {
    const std::string_view text = trim_white_space(rule.text);
    if (rule.enabled && !text.empty()) custom.push_back(text);
  }
  if (presets.empty() && custom.empty()) return {};

  std::string out = kHead;
  for (std::string_view sentence : presets) {
    out += "  - ";
    out += sentence;
    out += '\n';
  }
  if (presets.empty()) out += kNoPresets;
  if (!custom.empty()) {
    out += kCustomHeading;
    for (std::string_view text : custom) {
      out += "  - ";
      out += text;
      out += '\n';
    }
  }
  out += kTail;
  return out;
}

}  // namespace qv
