#pragma once
// One AI tool's conversation with the companion, as lines arrive on stdin. Requests that reach
// the monitor can take many seconds, so they run one at a time while another thread goes on
// reading: a ping is answered at once and a cancellation is taken while a call is still waiting
// for the monitor.
//
// Two threads share the work, and neither is only a reader or only a worker: the thread that read
// a call runs it itself and hands the reading to the other once the call has to wait. Passing the
// call to a sleeping worker would put that thread's wake-up between the request and the monitor,
// on every call; handing over the reading lets the other thread wake up while the monitor is
// already working on the request, and a call that never waits needs no hand-over at all.
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "companion/line_splitter.h"
#include "companion/mcp_server.h"

namespace qv::companion {

class Session {
 public:
  // `write` gets each reply line without its line feed, from either thread, one at a time.
  Session(McpServer& server, std::function<void(const std::string& line)> write);
  ~Session();
  Session(const Session&) = delete;
  Session& operator=(const Session&) = delete;

  // The next lines from the AI tool, blocking until some arrive; none at the end of input.
  using LineSource = std::function<std::optional<std::vector<InputLine>>()>;
  // Reads with `read` until the input ends and answers every line, then finishes (below). Only
  // one thread at a time calls `read`, but not always the same one.
  void serve(LineSource read);

  // One line from the AI tool (without its line feed), read by the caller.
  void receive(std::string_view line);
  // A line that was too long to keep.
  void receive_too_long();
  // The running call is about to wait (for the monitor): if its thread was the reader, the other
  // thread takes over the reading now. From the running call's thread; more than once is harmless.
  void call_waits();
  // The end of input: the queued requests are answered, the monitor is told that this session's
  // agents are gone, and the worker stops. Returns when all that is done.
  void finish();

 private:
  struct Job {
    Json message;
    std::string id;  // the request's id as JSON text, to match a cancellation; empty for a batch
  };
  // The loop of both threads: run a call when one is waiting and none runs, else read when
  // there is a source and nobody reads, else sleep; returns once the input is over and no call
  // is left.
  void run();
  void run_job(std::unique_lock<std::mutex>& lock);
  void read_lines(std::unique_lock<std::mutex>& lock);
  // Answers at once what needs nothing from the monitor; queues the rest, waking a thread when
  // `wake` (a reader that will take the call itself does not).
  void take(std::string_view line, bool wake);
  void cancel(const Json& notification);
  void write(const std::string& line);

  McpServer& server_;  // used by the worker only, once it has started
  std::function<void(const std::string&)> write_;
  std::mutex write_mutex_;
  std::mutex mutex_;  // guards the members below
  std::condition_variable wake_;
  std::deque<Job> queue_;
  bool running_ = false;  // a thread runs a call
  bool hand_over_due_ = false;  // the running call's thread was the reader and nobody reads meanwhile
  std::string running_id_;
  bool running_cancelled_ = false;
  LineSource source_;     // empty: lines come through receive()
  bool reading_ = false;  // a thread is in `source_`
  bool ended_ = false;    // the source said the input is over
  bool finishing_ = false;
  std::thread worker_;
};

}  // namespace qv::companion
