// The real quorvel.exe, started with its own LOCALAPPDATA: options, single instance, settings
// file, program log.
#include <windows.h>
#include <sddl.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>
#include <string>
#include <vector>

#include "core/messages.h"
#include "util/names.h"
#include "util/program_log_win.h"
#include "util/wide_win.h"
#include "win_support.h"

namespace qv::test {
namespace {

constexpr const char* kDefaultSettingsFile =
    "tray_static=0\ntray_cpu=1\ntray_ram=1\ntray_disk=0\ntray_net=0\ntray_fps=0\ninterval_ms=1000\n"
    "pinned=0\non_top=0\nwin_x=-1\nwin_y=-1\nwin_pos_set=0\nwin_w=-1\nwin_h=-1\n"
    "fps_overlay=0\nfps_color=0\nfps_opacity=1\nfps_x=-1\nfps_y=-1\nfps_pos_set=0\n"
    "theme=0\nwidget_on=0\nwidget_mask=7\nwidget_x=-1\nwidget_y=-1\nwidget_pos_set=0\nmcp_enabled=1\nnotify_presets=3\n"
    "text_size=1\nwidget_scale=1.000\nwidget_theme=0\nfly_x=-1\nfly_y=-1\nfly_pos_set=0\n"
    "main_metrics=cpu,ram,gpu,fps,disk,net,audio\nagent_log_file=\n";

// Runs quorvel.exe with one argument and answers the message box it must show.
struct OptionRun {
  std::wstring box_text;
  std::wstring box_caption;
  std::optional<DWORD> exit_code;
};

OptionRun run_option(const std::wstring& exe, const std::wstring& args,
                     const std::map<std::wstring, std::wstring>& env) {
  OptionRun r;
  Child child = launch(exe, args, env);
  EXPECT_TRUE(child.process.valid());
  HWND box = find_window(child.pid, L"#32770", 15000);
  if (box) {
    // The box is found as soon as it exists; its texts are filled in while it initialises.
    eventually([&] { return !message_box_text(box).empty(); }, 5000);
    r.box_text = message_box_text(box);
    r.box_caption = window_text(box);
    press_ok(box);
  }
  r.exit_code = wait_exit(child, 10000);
  if (!r.exit_code) kill(child);
  return r;
}

TEST(Options, UnknownSpellingsAreRefusedWithAMessage) {
  TempDir dir;
  for (const wchar_t* arg : {L"-install", L"/install", L"--INSTALL", L"--Uninstall", L"--help"}) {
    OptionRun r = run_option(quorvel_exe(), arg, {{L"LOCALAPPDATA", dir.path()}});
    EXPECT_EQ(utf8(r.box_text), "Quorvel: could not understand that option (use --install or --uninstall).")
        << utf8(arg);
    EXPECT_EQ(utf8(r.box_caption), kAppWebName);
    EXPECT_EQ(r.exit_code, std::optional<DWORD>(0));
  }
  EXPECT_FALSE(file_exists(dir.file(L"zelmor.ini")));  // options never start the monitor
}

// A copy of the program built with its test hooks, in a folder whose name has spaces, told to
// run the schtasks double instead of the system's tool.
struct InstallFixture {
  TempDir root{L"qv inst"};
  std::wstring folder = root.file(L"Program Files With Spaces");
  std::wstring exe = folder + L"\\quorvel.exe";
  std::wstring log = root.file(L"schtasks-calls.txt");
  InstallFixture() {
    CreateDirectoryW(folder.c_str(), nullptr);
    CopyFileW((exe_dir() + L"\\quorvel_test_hooks.exe").c_str(), exe.c_str(), FALSE);
  }
  std::vector<std::string> calls() const {
    std::vector<std::string> out;
    std::string text = read_file(log);
    size_t start = 0;
    for (size_t nl; (nl = text.find('\n', start)) != std::string::npos; start = nl + 1) {
      std::string line = text.substr(start, nl - start);
      for (char& c : line) if (c == '\x1f') c = '|';
      out.push_back(line);
    }
    return out;
  }
  OptionRun run(const wchar_t* option, const wchar_t* codes) {
    return run_option(exe, option, {{L"LOCALAPPDATA", root.path()}, {L"QV_FAKE_SCHTASKS_LOG", log},
                                    {L"QV_FAKE_SCHTASKS_CODES", codes},
                                    {L"QV_TEST_SCHTASKS", tool_exe(L"fake_schtasks.exe")}});
  }
};

// The task is created from a UTF-16 definition file that is removed once the tool has run.
TEST(Options, InstallRemovesTheLegacyTaskAndCreatesTheTaskFromItsDefinition) {
  InstallFixture f;
  OptionRun r = f.run(L"--install", L"1,0");  // no legacy task to delete, creation succeeds
  EXPECT_EQ(utf8(r.box_text), "Quorvel: set up starting with Windows succeeded.");
  EXPECT_EQ(r.exit_code, std::optional<DWORD>(0));
  auto calls = f.calls();
  ASSERT_EQ(calls.size(), 2u);
  EXPECT_EQ(calls[0], "/Delete|/F|/TN|Zelmor");
  const std::string create = "/Create|/F|/TN|Quorvel|/XML|";
  ASSERT_EQ(calls[1].rfind(create, 0), 0u) << calls[1];
  EXPECT_FALSE(file_exists(widen(calls[1].substr(create.size())))) << "the definition file was left behind";

  const std::string bytes = read_file(f.log + L".xml");
  ASSERT_GE(bytes.size(), 2u);
  EXPECT_EQ(bytes.substr(0, 2), "\xFF\xFE");  // UTF-16 little-endian with its mark
  const std::string xml = narrow(std::wstring(reinterpret_cast<const wchar_t*>(bytes.data() + 2), (bytes.size() - 2) / 2));
  for (const std::string& part : {std::string("<?xml version=\"1.0\" encoding=\"UTF-16\"?>"),
                                 std::string("<LogonTrigger>"), std::string("<RunLevel>HighestAvailable</RunLevel>"),
                                 std::string("<ExecutionTimeLimit>PT0S</ExecutionTimeLimit>"),
                                 std::string("<DisallowStartIfOnBatteries>false</DisallowStartIfOnBatteries>"),
                                 std::string("<StopIfGoingOnBatteries>false</StopIfGoingOnBatteries>"),
                                 std::string("<MultipleInstancesPolicy>IgnoreNew</MultipleInstancesPolicy>"),
                                 "<Command>\"" + utf8(f.exe) + "\"</Command>"}) {
    EXPECT_NE(xml.find(part), std::string::npos) << part << "\n" << xml;
  }
}

TEST(Options, InstallReportsAFailedCreation) {
  InstallFixture f;
  OptionRun r = f.run(L"--install", L"0,5");
  EXPECT_EQ(utf8(r.box_text), "Quorvel: could not set up starting with Windows.");
  EXPECT_EQ(f.calls().size(), 2u);
}

TEST(Options, UninstallDecidesOnTheSecondDeletionOnly) {
  {
    InstallFixture f;
    OptionRun r = f.run(L"--uninstall", L"1,1");  // neither task exists
    EXPECT_EQ(utf8(r.box_text), "Quorvel: could not stop starting with Windows.");
    auto calls = f.calls();
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[0], "/Delete|/F|/TN|Zelmor");
    EXPECT_EQ(calls[1], "/Delete|/F|/TN|Quorvel");
  }
  {
    InstallFixture f;
    OptionRun r = f.run(L"--uninstall", L"1,0");
    EXPECT_EQ(utf8(r.box_text), "Quorvel: stop starting with Windows succeeded.");
  }
}

TEST(Options, OnlyTheFirstArgumentCounts) {
  InstallFixture f;
  OptionRun r = f.run(L"--install --uninstall extra", L"0");
  EXPECT_EQ(utf8(r.box_text), "Quorvel: set up starting with Windows succeeded.");
  EXPECT_EQ(f.calls().size(), 2u);
  EXPECT_EQ(f.calls()[1].rfind("/Create|", 0), 0u);
}

TEST(Options, TheShippedProgramRunsTheToolFromTheSystemFolderOnly) {
  // A planted schtasks.exe in the program's folder, and the test hook's variable naming it: the
  // shipped program uses neither. The system's tool has no task to delete.
  InstallFixture f;
  CopyFileW(quorvel_exe().c_str(), f.exe.c_str(), FALSE);
  CopyFileW(tool_exe(L"fake_schtasks.exe").c_str(), (f.folder + L"\\schtasks.exe").c_str(), FALSE);
  OptionRun r = f.run(L"--uninstall", L"0");
  EXPECT_EQ(utf8(r.box_text), "Quorvel: could not stop starting with Windows.");
  EXPECT_FALSE(file_exists(f.log)) << read_file(f.log);
}

// The system's own tool stores the task with the settings it was given (the prefix keeps them in
// the system folder's tasks folder), and removes it again.
TEST(Options, InstallWithTheSystemToolStoresATaskThatRunsWithoutLimits) {
  TempDir root;
  std::wstring exe = root.file(L"quorvel.exe");
  CopyFileW(quorvel_exe().c_str(), exe.c_str(), FALSE);
  wchar_t system_dir[MAX_PATH];
  ASSERT_GT(GetSystemDirectoryW(system_dir, MAX_PATH), 0u);
  const std::wstring stored = std::wstring(system_dir) + L"\\tasks\\Quorvel";
  OptionRun r = run_option(exe, L"--install", {{L"LOCALAPPDATA", root.path()}});
  EXPECT_EQ(utf8(r.box_text), "Quorvel: set up starting with Windows succeeded.");
  const std::string bytes = read_file(stored);
  ASSERT_GE(bytes.size(), 2u) << "no task stored at " << utf8(stored);
  const std::string xml = bytes.substr(0, 2) == "\xFF\xFE"
                              ? narrow(std::wstring(reinterpret_cast<const wchar_t*>(bytes.data() + 2), (bytes.size() - 2) / 2))
                              : bytes;
  for (const char* part : {"<ExecutionTimeLimit>PT0S</ExecutionTimeLimit>",
                           "<DisallowStartIfOnBatteries>false</DisallowStartIfOnBatteries>",
                           "<StopIfGoingOnBatteries>false</StopIfGoingOnBatteries>",
                           "<MultipleInstancesPolicy>IgnoreNew</MultipleInstancesPolicy>"}) {
    EXPECT_NE(xml.find(part), std::string::npos) << part << "\n" << xml;
  }
  OptionRun removed = run_option(exe, L"--uninstall", {{L"LOCALAPPDATA", root.path()}});
  EXPECT_EQ(utf8(removed.box_text), "Quorvel: stop starting with Windows succeeded.");
  EXPECT_FALSE(file_exists(stored));
}

TEST(Options, UninstallWithTheSystemToolAndNoTaskFails) {
  TempDir root;
  std::wstring exe = root.file(L"quorvel.exe");
  CopyFileW(quorvel_exe().c_str(), exe.c_str(), FALSE);
  // No double beside the copy: the system's own tool runs, and there is no task to delete.
  OptionRun r = run_option(exe, L"--uninstall", {{L"LOCALAPPDATA", root.path()}});
  EXPECT_EQ(utf8(r.box_text), "Quorvel: could not stop starting with Windows.");
  EXPECT_EQ(r.exit_code, std::optional<DWORD>(0));
}

// The running monitor: started, found by its window class, ended by the test.
struct Monitor {
  TempDir dir{L"qv mon"};
  Child child;
  HWND panel = nullptr;
  void start(const std::map<std::wstring, std::wstring>& extra = {}) {
    auto env = extra;
    env[L"LOCALAPPDATA"] = dir.path();
    child = launch(quorvel_exe(), L"", env);
    panel = find_monitor_window(child);
  }
  ~Monitor() { kill(child); }
};

TEST(Monitor, SecondInstanceLeavesQuietlyAndFirstIsUnaffected) {
  Monitor first;
  first.start();
  ASSERT_NE(first.panel, nullptr);
  Child second = launch(quorvel_exe(), L"", {{L"LOCALAPPDATA", first.dir.path()}});
  ASSERT_TRUE(second.process.valid());
  // Quietly: exit code 0 without a window or a message box. How soon is not this test's business
  // (a loaded machine takes Wine seconds to start a process at all).
  EXPECT_EQ(wait_exit(second, 30000), std::optional<DWORD>(0)) << "waited 30 s for the second copy to end";
  EXPECT_EQ(find_window(second.pid, L"ZelmorWnd", 0), nullptr);
  EXPECT_EQ(find_window(second.pid, L"#32770", 0), nullptr);
  EXPECT_TRUE(IsWindow(first.panel));
  EXPECT_FALSE(wait_exit(first.child, 0).has_value());
}

TEST(Monitor, AnInstanceLockThisUserMayNotOpenMeansOneIsRunning) {
  // What an elevated monitor leaves a copy started without elevation: a lock whose access list
  // lets only the system (and elevated administrators) open it.
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  ASSERT_TRUE(ConvertStringSecurityDescriptorToSecurityDescriptorW(L"D:(A;;GA;;;SY)", SDDL_REVISION_1, &descriptor,
                                                                   nullptr));
  SECURITY_ATTRIBUTES sa{sizeof sa, descriptor, FALSE};
  UniqueHandle lock(CreateMutexW(&sa, FALSE, L"Local\\ZelmorSingleInstance"));
  LocalFree(descriptor);
  ASSERT_TRUE(lock.valid());
  ASSERT_EQ(CreateMutexW(nullptr, FALSE, L"Local\\ZelmorSingleInstance"), nullptr) << "the lock is not guarded";
  ASSERT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));

  TempDir dir;
  Child second = launch(quorvel_exe(), L"", {{L"LOCALAPPDATA", dir.path()}});
  ASSERT_TRUE(second.process.valid());
  const std::optional<DWORD> code = wait_exit(second, 5000);
  if (!code) kill(second);
  EXPECT_EQ(code, std::optional<DWORD>(0));
  EXPECT_EQ(find_window(second.pid, L"ZelmorWnd", 0), nullptr);
  EXPECT_FALSE(file_exists(dir.file(L"zelmor.log")));
}

