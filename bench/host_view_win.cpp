#include "host_view_win.h"

#include <windows.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>

namespace qv::bench {
namespace {

std::string read_all(const std::wstring& path) {
  std::ifstream in(path.c_str(), std::ios::binary);  // a wide path: the host's names are ASCII here
  std::ostringstream out;
  out << in.rdbuf();
  return out.str();
}

double status_kb(const std::string& status, const char* key) {
  const size_t at = status.find(key);
  return at == std::string::npos ? 0 : std::strtod(status.c_str() + at + std::strlen(key), nullptr);
}

std::vector<std::wstring> numbered_entries(const std::wstring& dir) {
  std::vector<std::wstring> out;
  WIN32_FIND_DATAW d;
  HANDLE h = FindFirstFileW((dir + L"\\*").c_str(), &d);
  if (h == INVALID_HANDLE_VALUE) return out;
  do {
    if (d.cFileName[0] >= L'0' && d.cFileName[0] <= L'9') out.emplace_back(d.cFileName);
  } while (FindNextFileW(h, &d));
  FindClose(h);
  return out;
}

std::string first_argument(const std::wstring& dir) {
  std::string cmdline = read_all(dir + L"\\cmdline");
  return cmdline.substr(0, cmdline.find('\0'));
}

// Field 22 of stat is the start time; the name in field 2 holds no spaces for our processes.
unsigned long long start_time(const std::wstring& dir) {
  std::istringstream stat(read_all(dir + L"\\stat"));
  std::string field;
  for (int i = 1; i <= 22 && stat >> field; ++i) {
    if (i == 22) return std::strtoull(field.c_str(), nullptr, 10);
  }
  return 0;
}

// Per mapping the larger of its anonymous and its private dirty pages: anonymous pages of a
// mapping are private here (no fork shares them), and a library mapping's written pages are
// private dirty without being anonymous. Read line by line: the file is large, and a copy of it
// in this process's heap would count in this process's own figure.
double smaps_private_kb(const std::wstring& path) {
  std::ifstream in(path.c_str());
  double total = 0, anonymous = 0, dirty = 0;
  std::string line;
  while (std::getline(in, line)) {
    if (line.rfind("Anonymous:", 0) == 0) {
      anonymous = std::strtod(line.c_str() + 10, nullptr);
    } else if (line.rfind("Private_Dirty:", 0) == 0) {
      dirty = std::strtod(line.c_str() + 14, nullptr);
    } else if (line.rfind("VmFlags:", 0) == 0) {  // the last line of each mapping's block
      total += std::max(anonymous, dirty);
      anonymous = dirty = 0;
    }
  }
  return total + std::max(anonymous, dirty);
}

std::wstring env_of_this_prefix() {
  wchar_t prefix[MAX_PATH] = {};
  const DWORD n = GetEnvironmentVariableW(L"WINEPREFIX", prefix, MAX_PATH);
  return n > 0 && n < MAX_PATH ? L"WINEPREFIX=" + std::wstring(prefix) : std::wstring();
}

bool environ_has(const std::wstring& dir, const std::string& entry) {
  const std::string env = read_all(dir + L"\\environ");
  size_t at = 0;
  while (at < env.size()) {
    const size_t end = env.find('\0', at);
    if (env.compare(at, (end == std::string::npos ? env.size() : end) - at, entry) == 0) return true;
    if (end == std::string::npos) break;
    at = end + 1;
  }
  return false;
}

}  // namespace

bool under_wine() { return GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr; }

std::wstring host_dir_of(const std::wstring& exe) {
  const std::string wanted(exe.begin(), exe.end());  // the path is ASCII
  std::wstring best;
  unsigned long long best_start = 0;
  for (const std::wstring& pid : numbered_entries(L"Z:\\proc")) {
    const std::wstring dir = L"Z:\\proc\\" + pid;
    const std::string arg = first_argument(dir);
    if (arg.size() < wanted.size() || _strnicmp(arg.c_str(), wanted.c_str(), wanted.size()) != 0) continue;
    const unsigned long long start = start_time(dir);
    if (!best.empty() && start < best_start) continue;
    best = dir;
    best_start = start;
  }
  return best;
}

double host_cpu_s(const std::wstring& dir) {
  double s = 0;
  for (const std::wstring& task : numbered_entries(dir + L"\\task")) {
    s += std::strtod(read_all(dir + L"\\task\\" + task + L"\\schedstat").c_str(), nullptr) / 1e9;
  }
  return s;
}

HostView host_view(const std::wstring& exe, bool with_private) { return host_view_of_dir(host_dir_of(exe), with_private); }

HostView host_view_of_dir(const std::wstring& dir, bool with_private) {
  HostView v;
  if (dir.empty()) return v;
  v.found = true;
  v.cpu_s = host_cpu_s(dir);
  const std::string status = read_all(dir + L"\\status");
  v.resident_mb = status_kb(status, "VmRSS:") / 1024;
  v.anonymous_mb = status_kb(status, "RssAnon:") / 1024;
  if (with_private) v.private_mb = smaps_private_kb(dir + L"\\smaps") / 1024;
  return v;
}

std::wstring host_dir_of_self() {
  wchar_t self[MAX_PATH];
  const DWORD n = GetModuleFileNameW(nullptr, self, MAX_PATH);
  std::wstring path(self, n);
  const std::wstring file = path.substr(path.find_last_of(L"\\/") + 1);
  const std::string name(file.begin(), file.end());  // ASCII
  const std::wstring wide = env_of_this_prefix();
  const std::string entry(wide.begin(), wide.end());
  std::wstring best;
  unsigned long long best_start = 0;
  for (const std::wstring& pid : numbered_entries(L"Z:\\proc")) {
    const std::wstring dir = L"Z:\\proc\\" + pid;
    const std::string arg = first_argument(dir);
    // The whole command line as it was typed (a full path, a relative one or the bare name,
    // then the arguments): the program is what ends in ".exe".
    std::string lower = arg;
    for (char& ch : lower) ch = static_cast<char>(tolower(static_cast<unsigned char>(ch)));
    const size_t exe_end = lower.find(".exe");
    if (exe_end == std::string::npos) continue;
    const std::string program = arg.substr(0, exe_end + 4);
    const size_t cut = program.find_last_of("\\/");
    const std::string last = cut == std::string::npos ? program : program.substr(cut + 1);
    if (_stricmp(last.c_str(), name.c_str()) != 0 || (!entry.empty() && !environ_has(dir, entry))) continue;
    const unsigned long long start = start_time(dir);
    if (!best.empty() && start < best_start) continue;
    best = dir;
    best_start = start;
  }
  return best;
}

WineHelpers wine_helpers() {
  WineHelpers found;
  const std::wstring wide = env_of_this_prefix();
  if (wide.empty()) return found;
  const std::string entry(wide.begin(), wide.end());
  unsigned long long explorer_start = 0;
  for (const std::wstring& pid : numbered_entries(L"Z:\\proc")) {
    const std::wstring dir = L"Z:\\proc\\" + pid;
    const std::string arg = first_argument(dir);
    const bool server = arg.find("wineserver") != std::string::npos;
    const bool explorer = _strnicmp(arg.c_str(), "C:\\windows\\system32\\explorer.exe", 32) == 0;
    if ((!server && !explorer) || !environ_has(dir, entry)) continue;
    if (server) {
      found.server = dir;
    } else if (const unsigned long long start = start_time(dir); found.explorer.empty() || start >= explorer_start) {
      found.explorer = dir;
      explorer_start = start;
    }
  }
  return found;
}

}  // namespace qv::bench
