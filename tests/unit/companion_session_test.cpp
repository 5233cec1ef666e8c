// The companion's session: a ping is answered while a tool call waits for the monitor, a
// cancelled request gets no result, calls run in order, leaving clears the reported agents, and
// a call read from the input runs on the thread that read it while the other thread reads on.
#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <thread>
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
    threads_.push_back(std::this_thread::get_id());
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
  std::vector<std::thread::id> threads() {
    std::lock_guard lock(mutex_);
    return threads_;
  }

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
  std::vector<std::string> requests_;
  std::vector<std::thread::id> threads_;  // the thread that made each request
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
  std::condition_variable written_changed;
  std::function<void(const std::string&)> writer() {
    return [this](const std::string& line) {
      std::lock_guard lock(mutex);
      written.push_back(json::parse(line));
      written_changed.notify_all();
    };
  }
  // Waits until `count` replies were written; false after 10 s.
  bool wait_for_replies(size_t count) {
    std::unique_lock lock(mutex);
    return written_changed.wait_for(lock, std::chrono::seconds(10), [&] { return written.size() >= count; });
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

// The AI tool's input as the session reads it: each chunk the test hands over, then the end. Says
// which thread took each chunk.
class ScriptedInput {
 public:
  void give(std::vector<std::string> lines) {
    std::lock_guard lock(mutex_);
    std::vector<InputLine> chunk;
    for (std::string& line : lines) chunk.push_back(InputLine{std::move(line), false});
    chunks_.push_back(std::move(chunk));
    changed_.notify_all();
  }
  void end() {
    std::lock_guard lock(mutex_);
    ended_ = true;
    changed_.notify_all();
  }
  Session::LineSource source() {
    return [this]() -> std::optional<std::vector<InputLine>> {
      std::unique_lock lock(mutex_);
      // Bounded, so that a test that fails before ending the input still ends.
      if (!changed_.wait_for(lock, std::chrono::seconds(10), [&] { return ended_ || taken_ < chunks_.size(); })) {
        return std::nullopt;
      }
      if (taken_ == chunks_.size()) return std::nullopt;
      readers_.push_back(std::this_thread::get_id());
      return chunks_[taken_++];
    };
  }
  std::vector<std::thread::id> readers() {
    std::lock_guard lock(mutex_);
    return readers_;
  }

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
  std::vector<std::vector<InputLine>> chunks_;
  size_t taken_ = 0;
  bool ended_ = false;
  std::vector<std::thread::id> readers_;  // the thread that took each chunk
};

TEST(CompanionSessionServe, ACallRunsOnTheThreadThatReadItWhileTheOtherReadsOn) {
  Fixture f;
  ScriptedInput input;
  Session session(f.server, f.writer());
  // As the pipe client does: the call says so before it waits for the monitor.
  f.server.pipe = [&](const std::string& line, unsigned long) {
    session.call_waits();
    return f.pipe.request(line);
  };
  std::thread serving([&] { session.serve(input.source()); });
  input.give({call(1, "get_snapshot")});
  ASSERT_TRUE(f.pipe.wait_for_requests(1)) << "the call never reached the monitor";
  input.give({R"({"jsonrpc":"2.0","id":2,"method":"ping"})"});
  ASSERT_TRUE(f.wait_for_replies(1)) << "the ping was not answered while the call waited";
  EXPECT_EQ(f.replies()[0]["id"], 2);
  input.end();
  f.pipe.release_one();
  serving.join();  // returns once the input is over and the held call is answered

  const std::vector<std::thread::id> readers = input.readers();
  ASSERT_EQ(readers.size(), 2u);
  EXPECT_EQ(f.pipe.threads(), (std::vector<std::thread::id>{readers[0]})) << "the call was handed to another thread";
  EXPECT_NE(readers[1], readers[0]) << "nobody read while the call waited for the monitor";
  const std::vector<json> replies = f.replies();
  ASSERT_EQ(replies.size(), 2u);
  EXPECT_EQ(replies[1]["id"], 1);
}

TEST(CompanionSessionServe, CallsQueuedBeforeTheInputEndsAreAllAnsweredInOrder) {
  Fixture f;
  ScriptedInput input;
  Session session(f.server, f.writer());
  // As the pipe client does: the call says so before it waits for the monitor.
  f.server.pipe = [&](const std::string& line, unsigned long) {
    session.call_waits();
    return f.pipe.request(line);
  };
  std::thread serving([&] { session.serve(input.source()); });
  input.give({call(1, "get_snapshot"), call(2, "get_fps"), std::string(1 << 10, ' '), call(3, "get_history")});
  ASSERT_TRUE(f.pipe.wait_for_requests(1)) << "the first call never reached the monitor";
  input.end();
  f.pipe.release_one();
  ASSERT_TRUE(f.pipe.wait_for_requests(2)) << "the second call never reached the monitor";
  f.pipe.release_one();
  ASSERT_TRUE(f.pipe.wait_for_requests(3)) << "the third call never reached the monitor";
  f.pipe.release_one();
  serving.join();
  EXPECT_EQ(f.pipe.requests(), (std::vector<std::string>{"snapshot", "fps", "history"}));
  const std::vector<json> replies = f.replies();
  ASSERT_EQ(replies.size(), 3u);
  for (size_t i = 0; i < 3; ++i) EXPECT_EQ(replies[i]["id"], i + 1);
}

}  // namespace
}  // namespace qv::companion