TEST(Monitor, PanelWindowIsHiddenAndTitled) {
  Monitor m;
  m.start();
  ASSERT_NE(m.panel, nullptr);
  EXPECT_FALSE(IsWindowVisible(m.panel));
  EXPECT_EQ(utf8(window_text(m.panel)), kAppWebName);
  EXPECT_EQ(static_cast<DWORD>(GetWindowLongPtrW(m.panel, GWL_EXSTYLE)) & 0x88u, 0x88u);
}

TEST(Monitor, CloseSavesTheDefaultsByteExact) {
  Monitor m;
  m.start();
  ASSERT_NE(m.panel, nullptr);
  EXPECT_FALSE(file_exists(m.dir.file(L"zelmor.ini")));  // nothing is written before a save
  PostMessageW(m.panel, WM_CLOSE, 0, 0);
  ASSERT_TRUE(eventually([&] { return read_file(m.dir.file(L"zelmor.ini")) == kDefaultSettingsFile; }, 5000))
      << read_file(m.dir.file(L"zelmor.ini"));
  EXPECT_TRUE(IsWindow(m.panel));  // closing hides; the program keeps running
  EXPECT_FALSE(file_exists(m.dir.file(L"zelmor.ini.tmp")));
}

TEST(Monitor, SavedFileIsNormalisedFromWhatWasLoaded) {
  Monitor m;
  write_file(m.dir.file(L"zelmor.ini"),
             "log9=cpu>90\r\nnotify_rule4=0|Tell me\\nlater\r\ntheme = 2\r\nmain_metrics=net,-cpu\r\n"
             "unknown=1\r\nwidget_scale=2.34567\r\ninterval_ms=50\r\n");
  m.start();
  ASSERT_NE(m.panel, nullptr);
  PostMessageW(m.panel, WM_CLOSE, 0, 0);
  const std::string expected =
      "tray_static=0\ntray_cpu=1\ntray_ram=1\ntray_disk=0\ntray_net=0\ntray_fps=0\ninterval_ms=250\n"
      "pinned=0\non_top=0\nwin_x=-1\nwin_y=-1\nwin_pos_set=0\nwin_w=-1\nwin_h=-1\n"
      "fps_overlay=0\nfps_color=0\nfps_opacity=1\nfps_x=-1\nfps_y=-1\nfps_pos_set=0\n"
      "theme=2\nwidget_on=0\nwidget_mask=7\nwidget_x=-1\nwidget_y=-1\nwidget_pos_set=0\nmcp_enabled=1\nnotify_presets=3\n"
      "text_size=1\nwidget_scale=2.346\nwidget_theme=0\nfly_x=-1\nfly_y=-1\nfly_pos_set=0\n"
      "main_metrics=net,-cpu,ram,gpu,fps,disk,audio\nagent_log_file=\n"
      "notify_rule1=0|Tell me\\nlater\nlog1=cpu>90\n";
  EXPECT_TRUE(eventually([&] { return read_file(m.dir.file(L"zelmor.ini")) == expected; }, 5000))
      << read_file(m.dir.file(L"zelmor.ini"));
}

