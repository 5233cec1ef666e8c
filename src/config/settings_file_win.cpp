#include "config/settings_file_win.h"

#include <windows.h>

#include <utility>

#include "util/handles_win.h"
#include "util/names.h"
#include "util/program_log_win.h"
#include "util/utf.h"
#include "util/wide_win.h"

namespace qv {

std::optional<std::wstring> settings_path() {
  auto dir = local_app_data_dir();
  if (!dir) return std::nullopt;
  return *dir + L"\\" + kSettingsFileName;
}

namespace {

// Set when the file exists but could not be loaded; the first save to that same path keeps it
// as zelmor.ini.bad before replacing it, so that a file the program could not read never loses
// the user's rules. Only the UI thread loads and saves.
struct LoadFailure {
  std::wstring path;
  std::string reason;
  bool keep_failure_logged = false;  // one line, not one per save
};
std::optional<LoadFailure> g_load_failure;

// Something else (a backup, a sync tool, a virus scanner) may hold the file for a moment at
// log-on: a sharing violation is retried for about half a second before the load gives up.
UniqueFile open_settings_for_reading(const std::wstring& path) {
  constexpr int kAttempts = 6;
  for (int attempt = 0;; ++attempt) {
    UniqueFile file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (file || attempt + 1 == kAttempts) return file;
    const DWORD error = GetLastError();
    if (error != ERROR_SHARING_VIOLATION && error != ERROR_LOCK_VIOLATION) return file;
    Sleep(100);
  }
}

// Moves the file that failed to load out of the way (a rename keeps its bytes exactly, however
// large); when it cannot be moved, a copy will do. False when neither worked.
bool keep_unloadable_file(const std::wstring& path) {
  const std::wstring bad = path + L".bad";
  const bool kept = MoveFileExW(path.c_str(), bad.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) ||
                    CopyFileW(path.c_str(), bad.c_str(), FALSE);
  if (!kept) {
    const DWORD error = GetLastError();
    if (GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES) {
      const DWORD why = GetLastError();
      if (why == ERROR_FILE_NOT_FOUND || why == ERROR_PATH_NOT_FOUND) return true;  // removed meanwhile
    }
    if (!std::exchange(g_load_failure->keep_failure_logged, true)) {
      log_line("settings: could not keep " + narrow(path) + " as " + narrow(bad) + " (" + system_error_text(error) +
               "); it is not replaced");
    }
    return false;
  }
  log_line("settings: " + narrow(path) + " could not be loaded (" + g_load_failure->reason + "); kept it as " +
           narrow(bad) + " before saving");
  return true;
}

Settings failed_load(const std::wstring& path, std::string reason) {
  g_load_failure = LoadFailure{path, std::move(reason)};
  return parse_settings("");
}

}  // namespace

Settings load_settings() {
  g_load_failure.reset();
  auto path = settings_path();
  if (!path) return parse_settings("");
  UniqueFile file = open_settings_for_reading(*path);
  if (!file) {
    const DWORD error = GetLastError();
    if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) return parse_settings("");
    return failed_load(*path, system_error_text(error));
  }
  LARGE_INTEGER size{};
  if (!GetFileSizeEx(file.get(), &size) || size.QuadPart < 0) {
    return failed_load(*path, system_error_text(GetLastError()));
  }
  if (static_cast<unsigned long long>(size.QuadPart) > kMaxSettingsFileBytes) {
    return failed_load(*path, "larger than 4 MiB");
  }
  std::string bytes(static_cast<size_t>(size.QuadPart), '\0');
  size_t filled = 0;
  while (filled < bytes.size()) {
    DWORD got = 0;
    if (!ReadFile(file.get(), bytes.data() + filled, static_cast<DWORD>(bytes.size() - filled), &got, nullptr)) {
      return failed_load(*path, system_error_text(GetLastError()));
    }
    if (got == 0) break;
    filled += got;
  }
  bytes.resize(filled);
  if (!is_valid_utf8(bytes)) return failed_load(*path, "not UTF-8 text");
  return settings_from_file_bytes(bytes);
}

void save_settings(const Settings& settings) {
  auto path = settings_path();
  if (!path) return;
  if (g_load_failure && g_load_failure->path == *path) {
    if (!keep_unloadable_file(*path)) return;  // the next save tries again
    g_load_failure.reset();
  }
  const std::string text = format_settings(settings);
  const std::wstring temp = *path + L".tmp";
  {
    UniqueFile file(CreateFileW(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return;
    DWORD written = 0;
    if (!WriteFile(file.get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr) ||
        written != text.size() || !FlushFileBuffers(file.get())) {
      file.reset();
      DeleteFileW(temp.c_str());
      return;
    }
  }
  // Another program that has the file open for a moment (an editor, a virus scanner, a backup)
  // can make the swap fail: try again briefly, then write the file in place rather than lose
  // the save.
  for (int attempt = 0; attempt < 3; ++attempt) {
    if (MoveFileExW(temp.c_str(), path->c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) return;
    Sleep(15);
  }
  DeleteFileW(temp.c_str());
  UniqueFile file(CreateFileW(path->c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return;
  DWORD written = 0;
  WriteFile(file.get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
}

}  // namespace qv
