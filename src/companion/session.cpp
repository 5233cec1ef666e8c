#include "companion/session.h"

#include <utility>

#include "util/text.h"

namespace qv::companion {

Session::Session(McpServer& server, std::function<void(const std::string& line)> write)
    : server_(server), write_(std::move(write)), worker_([this] { run(); }) {}

Session::~Session() { finish(); }

void Session::write(const std::string& line) {
  std::lock_guard lock(write_mutex_);
  write_(line);
}

void Session::serve(LineSource read) {
  {
    std::lock_guard lock(mutex_);
    source_ = std::move(read);
  }
  run();
  finish();
}

void Session::receive(std::string_view line) { take(line, true); }

void Session::take(std::string_view line, bool wake) {
  if (trim(line).empty()) return;
  Json message = parse_message(line);
  auto queue = [this, wake](Job job) {
    {
      std::lock_guard lock(mutex_);
      queue_.push_back(std::move(job));
    }
    if (wake) wake_.notify_all();
  };
  if (message.is_object()) {
    const auto method = message.find("method");
    const auto id = message.find("id");
    const bool has_id = id != message.end() && (id->is_string() || id->is_number());
    if (method != message.end() && method->is_string()) {
      if (*method == "notifications/cancelled" && !has_id) {
        cancel(message);
        return;
      }
      // A ping needs nothing from the monitor; every other request may, and waits its turn.
      if (has_id && *method != "ping") {
        std::string key = id->dump();
        queue(Job{std::move(message), std::move(key)});
        return;
      }
    }
  } else if (message.is_array() && !message.empty()) {
    queue(Job{std::move(message), {}});
    return;
  }
  // Pings, notifications and malformed messages are answered here, at once; none of them touches
  // the state a running call uses.
  if (const std::optional<std::string> reply = handle_message(server_, message)) write(*reply);
}

void Session::receive_too_long() { write(too_long_reply()); }

void Session::call_waits() {
  bool wake = false;
  {
    std::lock_guard lock(mutex_);
    wake = std::exchange(hand_over_due_, false);
  }
  if (wake) wake_.notify_all();
}

void Session::cancel(const Json& notification) {
  const auto params = notification.find("params");
  if (params == notification.end() || !params->is_object()) return;
  const auto request = params->find("requestId");
  if (request == params->end()) return;
  const std::string key = request->dump();
  std::lock_guard lock(mutex_);
  for (auto it = queue_.begin(); it != queue_.end(); ++it) {
    if (it->id == key) {
      queue_.erase(it);  // never started: no result is owed
      return;
    }
  }
  // Already waiting for the monitor: its result is dropped when it comes.
  if (running_ && running_id_ == key) running_cancelled_ = true;
}

void Session::run() {
  std::unique_lock lock(mutex_);
  for (;;) {
    if (!running_ && !queue_.empty()) {
      run_job(lock);
    } else if (source_ && !reading_ && !ended_ && !finishing_) {
      read_lines(lock);
    } else if ((ended_ || finishing_) && queue_.empty()) {
      return;
    } else {
      wake_.wait(lock);
    }
  }
}

void Session::run_job(std::unique_lock<std::mutex>& lock) {
  Job job = std::move(queue_.front());
  queue_.pop_front();
  running_ = true;
  running_id_ = job.id;
  running_cancelled_ = false;
  // This thread may have been the reader: the other one reads once the call waits.
  hand_over_due_ = source_ && !reading_ && !ended_;
  lock.unlock();
  const std::optional<std::string> reply = handle_message(server_, job.message);
  lock.lock();
  hand_over_due_ = false;  // a call that never waited: this thread reads again itself
  const bool cancelled = running_cancelled_;
  running_ = false;
  running_id_.clear();
  lock.unlock();
  if (reply && !cancelled) write(*reply);
  lock.lock();
  // A thread that saw the input end may be waiting for this call before it leaves.
  if (ended_ || finishing_) wake_.notify_all();
}

void Session::read_lines(std::unique_lock<std::mutex>& lock) {
  reading_ = true;
  lock.unlock();
  const std::optional<std::vector<InputLine>> lines = source_();
  if (lines) {
    // Still the reader while the lines are taken, so the other thread does not read ahead of
    // them; the calls among them are left for this thread's loop to run.
    for (const InputLine& line : *lines) {
      if (line.too_long) {
        receive_too_long();
      } else {
        take(line.text, false);
      }
    }
  }
  lock.lock();
  reading_ = false;
  if (!lines) {
    ended_ = true;
    wake_.notify_all();
  }
}

void Session::finish() {
  {
    std::lock_guard lock(mutex_);
    if (finishing_) return;
    finishing_ = true;
  }
  wake_.notify_all();
  worker_.join();
  if (const std::optional<std::string> farewell = farewell_request(server_); farewell && server_.pipe) {
    server_.pipe(*farewell, kBriefWaitMs);
  }
}

}  // namespace qv::companion