TEST(Monitor, SaveReachesTheFileWhileAnotherProgramHoldsItOpen) {
  Monitor m;
  write_file(m.dir.file(L"zelmor.ini"), "theme=2\n");
  // Open without delete sharing, as an editor might: the file cannot be replaced by a rename.
  UniqueFile holder(CreateFileW(m.dir.file(L"zelmor.ini").c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                nullptr, OPEN_EXISTING, 0, nullptr));
  ASSERT_TRUE(holder.valid());
  m.start();
  ASSERT_NE(m.panel, nullptr);
  PostMessageW(m.panel, WM_CLOSE, 0, 0);
  EXPECT_TRUE(eventually([&] {
    const std::string text = read_file(m.dir.file(L"zelmor.ini"));
    return text.rfind("tray_static=0\n", 0) == 0 && text.find("\ntheme=2\n") != std::string::npos;
  }, 5000)) << read_file(m.dir.file(L"zelmor.ini"));
  EXPECT_FALSE(file_exists(m.dir.file(L"zelmor.ini.tmp")));
}

TEST(Monitor, BadSettingsFileGivesDefaultsAndStaysUntilTheNextSave) {
  struct Bad { const char* name; std::string bytes; bool kept; };
  std::string huge(50u << 20, 'a');
  // Control characters are UTF-8 text: that file loads (its lines are junk) and is not kept.
  const Bad bad[] = {{"non-utf8", "tray_static=1\n\xff\xfe\x80\n", true},
                     {"binary", std::string("\0\x01\x02tray_static=1\n\0", 18), false},
                     {"huge", "tray_static=1\n" + huge, true}};
  for (const auto& b : bad) {
    Monitor m;
    write_file(m.dir.file(L"zelmor.ini"), b.bytes);
    m.start();
    ASSERT_NE(m.panel, nullptr) << b.name;
    Sleep(300);
    EXPECT_EQ(read_file(m.dir.file(L"zelmor.ini")), b.bytes) << b.name;  // untouched so far
    PostMessageW(m.panel, WM_CLOSE, 0, 0);
    // Poll on the size so that the test does not keep a 50 MB file open while the save swaps it.
    const std::wstring ini = m.dir.file(L"zelmor.ini");
    EXPECT_TRUE(eventually([&] {
      WIN32_FILE_ATTRIBUTE_DATA info{};
      return GetFileAttributesExW(ini.c_str(), GetFileExInfoStandard, &info) && info.nFileSizeHigh == 0 &&
             info.nFileSizeLow == strlen(kDefaultSettingsFile);
    }, 8000)) << b.name;
    EXPECT_EQ(read_file(ini), kDefaultSettingsFile) << b.name;
    WIN32_FILE_ATTRIBUTE_DATA kept{};
    ASSERT_EQ(GetFileAttributesExW((ini + L".bad").c_str(), GetFileExInfoStandard, &kept) != FALSE, b.kept) << b.name;
    if (b.kept) {
      EXPECT_EQ((static_cast<uint64_t>(kept.nFileSizeHigh) << 32) | kept.nFileSizeLow, b.bytes.size()) << b.name;
    }
  }
}

