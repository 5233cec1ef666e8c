#pragma once
// Rule log lines are written by a thread of their own, so that a log file on a share that does
// not answer holds up only the lines waiting for it, never the sampler's tick. The queue is
// bounded: while it is full, further lines are dropped and the loss is reported once.
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>

namespace qv {

class RuleLogQueue {
 public:
  static constexpr size_t kCapacity = 256;

  // Appends one line (with its line feed) to the file at the path; runs on the writer thread.
  using Writer = std::function<void(const std::string& path, const std::string& line)>;
  // Writes one line to the program log.
  using Reporter = std::function<void(std::string_view line)>;

  // `thread_start` runs first on the writer thread (empty: nothing). The thread is started with
  // the first line, so a monitor without rule logs has no such thread.
  RuleLogQueue(Writer write, Reporter report, std::function<void()> thread_start = {}, size_t capacity = kCapacity);
  RuleLogQueue(const RuleLogQueue&) = delete;
  RuleLogQueue& operator=(const RuleLogQueue&) = delete;
  // Writes what is queued, then ends the writer thread.
  ~RuleLogQueue();

  // Hands one line to the writer and returns at once. False when the queue was full and the line
  // was dropped; the first drop after the queue last had room writes one program-log line.
  bool push(std::string path, std::string line);

  // Blocks until every line pushed so far has been written.
  void wait_until_written();

 private:
  struct Entry {
    std::string path;
    std::string line;
  };
  void run(std::function<void()> thread_start);

  Writer write_;
  Reporter report_;
  size_t capacity_;
  std::mutex mutex_;
  std::condition_variable wake_;     // a line was queued, or the queue is closing
  std::condition_variable written_;  // the queue ran empty and the writer is idle
  std::deque<Entry> queue_;
  bool writing_ = false;   // the writer holds a line taken from the queue
  bool dropping_ = false;  // lines were dropped since the queue last had room
  bool closing_ = false;
  std::function<void()> thread_start_;
  std::thread thread_;     // started by the first push
};

}  // namespace qv
