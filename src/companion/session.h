#pragma once
// One AI tool's conversation with the companion, as lines arrive on stdin. Requests that reach
// the monitor can take many seconds, so they run one at a time on a worker thread while the
// reading thread goes on: a ping is answered at once and a cancellation is taken while a call is
// still waiting for the monitor.
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>

#include "companion/mcp_server.h"

namespace qv::companion {

class Session {
 public:
  // `write` gets each reply line without its line feed, from either thread, one at a time.
  Session(McpServer& server, std::function<void(const std::string& line)> write);
  ~Session();
  Session(const Session&) = delete;
  Session& operator=(const Session&) = delete;

  // One line from the AI tool (without its line feed).
  void receive(std::string_view line);
  // A line that was too long to keep.
  void receive_too_long();
  // The end of input: the queued requests are answered, the monitor is told that this session's
  // agents are gone, and the worker stops. Returns when all that is done.
  void finish();

 private:
  struct Job {
    Json message;
    std::string id;  // the request's id as JSON text, to match a cancellation; empty for a batch
  };
  void run();
  void cancel(const Json& notification);
  void write(const std::string& line);

  McpServer& server_;  // used by the worker only, once it has started
  std::function<void(const std::string&)> write_;
  std::mutex write_mutex_;
  std::mutex mutex_;  // guards the members below
  std::condition_variable wake_;
  std::deque<Job> queue_;
  std::string running_id_;
  bool running_cancelled_ = false;
  bool finishing_ = false;
  std::thread worker_;
};

}  // namespace qv::companion
