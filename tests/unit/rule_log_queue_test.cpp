// The rule log writer thread: a slow file holds up only the queue, never the caller; a full
// queue drops lines and says so once per spell of dropping; lines keep their order.
#include "rules/rule_log_queue.h"

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace qv {
namespace {

// A log file whose open hangs until the test lets it go, as one on an unreachable share does.
struct HangingFile {
  std::mutex mutex;
  std::condition_variable changed;
  bool released = false;
  bool entered = false;
  std::vector<std::string> written;

  void write(const std::string& path, const std::string& line) {
    std::unique_lock lock(mutex);
    entered = true;
    changed.notify_all();
    changed.wait(lock, [&] { return released; });
    written.push_back(path + ": " + line);
  }
  // Waits until the writer thread is inside write(); false after 10 s.
  bool wait_entered() {
    std::unique_lock lock(mutex);
    return changed.wait_for(lock, std::chrono::seconds(10), [&] { return entered; });
  }
  void release() {
    std::lock_guard lock(mutex);
    released = true;
    changed.notify_all();
  }
};

TEST(RuleLogQueue, AHangingFileDoesNotHoldUpTheCallerAndFullQueuesDropOnceReported) {
  HangingFile file;
  std::vector<std::string> reports;  // only the pushing thread reports
  RuleLogQueue queue([&](const std::string& p, const std::string& l) { file.write(p, l); },
                     [&](std::string_view line) { reports.emplace_back(line); }, {}, 3);
  // Lets the writer go however the test ends, before the queue waits for it.
  struct ReleaseAtEnd {
    HangingFile& file;
    ~ReleaseAtEnd() { file.release(); }
  } release_at_end{file};
  ASSERT_TRUE(queue.push("\\\\gone\\share\\a.log", "line 0"));
  ASSERT_TRUE(file.wait_entered()) << "the writer thread never took the first line";
  // The writer is stuck on line 0; three more fit, whatever the caller's pace.
  for (int i = 1; i <= 3; ++i) EXPECT_TRUE(queue.push("b.log", "line " + std::to_string(i))) << i;
  EXPECT_FALSE(queue.push("c.log", "line 4"));
  EXPECT_FALSE(queue.push("d.log", "line 5"));
  ASSERT_EQ(reports.size(), 1u);
  EXPECT_EQ(reports[0], "rule log queue full: dropping lines until the writer catches up (c.log)");

  file.release();
  queue.wait_until_written();
  {
    std::lock_guard lock(file.mutex);
    EXPECT_EQ(file.written, (std::vector<std::string>{"\\\\gone\\share\\a.log: line 0", "b.log: line 1",
                                                      "b.log: line 2", "b.log: line 3"}));
  }
  // Room again: lines are taken, and a later spell of dropping is reported afresh.
  EXPECT_TRUE(queue.push("e.log", "line 6"));
  queue.wait_until_written();
  EXPECT_EQ(file.written.back(), "e.log: line 6");
  EXPECT_EQ(reports.size(), 1u);
}

TEST(RuleLogQueue, ClosingWritesWhatIsQueuedAndStartsTheThreadHookFirst) {
  std::vector<std::string> written;
  std::thread::id hook_thread, writer_thread;
  {
    RuleLogQueue queue(
        [&](const std::string&, const std::string& l) {
          writer_thread = std::this_thread::get_id();
          written.push_back(l);
        },
        [](std::string_view) {}, [&] { hook_thread = std::this_thread::get_id(); });
    for (int i = 0; i < 50; ++i) queue.push("a.log", std::to_string(i));
  }
  ASSERT_EQ(written.size(), 50u);
  EXPECT_EQ(written.front(), "0");
  EXPECT_EQ(written.back(), "49");
  EXPECT_EQ(hook_thread, writer_thread);
  EXPECT_NE(writer_thread, std::this_thread::get_id());
}

}  // namespace
}  // namespace qv