// "Exit" from the tray menu: Up from no selection picks the last item.
void exit_from_tray_menu(const Monitor& m) {
  PostMessageW(m.panel, kWmTray, 0, WM_RBUTTONUP);
  ASSERT_NE(find_window(m.child.pid, L"#32768", 5000), nullptr) << "the tray menu did not open";
  PostMessageW(m.panel, WM_KEYDOWN, VK_UP, 0);
  PostMessageW(m.panel, WM_KEYDOWN, VK_RETURN, 0);
}

TEST(Monitor, AFileThatFailedToLoadIsKeptAsBadBeforeTheFirstSaveOnly) {
  Monitor m;
  // A path saved by an editor in a legacy code page: 0xE9 is not UTF-8.
  const std::string original =
      "theme=2\nlog1=cpu>90; file=C:\\Users\\Jos\xe9\\alerts.log\nlog2=ram>80; cooldown=5\n"
      "log3=proc:chrome.exe:cpu>50\n";
  write_file(m.dir.file(L"zelmor.ini"), original);
  write_file(m.dir.file(L"zelmor.ini.bad"), "an older bad file\n");
  m.start();
  ASSERT_NE(m.panel, nullptr);
  PostMessageW(m.panel, WM_CLOSE, 0, 0);  // the first save
  ASSERT_TRUE(eventually([&] { return read_file(m.dir.file(L"zelmor.ini")) == kDefaultSettingsFile; }, 5000));
  exit_from_tray_menu(m);  // the second save must leave the kept file alone
  EXPECT_EQ(wait_exit(m.child, 10000), std::optional<DWORD>(0));

  EXPECT_EQ(read_file(m.dir.file(L"zelmor.ini.bad")), original);
  EXPECT_EQ(read_file(m.dir.file(L"zelmor.ini")), kDefaultSettingsFile);
  const std::string ini = utf8(m.dir.file(L"zelmor.ini"));
  const std::string log = read_file(m.dir.file(L"zelmor.log"));
  const std::string kept_line =
      "settings: " + ini + " could not be loaded (not UTF-8 text); started with the default settings and kept the old file as " + ini + ".bad before saving\n";
  EXPECT_NE(log.find(kept_line), std::string::npos) << log;
  EXPECT_EQ(log.find("settings: ", log.find(kept_line) + 1), std::string::npos) << log;  // once only
}

