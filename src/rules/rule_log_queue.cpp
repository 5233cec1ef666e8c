#include "rules/rule_log_queue.h"

#include <utility>

namespace qv {

RuleLogQueue::RuleLogQueue(Writer write, Reporter report, std::function<void()> thread_start, size_t capacity)
    : write_(std::move(write)),
      report_(std::move(report)),
      capacity_(capacity),
      thread_start_(std::move(thread_start)) {}

RuleLogQueue::~RuleLogQueue() {
  {
    std::lock_guard lock(mutex_);
    closing_ = true;
  }
  wake_.notify_one();
  if (thread_.joinable()) thread_.join();
}

bool RuleLogQueue::push(std::string path, std::string line) {
  bool first_drop = false;
  {
    std::lock_guard lock(mutex_);
    if (queue_.size() < capacity_) {
      dropping_ = false;
      queue_.push_back({std::move(path), std::move(line)});
      if (!thread_.joinable()) thread_ = std::thread([this] { run(std::move(thread_start_)); });
    } else {
      first_drop = !std::exchange(dropping_, true);
      if (!first_drop) return false;
    }
  }
  if (!first_drop) {
    wake_.notify_one();
    return true;
  }
  // Reported outside the lock: the program log is a file too.
  report_("rule log queue full: dropping lines until the writer catches up (" + path + ")");
  return false;
}

void RuleLogQueue::wait_until_written() {
  std::unique_lock lock(mutex_);
  written_.wait(lock, [this] { return queue_.empty() && !writing_; });
}

void RuleLogQueue::run(std::function<void()> thread_start) {
  if (thread_start) thread_start();
  std::unique_lock lock(mutex_);
  for (;;) {
    wake_.wait(lock, [this] { return closing_ || !queue_.empty(); });
    if (queue_.empty()) break;  // closing, and everything was written
    Entry entry = std::move(queue_.front());
    queue_.pop_front();
    writing_ = true;
    lock.unlock();
    write_(entry.path, entry.line);
    lock.lock();
    writing_ = false;
    if (queue_.empty()) written_.notify_all();
  }
}

}  // namespace qv
