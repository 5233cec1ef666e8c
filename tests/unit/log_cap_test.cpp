// When a log file is set aside before an append: both sides of the cap, the empty file, and sums
// that would wrap around.
#include <gtest/gtest.h>

#include <cstdint>
#include <limits>

#include "util/log_cap.h"

namespace qv {
namespace {

TEST(LogCap, SetsTheFileAsideOnlyWhenTheAppendWouldPassTheCap) {
  struct Case {
    uint64_t current, adding;
    bool expected;
  };
  const uint64_t cap = 10485760;  // 10 MB
  const Case cases[] = {
      {cap - 10, 10, false},  // ends exactly at the cap
      {cap - 10, 11, true},   // one byte past it
      {cap, 0, false},
      {cap, 1, true},
      {cap + 5, 0, true},  // already past (an older program, or a move that failed)
      {1, cap - 1, false},
      {1, cap, true},
      {0, cap + 1, false},  // an empty file takes any append whole
      {0, 0, false},
      {std::numeric_limits<uint64_t>::max() - 1, 2, true},  // no wrap-around
      {1, std::numeric_limits<uint64_t>::max(), true},
  };
  EXPECT_EQ(kLogFileCapBytes, cap);
  for (const Case& c : cases) {
    EXPECT_EQ(log_append_needs_new_file(c.current, c.adding), c.expected) << c.current << " + " << c.adding;
  }
  EXPECT_TRUE(log_append_needs_new_file(90, 11, 100));
  EXPECT_FALSE(log_append_needs_new_file(90, 10, 100));
}

TEST(LogCap, TheSetAsideFileIsTheSameNameWithOneAdded) {
  EXPECT_EQ(set_aside_log_path(L"C:\\Users\\me\\AppData\\Local\\zelmor.log"),
            L"C:\\Users\\me\\AppData\\Local\\zelmor.log.1");
  EXPECT_EQ(set_aside_log_path(L"D:\\logs\\alerts"), L"D:\\logs\\alerts.1");
}

}  // namespace
}  // namespace qv