TEST(Monitor, ASettingsFileHeldAtStartIsWaitedFor) {
  Monitor m;
  write_file(m.dir.file(L"zelmor.ini"), "theme=2\n");
  // Held without any sharing, as a backup or sync tool might at log-on, until the monitor is up.
  UniqueFile holder(CreateFileW(m.dir.file(L"zelmor.ini").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0,
                                nullptr));
  ASSERT_TRUE(holder.valid());
  m.start();
  holder.reset();
  ASSERT_NE(m.panel, nullptr);
  PostMessageW(m.panel, WM_CLOSE, 0, 0);
  EXPECT_TRUE(eventually([&] { return read_file(m.dir.file(L"zelmor.ini")).find("\ntheme=2\n") != std::string::npos; },
                         5000))
      << read_file(m.dir.file(L"zelmor.ini"));
  EXPECT_FALSE(file_exists(m.dir.file(L"zelmor.ini.bad")));
}

TEST(Monitor, AFileHeldThroughStartIsNotReplacedUntilItCanBeKept) {
  Monitor m;
  write_file(m.dir.file(L"zelmor.ini"), "theme=2\n");
  UniqueFile holder(CreateFileW(m.dir.file(L"zelmor.ini").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0,
                                nullptr));
  ASSERT_TRUE(holder.valid());
  m.start();
  ASSERT_NE(m.panel, nullptr);
  const auto log_has = [&](const std::string& text) {
    return read_file(m.dir.file(L"zelmor.log")).find(text) != std::string::npos;
  };
  ASSERT_TRUE(eventually([&] { return log_has("mcp pipe acl: "); }, 15000))  // started on the defaults
      << read_file(m.dir.file(L"zelmor.log"));
  PostMessageW(m.panel, WM_CLOSE, 0, 0);  // a save while the file can be neither moved nor copied
  ASSERT_TRUE(eventually([&] { return log_has("settings: could not keep "); }, 5000))
      << read_file(m.dir.file(L"zelmor.log"));
  EXPECT_TRUE(log_has(
      "); changes are not saved until it can be moved: close the program that holds it, or remove it yourself\n"))
      << read_file(m.dir.file(L"zelmor.log"));
  holder.reset();
  EXPECT_EQ(read_file(m.dir.file(L"zelmor.ini")), "theme=2\n");
  EXPECT_FALSE(file_exists(m.dir.file(L"zelmor.ini.bad")));

  PostMessageW(m.panel, WM_CLOSE, 0, 0);  // the next save keeps it first
  EXPECT_TRUE(eventually([&] { return read_file(m.dir.file(L"zelmor.ini")) == kDefaultSettingsFile; }, 5000));
  EXPECT_EQ(read_file(m.dir.file(L"zelmor.ini.bad")), "theme=2\n");
  EXPECT_TRUE(log_has("could not be loaded (" + system_error_text(ERROR_SHARING_VIOLATION) +
                      "); started with the default settings and kept the old file as "));
}

