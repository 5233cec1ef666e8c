// The companion's pipe client against real pipes: who serves the pipe (process, session, owner,
// image), a server posing under another image name, and a monitor that is not running.
#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <string>
#include <thread>

#include "companion/pipe_client_win.h"
#include "util/handles_win.h"
#include "util/wide_win.h"
#include "win_support.h"

namespace qv::test {
namespace {

using companion::PipeOutcome;

std::wstring unique_pipe(const wchar_t* what) {
  return L"\\\\.\\pipe\\qv-companion-test-" + std::wstring(what) + L"-" + std::to_wstring(GetCurrentProcessId());
}

// A one-client pipe server in this process, whose image is win_tests.exe, not quorvel.exe. It
// answers a request like the monitor would and remembers whether one ever arrived.
class PipeSquatter {
 public:
  explicit PipeSquatter(const std::wstring& name)
      : name_(name),
        pipe_(CreateNamedPipeW(name.c_str(), PIPE_ACCESS_DUPLEX, PIPE_TYPE_MESSAGE | PIPE_READMODE_MESSAGE | PIPE_WAIT,
                               1, 65536, 65536, 0, nullptr)) {
    thread_ = std::thread([this] {
      if (!ConnectNamedPipe(pipe_.get(), nullptr) && GetLastError() != ERROR_PIPE_CONNECTED) return;
      char buffer[4096];
      DWORD got = 0;
      if (ReadFile(pipe_.get(), buffer, sizeof buffer, &got, nullptr) && got > 0) {
        request_seen = true;
        const char reply[] = "{\"cpu_pct\":99.0}\n";
        DWORD written = 0;
        WriteFile(pipe_.get(), reply, sizeof reply - 1, &written, nullptr);
        FlushFileBuffers(pipe_.get());
      }
      DisconnectNamedPipe(pipe_.get());
      done_ = true;
    });
  }
  ~PipeSquatter() {
    // A server still waiting for its client is released by a client that connects and leaves.
    if (!done_) UniqueFile(CreateFileW(name_.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    thread_.join();
  }
  bool listening() const { return pipe_.valid(); }
  std::atomic<bool> request_seen{false};

 private:
  std::wstring name_;
  UniqueFile pipe_;
  std::atomic<bool> done_{false};
  std::thread thread_;
};

TEST(CompanionPipe, ServerFactsNameTheServingProcessItsImageAndUser) {
  const std::wstring name = unique_pipe(L"facts");
  PipeSquatter server(name);
  ASSERT_TRUE(server.listening());
  UniqueFile client(CreateFileW(name.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                SECURITY_SQOS_PRESENT | SECURITY_IDENTIFICATION, nullptr));
  ASSERT_TRUE(client.valid());
  const companion::ServerFacts facts = companion::server_facts(client.get());
  ASSERT_TRUE(facts.process_id.has_value());
  EXPECT_EQ(*facts.process_id, GetCurrentProcessId());
  ASSERT_TRUE(facts.image_path.has_value());
  EXPECT_NE(facts.image_path->find("win_tests.exe"), std::string::npos) << *facts.image_path;
  EXPECT_EQ(facts.same_user, std::optional<bool>(true));
  // Served from our own session, and the pipe object is ours (or the Administrators group's).
  EXPECT_EQ(facts.same_session, std::optional<bool>(true));
  // Windows gives the pipe our user as its owner; Wine keeps no owner for pipes, which leaves it unknown.
  EXPECT_NE(facts.owner_trusted, std::optional<bool>(false));
  EXPECT_FALSE(facts.process_denied);
  EXPECT_EQ(facts.failed, "");
  EXPECT_EQ(companion::own_folder(), companion::folder_of(*facts.image_path));
}

TEST(CompanionPipe, ServerUnderAnotherImageNameIsRefusedBeforeTheRequest) {
  const std::wstring name = unique_pipe(L"squat");
  PipeSquatter server(name);
  ASSERT_TRUE(server.listening());
  std::string said;
  companion::PipeClient client;
  client.pipe_name = name;
  client.diagnostic = [&](std::string_view line) { said += std::string(line) + "\n"; };
  const PipeOutcome outcome = companion::send_request(client, "snapshot");
  EXPECT_EQ(outcome.kind, PipeOutcome::Kind::kRefused) << outcome.text;
  EXPECT_NE(outcome.text.find("win_tests.exe"), std::string::npos) << outcome.text;
  EXPECT_NE(said.find("refused"), std::string::npos) << said;
  EXPECT_FALSE(server.request_seen);
}

TEST(CompanionPipe, NoServerMeansNotRunning) {
  companion::PipeClient client;
  client.pipe_name = unique_pipe(L"nobody");
  const PipeOutcome outcome = companion::send_request(client, "snapshot");
  EXPECT_EQ(outcome.kind, PipeOutcome::Kind::kNotRunning);
  EXPECT_EQ(outcome.text, "Quorvel is not running on this machine");
}

// A connected pair: this process serves `name` and the client end is opened for overlapped I/O,
// as the companion opens it.
struct PipePair {
  UniqueFile server;
  UniqueFile client;
  explicit PipePair(const std::wstring& name, DWORD client_read_mode = PIPE_READMODE_MESSAGE)
      : server(CreateNamedPipeW(name.c_str(), PIPE_ACCESS_DUPLEX, PIPE_TYPE_MESSAGE | PIPE_READMODE_MESSAGE | PIPE_WAIT,
                                1, 65536, 65536, 0, nullptr)),
        client(CreateFileW(name.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, FILE_FLAG_OVERLAPPED,
                           nullptr)) {
    if (client_read_mode != PIPE_READMODE_BYTE) {
      SetNamedPipeHandleState(client.get(), &client_read_mode, nullptr, nullptr);
    }
  }
};

TEST(CompanionPipe, ReplyWaitIsBounded) {
  {
    PipePair silent(unique_pipe(L"silent"));
    ASSERT_TRUE(silent.server.valid() && silent.client.valid());
    EXPECT_EQ(companion::read_reply(silent.client.get(), 300), std::nullopt);  // the server never answers
  }
  {
    PipePair prompt(unique_pipe(L"prompt"));
    ASSERT_TRUE(prompt.server.valid() && prompt.client.valid());
    const std::string reply = "{\"ok\":true}\n";
    DWORD written = 0;
    ASSERT_TRUE(WriteFile(prompt.server.get(), reply.data(), static_cast<DWORD>(reply.size()), &written, nullptr));
    EXPECT_EQ(companion::read_reply(prompt.client.get(), 300), std::optional<std::string>("{\"ok\":true}"));
  }
  // A reply larger than one read arrives whole, also when the server disconnects right after it,
  // in either read mode (the companion leaves its end in byte mode).
  for (const DWORD mode : {DWORD{PIPE_READMODE_MESSAGE}, DWORD{PIPE_READMODE_BYTE}}) {
    PipePair large(unique_pipe(mode == PIPE_READMODE_BYTE ? L"large-bytes" : L"large"), mode);
    ASSERT_TRUE(large.server.valid() && large.client.valid());
    const std::string reply = "{\"x\":\"" + std::string(20000, 'a') + "\"}\n";
    std::thread writer([&] {
      DWORD written = 0;
      WriteFile(large.server.get(), reply.data(), static_cast<DWORD>(reply.size()), &written, nullptr);
      FlushFileBuffers(large.server.get());
      DisconnectNamedPipe(large.server.get());
    });
    const std::optional<std::string> got = companion::read_reply(large.client.get(), 5000);
    writer.join();
    EXPECT_EQ(got, std::optional<std::string>(reply.substr(0, reply.size() - 1))) << "read mode " << mode;
  }
}

TEST(CompanionPipe, OneEventServesATimedOutReadAndTheNextRequest) {
  // The client keeps one event for all its requests: a read cancelled at its deadline must leave
  // nothing behind that ends the next request's wait early or late.
  const UniqueHandle event(CreateEventW(nullptr, TRUE, FALSE, nullptr));
  ASSERT_TRUE(event.valid());
  {
    PipePair silent(unique_pipe(L"silent-shared"), PIPE_READMODE_BYTE);
    ASSERT_TRUE(silent.server.valid() && silent.client.valid());
    EXPECT_EQ(companion::read_reply(silent.client.get(), event.get(), 200), std::nullopt);
  }
  PipePair later(unique_pipe(L"later-shared"), PIPE_READMODE_BYTE);
  ASSERT_TRUE(later.server.valid() && later.client.valid());
  std::thread writer([&] {
    // Written only after the read has begun waiting, so a stale signal would end that wait empty.
    Sleep(100);
    const std::string reply = "{\"ok\":1}\n";
    DWORD written = 0;
    WriteFile(later.server.get(), reply.data(), static_cast<DWORD>(reply.size()), &written, nullptr);
  });
  const std::optional<std::string> got = companion::read_reply(later.client.get(), event.get(), 5000);
  writer.join();
  EXPECT_EQ(got, std::optional<std::string>("{\"ok\":1}"));
}

TEST(CompanionPipe, AReadThatMustWaitSaysSoFirstAndAReadyOneDoesNot) {
  // The session hands the reading of stdin to its other thread only when a call has to wait.
  const UniqueHandle event(CreateEventW(nullptr, TRUE, FALSE, nullptr));
  ASSERT_TRUE(event.valid());
  int waits = 0;
  const std::function<void()> count = [&waits] { ++waits; };
  {
    PipePair silent(unique_pipe(L"silent-counted"), PIPE_READMODE_BYTE);
    ASSERT_TRUE(silent.server.valid() && silent.client.valid());
    EXPECT_EQ(companion::read_reply(silent.client.get(), event.get(), 100, count), std::nullopt);
    EXPECT_EQ(waits, 1);
  }
  waits = 0;
  PipePair ready(unique_pipe(L"ready-counted"), PIPE_READMODE_BYTE);
  ASSERT_TRUE(ready.server.valid() && ready.client.valid());
  const std::string reply = "{\"ok\":2}\n";
  DWORD written = 0;
  ASSERT_TRUE(WriteFile(ready.server.get(), reply.data(), static_cast<DWORD>(reply.size()), &written, nullptr));
  EXPECT_EQ(companion::read_reply(ready.client.get(), event.get(), 5000, count), std::optional<std::string>("{\"ok\":2}"));
  EXPECT_EQ(waits, 0) << "the reply was already there";
}

}  // namespace
}  // namespace qv::test
