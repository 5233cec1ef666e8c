#include "config/settings_file_win.h"

#include <windows.h>

#include "util/handles_win.h"
#include "util/names.h"
#include "util/program_log_win.h"

namespace qv {

std::optional<std::wstring> settings_path() {
  auto dir = local_app_data_dir();
  if (!dir) return std::nullopt;
  return *dir + L"\\" + kSettingsFileName;
}

Settings load_settings() {
  auto path = settings_path();
  if (!path) return parse_settings("");
  UniqueFile file(CreateFileW(path->c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return parse_settings("");
  LARGE_INTEGER size{};
  if (!GetFileSizeEx(file.get(), &size) || size.QuadPart < 0 ||
      static_cast<unsigned long long>(size.QuadPart) > kMaxSettingsFileBytes) {
    return parse_settings("");
  }
  std::string bytes(static_cast<size_t>(size.QuadPart), '\0');
  size_t filled = 0;
  while (filled < bytes.size()) {
    DWORD got = 0;
    if (!ReadFile(file.get(), bytes.data() + filled, static_cast<DWORD>(bytes.size() - filled), &got, nullptr)) {
      return parse_settings("");
    }
    if (got == 0) break;
    filled += got;
  }
  bytes.resize(filled);
  return settings_from_file_bytes(bytes);
}

void save_settings(const Settings& settings) {
  auto path = settings_path();
  if (!path) return;
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