TEST(Monitor, TheEndOfTheUserSessionSavesTheSettings) {
  Monitor m;
  m.start();
  ASSERT_NE(m.panel, nullptr);
  // The pipe server starts last: once it logs, start-up is over and the monitor is running.
  ASSERT_TRUE(eventually([&] { return read_file(m.dir.file(L"zelmor.log")).find("mcp pipe acl: ") != std::string::npos; },
                         15000))
      << read_file(m.dir.file(L"zelmor.log"));
  DWORD_PTR answer = 0;
  ASSERT_TRUE(SendMessageTimeoutW(m.panel, WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF, SMTO_NORMAL, 60000, &answer));
  EXPECT_EQ(answer, static_cast<DWORD_PTR>(TRUE));  // the monitor never holds up a sign-out
  // A sign-out that was called off changes nothing.
  ASSERT_TRUE(SendMessageTimeoutW(m.panel, WM_ENDSESSION, FALSE, ENDSESSION_LOGOFF, SMTO_NORMAL, 60000, &answer));
  EXPECT_FALSE(file_exists(m.dir.file(L"zelmor.ini")));
  // The session ends: the process may be ended any moment after this returns, so the save is done.
  ASSERT_TRUE(SendMessageTimeoutW(m.panel, WM_ENDSESSION, TRUE, ENDSESSION_LOGOFF, SMTO_NORMAL, 60000, &answer));
  EXPECT_EQ(read_file(m.dir.file(L"zelmor.ini")), kDefaultSettingsFile);
}

