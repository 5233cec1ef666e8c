#include "util/program_log_win.h"

#include <windows.h>

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <exception>
#include <string>
#include <thread>

#include "util/handles_win.h"
#include "util/log_cap.h"
#include "util/names.h"
#include "util/panic.h"
#include "util/wide_win.h"

namespace qv {

std::optional<std::wstring> local_app_data_dir() {
  wchar_t small[MAX_PATH];
  DWORD n = GetEnvironmentVariableW(L"LOCALAPPDATA", small, MAX_PATH);
  if (n == 0) return std::nullopt;
  if (n < MAX_PATH) return std::wstring(small, n);
  std::wstring big(n, L'\0');
  DWORD m = GetEnvironmentVariableW(L"LOCALAPPDATA", big.data(), n);
  if (m == 0 || m >= n) return std::nullopt;
  big.resize(m);
  return big;
}

namespace {

// Appending is meant to write at the end of the file, but not every file system does so
// atomically (Wine's does not): two threads appending at once could write at the same offset and
// one line would be lost. Appends to one file therefore go one at a time. The lock is chosen by
// the path with letter case and separators folded, so that two spellings of one log share it;
// other files mostly have locks of their own, so a file whose open waits for a network time-out
// does not hold up the program log. A fixed table: nothing here allocates (a panic logs through it).
constexpr size_t kAppendLocks = 61;
SRWLOCK g_append_locks[kAppendLocks] = {};

SRWLOCK& append_lock_for(const std::wstring& path) {
  uint64_t hash = 1469598103934665603ull;  // FNV-1a
  for (wchar_t c : path) {
    if (c >= L'a' && c <= L'z') c = static_cast<wchar_t>(c - L'a' + L'A');
    if (c == L'/') c = L'\\';
    hash = (hash ^ static_cast<uint64_t>(c)) * 1099511628211ull;
  }
  return g_append_locks[hash % kAppendLocks];
}

}  // namespace

namespace {

HANDLE open_for_append(const std::wstring& path) {
  // FILE_READ_ATTRIBUTES for the size, which decides whether the file is set aside first.
  return CreateFileW(path.c_str(), FILE_APPEND_DATA | FILE_READ_ATTRIBUTES,
                     FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_ALWAYS,
                     FILE_ATTRIBUTE_NORMAL, nullptr);
}

}  // namespace

unsigned long append_to_file(const std::wstring& path, std::string_view bytes) {
  // Nothing in here may throw: a panic logs through this.
  SRWLOCK& lock = append_lock_for(path);
  AcquireSRWLockExclusive(&lock);
  UniqueFile file(open_for_append(path));
  LARGE_INTEGER size{};
  if (file && GetFileSizeEx(file.get(), &size) &&
      log_append_needs_new_file(static_cast<uint64_t>(size.QuadPart), bytes.size())) {
    file.reset();
    // When the move fails (another program holds the file without sharing deletion), the line
    // still goes to the full file: a file past the cap is better than a lost line.
    MoveFileExW(path.c_str(), set_aside_log_path(path).c_str(), MOVEFILE_REPLACE_EXISTING);
    file.reset(open_for_append(path));
  }
  const DWORD error = file ? ERROR_SUCCESS : GetLastError();
  if (file) {
    DWORD written = 0;
    WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);  // errors ignored
    file.reset();
  }
  ReleaseSRWLockExclusive(&lock);
  return error;
}

void log_line(std::string_view text) {
  auto dir = local_app_data_dir();
  if (!dir) return;
  std::string line(text);
  line.push_back('\n');
  append_to_file(*dir + L"\\" + kProgramLogFileName, line);
}

std::string system_error_text(unsigned long code) {
  wchar_t* buffer = nullptr;
  DWORD n = FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                               FORMAT_MESSAGE_IGNORE_INSERTS,
                           nullptr, code, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
  std::string text;
  if (n && buffer) {
    text = narrow(std::wstring_view(buffer, n));
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' ')) text.pop_back();
  }
  if (buffer) LocalFree(buffer);
  if (text.empty()) text = "error " + std::to_string(code);
  return text;
}

namespace {

std::atomic<void (*)()> g_panic_cleanup{nullptr};

void log_and_terminate(std::string_view line) {
  log_line(line);
  // Taken out first, so that a panic inside the clean-up cannot run it again.
  if (void (*cleanup)() = g_panic_cleanup.exchange(nullptr)) cleanup();
  TerminateProcess(GetCurrentProcess(), 101);
}

std::string thread_label() { return "thread " + std::to_string(GetCurrentThreadId()); }

void on_terminate() {
  std::string what = "std::terminate called";
  if (auto e = std::current_exception()) {
    try {
      std::rethrow_exception(e);
    } catch (const std::exception& ex) {
      what = std::string("uncaught exception: ") + ex.what();
    } catch (...) {
      what = "uncaught exception of unknown type";
    }
  }
  panic(thread_label(), what);
}

LONG WINAPI on_unhandled_exception(EXCEPTION_POINTERS* info) {
  char text[96];
  const auto* rec = info ? info->ExceptionRecord : nullptr;
  std::snprintf(text, sizeof text, "unhandled exception 0x%08lX at %p",
                rec ? static_cast<unsigned long>(rec->ExceptionCode) : 0ul,
                rec ? rec->ExceptionAddress : nullptr);
  panic(thread_label(), text);
}

}  // namespace

void install_panic_hook() {
  set_panic_writer(&log_and_terminate);
  SetUnhandledExceptionFilter(&on_unhandled_exception);
  install_thread_panic_hook();
}

void install_thread_panic_hook() { std::set_terminate(&on_terminate); }

void set_panic_cleanup(void (*cleanup)()) { g_panic_cleanup.store(cleanup); }

}  // namespace qv
