// Caches keyed by pid drop the pids that left the process list.
#include "procinfo/pid_cache.h"

#include <gtest/gtest.h>

namespace qv {
namespace {

ProcessSample proc(uint32_t pid) {
  ProcessSample p;
  p.pid = pid;
  p.name = "chrome.exe";
  return p;
}

TEST(PidCache, EntriesOfDepartedPidsAreDropped) {
  std::unordered_map<uint32_t, std::string> labels = {{10, "Renderer"}, {11, "GPU"}, {12, "Network"}};
  forget_departed_pids(labels, {proc(10), proc(12), proc(99)});
  EXPECT_EQ(labels, (std::unordered_map<uint32_t, std::string>{{10, "Renderer"}, {12, "Network"}}));
  forget_departed_pids(labels, {});
  EXPECT_TRUE(labels.empty());
}

}  // namespace
}  // namespace qv