// The last write time of a file, 0 when there is none: a file written again has a later one.
uint64_t written_at(const std::wstring& path) {
  WIN32_FILE_ATTRIBUTE_DATA d{};
  if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &d)) return 0;
  return (uint64_t{d.ftLastWriteTime.dwHighDateTime} << 32) | d.ftLastWriteTime.dwLowDateTime;
}

// Without LOCALAPPDATA the settings file and the program log go nowhere: not into the folder the
// monitor was started in, not into the profile's own local data folder. Closing the panel saves
// the settings, so a save that went astray would show.
TEST(Monitor, MissingLocalAppDataWritesNothing) {
  TempDir cwd;
  wchar_t* known = nullptr;
  ASSERT_EQ(SHGetKnownFolderPath(FOLDERID_LocalAppData, 0, nullptr, &known), S_OK);
  const std::wstring ini = std::wstring(known) + L"\\zelmor.ini", log = std::wstring(known) + L"\\zelmor.log";
  CoTaskMemFree(known);
  const uint64_t ini_before = written_at(ini), log_before = written_at(log);

  Child child = launch(quorvel_exe(), L"", {{L"LOCALAPPDATA", L""}}, cwd.path());
  struct Ender {
    Child& child;
    ~Ender() { kill(child); }
  } ender{child};
  HWND panel = find_monitor_window(child);
  ASSERT_NE(panel, nullptr);
  // A tray click is answered from the message loop, so once the pop-up shows, start-up is over.
  PostMessageW(panel, kWmTray, 0, WM_LBUTTONUP);
  ASSERT_TRUE(eventually([&] { return IsWindowVisible(panel) != FALSE; }, 5000));
  DWORD_PTR answer = 0;
  ASSERT_TRUE(SendMessageTimeoutW(panel, WM_CLOSE, 0, 0, SMTO_NORMAL, 60000, &answer));
  EXPECT_FALSE(IsWindowVisible(panel));
  EXPECT_TRUE(IsWindow(panel));  // closed, still running
  kill(child);  // before the folders are read: nothing is written from here on

  // The started-in folder holds only "." and "..".
  WIN32_FIND_DATAW found{};
  HANDLE find = FindFirstFileW((cwd.path() + L"\\*").c_str(), &found);
  int entries = 0;
  for (BOOL more = find != INVALID_HANDLE_VALUE; more; more = FindNextFileW(find, &found)) ++entries;
  if (find != INVALID_HANDLE_VALUE) FindClose(find);
  EXPECT_EQ(entries, 2) << "last seen: " << utf8(found.cFileName);
  EXPECT_EQ(written_at(ini), ini_before) << utf8(ini);
  EXPECT_EQ(written_at(log), log_before) << utf8(log);
}

