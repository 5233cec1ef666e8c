// "Close app" against real processes: the question box, No as the default, Yes ending each
// process of the app with exit code 1, and a process that no longer runs the app being spared.
#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "ui/panel/app_detail/close_apps_win.h"
#include "win_support.h"

namespace qv::test {
namespace {

// close_processes on a thread of its own, as the panel's thread is while the box is open; this
// thread answers the box. A box left unanswered is answered No when the call goes.
class CloseCall {
 public:
  CloseCall(std::string name, std::vector<uint32_t> pids)
      : thread_([this, name, pids] {
          thread_id_ = GetCurrentThreadId();
          outcome_ = close_processes(nullptr, name, pids);
          done_ = true;
        }) {}
  ~CloseCall() {
    while (!done_) {
      if (HWND b = find_window(GetCurrentProcessId(), L"#32770", 100)) {
        PostMessageW(b, WM_COMMAND, MAKEWPARAM(IDNO, BN_CLICKED), 0);
      }
    }
    thread_.join();
  }
  // The box once it holds its text (it is found as soon as it exists).
  HWND box(DWORD ms) const {
    HWND b = find_window(GetCurrentProcessId(), L"#32770", ms);
    return b && eventually([&] { return !message_box_text(b).empty(); }, ms) ? b : nullptr;
  }
  bool finished(DWORD ms) const { return eventually([&] { return done_.load(); }, ms); }
  // The key goes to the box's focused control, as a key press would.
  void press_enter() const {
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    HWND b = box(5000);
    eventually([&] {
      GetGUIThreadInfo(thread_id_, &info);
      return info.hwndFocus != nullptr && IsChild(b, info.hwndFocus);
    }, 5000);
    PostMessageW(info.hwndFocus, WM_KEYDOWN, VK_RETURN, 1);
    PostMessageW(info.hwndFocus, WM_KEYUP, VK_RETURN, 0xC0000001);
  }
  CloseOutcome outcome() const { return outcome_; }

 private:
  std::atomic<bool> done_{false};
  std::atomic<DWORD> thread_id_{0};
  CloseOutcome outcome_;
  std::thread thread_;
};

void press_yes(HWND box) { PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDYES, BN_CLICKED), 0); }

bool still_running(const Child& c) { return !wait_exit(c, 0).has_value(); }

TEST(CloseProcesses, NoIdsAsksNothing) {
  CloseCall call("zqidle.exe", {});
  ASSERT_TRUE(call.finished(5000)) << "a question was shown";
  EXPECT_FALSE(call.outcome().asked);
}

TEST(CloseProcesses, TheQuestionDefaultsToNo) {
  Child helper = launch(tool_exe(L"zqidle.exe"), L"", {});
  ASSERT_TRUE(helper.process);
  {
    CloseCall call("zqidle.exe", {helper.pid});
    HWND box = call.box(5000);
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(window_text(box), L"Quorvel — Close app");
    EXPECT_EQ(message_box_text(box), L"End 1 process(es) named \"zqidle.exe\"?");
    EXPECT_NE(GetDlgItem(box, IDYES), nullptr);
    EXPECT_NE(GetDlgItem(box, IDNO), nullptr);
    EXPECT_EQ(GetDlgItem(box, IDOK), nullptr);
    EXPECT_TRUE(GetWindowLongW(GetDlgItem(box, IDNO), GWL_STYLE) & BS_DEFPUSHBUTTON);
    EXPECT_FALSE(GetWindowLongW(GetDlgItem(box, IDYES), GWL_STYLE) & BS_DEFPUSHBUTTON);
    call.press_enter();
    ASSERT_TRUE(call.finished(5000));
    EXPECT_TRUE(call.outcome().asked);
    EXPECT_FALSE(call.outcome().confirmed);
    EXPECT_EQ(call.outcome().ended, 0u);
  }
  EXPECT_TRUE(still_running(helper));
  kill(helper);
}

TEST(CloseProcesses, YesEndsTheAppAndSparesAnIdNowRunningSomethingElse) {
  Child a = launch(tool_exe(L"zqidle.exe"), L"", {});
  Child b = launch(tool_exe(L"zqidle.exe"), L"", {});
  ASSERT_TRUE(a.process && b.process);
  {
    // The id was listed for another app, which has exited; the id now names zqidle.exe.
    CloseCall call("other.exe", {a.pid});
    HWND box = call.box(5000);
    ASSERT_NE(box, nullptr);
    press_yes(box);
    ASSERT_TRUE(call.finished(5000));
    EXPECT_TRUE(call.outcome().confirmed);
    EXPECT_EQ(call.outcome().ended, 0u);
  }
  EXPECT_TRUE(still_running(a));
  {
    // Names compare ignoring case; an id that runs nothing is skipped without a word.
    CloseCall call("ZQIDLE.EXE", {a.pid, 0xFFFFFFF0u, b.pid});
    HWND box = call.box(5000);
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(message_box_text(box), L"End 3 process(es) named \"ZQIDLE.EXE\"?");
    press_yes(box);
    ASSERT_TRUE(call.finished(5000));
    EXPECT_EQ(call.outcome().ended, 2u);
  }
  EXPECT_EQ(wait_exit(a, 5000), 1u);
  EXPECT_EQ(wait_exit(b, 5000), 1u);
  kill(a);
  kill(b);
}

}  // namespace
}  // namespace qv::test
