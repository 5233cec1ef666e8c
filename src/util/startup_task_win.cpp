#include "util/startup_task_win.h"

#include <windows.h>

#include "util/command_line.h"
#include "util/handles_win.h"
#include "util/names.h"
#include "util/startup_task_xml.h"
#include "util/user_sid_win.h"
#include "util/wide_win.h"

namespace qv {
namespace {

std::wstring executable_path() {
  std::wstring buffer(MAX_PATH, L'\0');
  for (int attempt = 0; attempt < 6; ++attempt) {
    DWORD n = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (n == 0) return {};
    if (n < buffer.size()) {
      buffer.resize(n);
      return buffer;
    }
    buffer.resize(buffer.size() * 2);
  }
  return {};
}

// The tool in the system folder, never one that happens to sit in the program's folder or the
// current folder, which a search by bare name would find first. Builds for the Windows-side
// tests may name a test double instead; release builds have no such way in.
std::wstring schtasks_path() {
#ifdef QV_TEST_HOOKS
  wchar_t double_path[MAX_PATH];
  const DWORD n = GetEnvironmentVariableW(L"QV_TEST_SCHTASKS", double_path, MAX_PATH);
  if (n > 0 && n < MAX_PATH) return std::wstring(double_path, n);
#endif
  wchar_t system_dir[MAX_PATH];
  const UINT length = GetSystemDirectoryW(system_dir, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return {};
  return std::wstring(system_dir, length) + L"\\schtasks.exe";
}

// The task definition as the tool reads it: UTF-16 with its byte-order mark, in a fresh file of
// the temporary folder. The file's path, or empty when it could not be written.
std::wstring write_task_file(const std::wstring& xml) {
  wchar_t folder[MAX_PATH + 1];
  const DWORD length = GetTempPathW(MAX_PATH + 1, folder);
  if (length == 0 || length > MAX_PATH) return {};
  wchar_t path[MAX_PATH];
  if (!GetTempFileNameW(folder, L"qvt", 0, path)) return {};
  std::wstring content;
  content.reserve(xml.size() + 1);
  content.push_back(L'\xFEFF');
  content += xml;
  UniqueFile file(CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_TEMPORARY, nullptr));
  const DWORD bytes = static_cast<DWORD>(content.size() * sizeof(wchar_t));
  DWORD written = 0;
  if (!file || !WriteFile(file.get(), content.data(), bytes, &written, nullptr) || written != bytes) {
    file.reset();
    DeleteFileW(path);
    return {};
  }
  return path;
}

}  // namespace

bool run_schtasks(const std::vector<std::string>& args) {
  SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
  UniqueHandle read_end, write_end;
  if (!CreatePipe(read_end.out(), write_end.out(), &inherit, 0)) return false;
  SetHandleInformation(read_end.get(), HANDLE_FLAG_INHERIT, 0);
  UniqueFile null_in(CreateFileW(L"NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                                 OPEN_EXISTING, 0, nullptr));

  // Both outputs go into one pipe: draining it drains both, so a chatty child never blocks.
  STARTUPINFOW si{};
  si.cb = sizeof si;
  si.dwFlags = STARTF_USESTDHANDLES;
  si.hStdInput = null_in.get();
  si.hStdOutput = write_end.get();
  si.hStdError = write_end.get();
  const std::wstring program = schtasks_path();
  if (program.empty()) return false;
  std::wstring command = widen(build_command_line("schtasks", args));
  PROCESS_INFORMATION pi{};
  if (!CreateProcessW(program.c_str(), command.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr, nullptr,
                      &si, &pi)) {
    return false;
  }
  UniqueHandle process(pi.hProcess);
  UniqueHandle thread(pi.hThread);
  write_end.reset();  // our copy; the pipe ends when the child's copies close

  char sink[4096];
  DWORD got = 0;
  while (ReadFile(read_end.get(), sink, sizeof sink, &got, nullptr) && got > 0) {
  }
  WaitForSingleObject(process.get(), INFINITE);
  DWORD code = 1;
  if (!GetExitCodeProcess(process.get(), &code)) return false;
  return code == 0;
}

bool query_startup_task() { return run_schtasks({"/Query", "/TN", kStartupTaskName}); }

bool create_startup_task() {
  const std::wstring exe = executable_path();
  if (exe.empty()) return false;
  run_schtasks({"/Delete", "/F", "/TN", kLegacyStartupTaskName});
  const std::wstring xml_file = write_task_file(widen(startup_task_xml(narrow(exe), current_user_sid().value_or(""))));
  if (xml_file.empty()) return false;
  const bool created = run_schtasks({"/Create", "/F", "/TN", kStartupTaskName, "/XML", narrow(xml_file)});
  DeleteFileW(xml_file.c_str());
  return created;
}

bool delete_startup_tasks() {
  run_schtasks({"/Delete", "/F", "/TN", kLegacyStartupTaskName});
  return run_schtasks({"/Delete", "/F", "/TN", kStartupTaskName});
}

}  // namespace qv
