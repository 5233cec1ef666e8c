// The companion's session: a ping is answered while a tool call waits for the monitor, a
// cancelled request gets no result, calls run in order, and leaving clears the reported agents.
#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "companion/session.h"

namespace qv::companion {
namespace {

using nlohmann::json;

// A monitor that holds each request until the test lets it go (10 s at most), and says when one
// has arrived.
class HeldPipe {
 public:
  PipeOutcome request(const std::string& line) {
    std::unique_lock lock(mutex_);
    requests_.push_back(line);
    changed_.notify_all();
    // Bounded, so that a test that fails before releasing it still ends.
    changed_.wait_for(lock, std::chrono::seconds(10), [&] { return released_ >= requests_.size(); });
    return {PipeOutcome::Kind::kReply, R"({"ok":true,"agents":1})"};
  }
  // Waits until `count` requests have arrived; false after 10 s.
  bool wait_for_requests(size_t count) {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, std::chrono::seconds(10), [&] { return requests_.size() >= count; });
  }
  void release_one() {
    std::lock_guard lock(mutex_);
    ++released_;
    changed_.notify_all();
  }
  std::vector<std::string> requests() {
    std::lock_guard lock(mutex_);
    return requests_;
  }

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
  std::vector<std::string> requests_;
  size_t released_ = 0;
};

struct Fixture {
  HeldPipe pipe;
  McpServer server;
  std::mutex mutex;
  std::vector<json> written;
  Fixture() {
    server.context = {"sess-9", "proj"};
    server.pipe = [this](const std::string& line, unsigned long) { return pipe.request(line); };
  }
  std::function<void(const std::string&)> writer() {
    return [this](const std::string& line) {
      std::lock_guard lock(mutex);
      written.push_back(json::parse(line));
    };
  }
  std::vector<json> replies() {
    std::lock_guard lock(mutex);
    return written;
  }
};

std::string call(int id, const char* tool) {
  return R"({"jsonrpc":"2.0","id":)" + std::to_string(id) + R"(,"method":"tools/call","params":{"name":")" + tool +
         R"(","arguments":{}}})";
}
std::string cancel(int id) {
  return R"({"jsonrpc":"2.0","method":"notifications/cancelled","params":{"requestId":)" + std::to_string(id) + "}}";
}

TEST(CompanionSession, PingIsAnsweredWhileACallWaitsForTheMonitor) {
  Fixture f;
  Session session(f.server, f.writer());
  session.receive(call(1, "get_snapshot"));
  ASSERT_TRUE(f.pipe.wait_for_requests(1)) << "the call never reached the monitor";
  session.receive(R"({"jsonrpc":"2.0","id":2,"method":"ping"})");
  session.receive("{broken");
  session.receive_too_long();
  // Answered on the reading thread, before the call's reply.
  std::vector<json> replies = f.replies();
  ASSERT_EQ(replies.size(), 3u);
  EXPECT_EQ(replies[0], json::parse(R"({"jsonrpc":"2.0","id":2,"result":{}})"));
  EXPECT_EQ(replies[1]["error"]["code"], -32700);
  EXPECT_EQ(replies[2]["error"]["code"], -32600);
  f.pipe.release_one();
  session.finish();
  replies = f.replies();
  ASSERT_EQ(replies.size(), 4u);
  EXPECT_EQ(replies[3]["id"], 1);
}

TEST(CompanionSession, CancelledRequestsGetNoResult) {
  Fixture f;
  Session session(f.server, f.writer());
  session.receive(call(1, "get_snapshot"));
  ASSERT_TRUE(f.pipe.wait_for_requests(1)) << "the first call never reached the monitor";
  session.receive(call(2, "get_fps"));
  session.receive(call(3, "get_history"));
  session.receive(cancel(1));  // waiting for the monitor: its result is dropped
  session.receive(cancel(2));  // still queued: never sent
  session.receive(cancel(99));  // unknown: ignored
  f.pipe.release_one();
  ASSERT_TRUE(f.pipe.wait_for_requests(2)) << "the third call never reached the monitor";
  f.pipe.release_one();
  session.finish();
  EXPECT_EQ(f.pipe.requests(), (std::vector<std::string>{"snapshot", "history"}));
  const std::vector<json> replies = f.replies();
  ASSERT_EQ(replies.size(), 1u);
  EXPECT_EQ(replies[0]["id"], 3);
}

TEST(CompanionSession, LeavingClearsTheReportedAgents) {
  Fixture f;
  f.pipe.release_one();  // the report
  f.pipe.release_one();  // and the farewell, sent while finish() runs
  Session session(f.server, f.writer());
  session.receive(
      R"({"jsonrpc":"2.0","id":1,"method":"tools/call","params":{"name":"report_agents","arguments":{"agents":[{"title":"Build"}]}}})");
  session.finish();
  const std::vector<std::string> requests = f.pipe.requests();
  ASSERT_EQ(requests.size(), 2u);
  EXPECT_EQ(requests[1], "agents sess-9\tproj\t[]");
  EXPECT_EQ(f.replies().size(), 1u);
}

}  // namespace
}  // namespace qv::companion
