#include "companion/session.h"

#include "util/text.h"

namespace qv::companion {

Session::Session(McpServer& server, std::function<void(const std::string& line)> write)
    : server_(server), write_(std::move(write)), worker_([this] { run(); }) {}

Session::~Session() { finish(); }

void Session::write(const std::string& line) {
  std::lock_guard lock(write_mutex_);
  write_(line);
}

void Session::receive(std::string_view line) {
  if (trim(line).empty()) return;
  Json message = parse_message(line);
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
        {
          std::lock_guard lock(mutex_);
          queue_.push_back(Job{std::move(message), std::move(key)});
        }
        wake_.notify_one();
        return;
      }
    }
  } else if (message.is_array() && !message.empty()) {
    {
      std::lock_guard lock(mutex_);
      queue_.push_back(Job{std::move(message), {}});
    }
    wake_.notify_one();
    return;
  }
  // Pings, notifications and malformed messages are answered here, at once; none of them touches
  // the state the worker uses.
  if (const std::optional<std::string> reply = handle_message(server_, message)) write(*reply);
}

void Session::receive_too_long() { write(too_long_reply()); }

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
  if (running_id_ == key) running_cancelled_ = true;
}

void Session::run() {
  for (;;) {
    Job job;
    {
      std::unique_lock lock(mutex_);
      wake_.wait(lock, [this] { return finishing_ || !queue_.empty(); });
      if (queue_.empty()) return;
      job = std::move(queue_.front());
      queue_.pop_front();
      running_id_ = job.id;
      running_cancelled_ = false;
    }
    const std::optional<std::string> reply = handle_message(server_, job.message);
    bool cancelled = false;
    {
      std::lock_guard lock(mutex_);
      cancelled = running_cancelled_;
      running_id_.clear();
    }
    if (reply && !cancelled) write(*reply);
  }
}

void Session::finish() {
  {
    std::lock_guard lock(mutex_);
    if (finishing_) return;
    finishing_ = true;
  }
  wake_.notify_one();
  worker_.join();
  if (const std::optional<std::string> farewell = farewell_request(server_); farewell && server_.pipe) {
    server_.pipe(*farewell, kBriefWaitMs);
  }
}

}  // namespace qv::companion