TEST(ProgramLog, AppendsLinesWithoutDecoration) {
  TempDir dir;
  write_file(dir.file(L"zelmor.log"), "earlier\n");
  wchar_t self[MAX_PATH];
  GetModuleFileNameW(nullptr, self, MAX_PATH);
  Child child = launch(self, L"--child=log-lines", {{L"LOCALAPPDATA", dir.path()}});
  EXPECT_EQ(wait_exit(child, 60000), std::optional<DWORD>(0)) << "waited 60 s for the child that logs two lines";
  EXPECT_EQ(read_file(dir.file(L"zelmor.log")), "earlier\nfirst line\nsecond line\n");
}

TEST(ProgramLog, LinesFromManyThreadsAtOnceAreAllKeptWhole) {
  TempDir dir;
  wchar_t self[MAX_PATH];
  GetModuleFileNameW(nullptr, self, MAX_PATH);
  Child child = launch(self, L"--child=log-from-threads", {{L"LOCALAPPDATA", dir.path()}});
  // 4000 opens and closes of one file: on a loaded machine Wine takes tens of seconds for them.
  const std::optional<DWORD> code = wait_exit(child, 180000);
  std::vector<std::string> lines;
  std::istringstream log(read_file(dir.file(L"zelmor.log")));
  for (std::string line; std::getline(log, line);) lines.push_back(line);
  if (!code) kill(child);
  ASSERT_EQ(code, std::optional<DWORD>(0)) << "the child had not ended after 180 s; " << lines.size()
                                           << " lines were written by then";
  std::sort(lines.begin(), lines.end());
  std::vector<std::string> expected;
  for (int t = 0; t < 4; ++t) {
    for (int i = 0; i < 1000; ++i) expected.push_back("thread " + std::to_string(t) + " line " + std::to_string(i));
  }
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(lines.size(), 4000u);
  EXPECT_EQ(lines, expected);
}

// Runs this test executable in a child mode that panics, and returns the program log it left.
std::string panic_log_of(const wchar_t* mode) {
  TempDir dir;
  wchar_t self[MAX_PATH];
  GetModuleFileNameW(nullptr, self, MAX_PATH);
  Child child = launch(self, mode, {{L"LOCALAPPDATA", dir.path()}});
  auto code = wait_exit(child, 8000);
  EXPECT_TRUE(code.has_value()) << "the panic did not end the process";
  if (!code) kill(child);
  EXPECT_NE(code.value_or(0), 0u);
  return read_file(dir.file(L"zelmor.log"));
}

TEST(ProgramLog, PanicsOnAnyThreadAreLoggedOnceAndEndTheProcess) {
  std::string log = panic_log_of(L"--child=panic-thread");
  EXPECT_EQ(log.rfind("panic: thread ", 0), 0u) << log;
  EXPECT_NE(log.find("uncaught exception: worker exploded\n"), std::string::npos) << log;
  EXPECT_EQ(std::count(log.begin(), log.end(), '\n'), 1);

  log = panic_log_of(L"--child=access-violation");
  EXPECT_EQ(log.rfind("panic: thread ", 0), 0u) << log;
  EXPECT_NE(log.find("unhandled exception 0xC0000005"), std::string::npos) << log;
  EXPECT_EQ(std::count(log.begin(), log.end(), '\n'), 1);

  log = panic_log_of(L"--child=assertion");
  EXPECT_EQ(log.rfind("panic: ", 0), 0u) << log;
  EXPECT_NE(log.find("main_win.cpp:"), std::string::npos) << log;
  EXPECT_NE(log.find("assertion failed: mode.empty()\n"), std::string::npos) << log;
}

TEST(ProgramLog, ThePanicCleanUpRunsOnceAfterTheLine) {
  const std::string log = panic_log_of(L"--child=panic-cleanup");
  const size_t first_end = log.find('\n');
  ASSERT_NE(first_end, std::string::npos) << log;
  EXPECT_NE(log.substr(0, first_end).find("uncaught exception: worker exploded"), std::string::npos) << log;
  EXPECT_EQ(log.substr(first_end + 1, 12), "cleanup ran\n") << log;
  size_t runs = 0;
  for (size_t at = 0; (at = log.find("cleanup ran", at)) != std::string::npos; ++at) ++runs;
  EXPECT_EQ(runs, 1u) << log;
}

}  // namespace
}  // namespace qv::test
