// The instructions text built from the notification preferences.
#include <gtest/gtest.h>

#include "agents/instructions.h"

namespace qv {
namespace {

const std::string kHead =
    "The user of this machine has set notification preferences in Quorvel. Use the `notify` tool to reach "
    "their desktop when:\n";
const std::string kTail =
    "Also call `report_agents` when you start, finish or change what your sub-agents are doing, so the user can "
    "see current activity in the app. Send the full current list each time; it replaces the previous one.";
const std::string kCustomHeading = "Additional instructions from the user, follow them exactly:\n";

Settings with(uint32_t presets, std::vector<NotifyRule> rules = {}) {
  Settings s;
  s.notify_presets = presets;
  s.notify_rules = std::move(rules);
  return s;
}

TEST(Instructions, NothingSelectedGivesEmptyText) {
  EXPECT_EQ(build_instructions(with(0)), "");
  EXPECT_EQ(build_instructions(with(16 | 32 | 0x80000000u)), "");  // bits above 3 mean nothing
  EXPECT_EQ(build_instructions(with(0, {{false, "disabled"}, {true, "  \t "}})), "");
}

TEST(Instructions, DefaultPresets) {
  EXPECT_EQ(build_instructions(Settings{}),
            kHead + "  - a build, test run or other long-running task finishes\n" +
                "  - something errors, fails or needs attention\n" + kTail);
}

TEST(Instructions, AllPresetsInBitOrder) {
  EXPECT_EQ(build_instructions(with(15 | 64)),
            kHead + "  - a build, test run or other long-running task finishes\n" +
                "  - something errors, fails or needs attention\n" + "  - you need their input to continue\n" +
                "  - you finish any step of note, even a small one\n" + kTail);
  EXPECT_EQ(build_instructions(with(4)), kHead + "  - you need their input to continue\n" + kTail);
}

TEST(Instructions, CustomRequestsOnly) {
  EXPECT_EQ(build_instructions(with(0, {{true, "  ping me on deploys  "}})),
            kHead + "  (no specific triggers selected)\n" + kCustomHeading + "  - ping me on deploys\n" + kTail);
}

TEST(Instructions, PresetsAndCustomRequestsSkippingDisabledAndBlank) {
  EXPECT_EQ(build_instructions(with(1, {{true, "first"}, {false, "off"}, {true, " "}, {true, "second\tone"}})),
            kHead + "  - a build, test run or other long-running task finishes\n" + kCustomHeading +
                "  - first\n  - second\tone\n" + kTail);
  // The only custom request is disabled: no heading either.
  EXPECT_EQ(build_instructions(with(2, {{false, "off"}})),
            kHead + "  - something errors, fails or needs attention\n" + kTail);
}

}  // namespace
}  // namespace qv
