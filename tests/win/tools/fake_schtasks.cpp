// Test double for the Task Scheduler tool: appends its arguments (one line per run, separated
// by a 0x1F unit separator) to the file named by QV_FAKE_SCHTASKS_LOG, and exits with the code
// taken from QV_FAKE_SCHTASKS_CODES ("1,0": first run exits 1, second 0, later runs reuse the
// last). A task file named after /XML is copied to the log's path with ".xml" added, since the
// caller deletes it once the tool has run. It also writes a lot to both outputs, as the real tool can, so that a caller who does
// not drain them would hang.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

int wmain(int argc, wchar_t** argv) {
  wchar_t log_path[1024];
  if (!GetEnvironmentVariableW(L"QV_FAKE_SCHTASKS_LOG", log_path, 1024)) return 99;
  int previous_runs = 0;
  if (FILE* f = _wfopen(log_path, L"rb")) {
    int c;
    while ((c = fgetc(f)) != EOF) previous_runs += c == '\n';
    fclose(f);
  }
  std::string line;
  for (int i = 1; i < argc; ++i) {
    if (i > 1) line.push_back('\x1f');
    int n = WideCharToMultiByte(CP_UTF8, 0, argv[i], -1, nullptr, 0, nullptr, nullptr);
    std::string arg(n > 0 ? n - 1 : 0, '\0');
    if (n > 1) WideCharToMultiByte(CP_UTF8, 0, argv[i], -1, arg.data(), n, nullptr, nullptr);
    line += arg;
  }
  line.push_back('\n');
  if (FILE* f = _wfopen(log_path, L"ab")) {
    fwrite(line.data(), 1, line.size(), f);
    fclose(f);
  }
  for (int i = 1; i + 1 < argc; ++i) {
    if (_wcsicmp(argv[i], L"/XML") == 0) CopyFileW(argv[i + 1], (std::wstring(log_path) + L".xml").c_str(), FALSE);
  }
  std::string chatter(256 * 1024, 'x');
  fwrite(chatter.data(), 1, chatter.size(), stdout);
  fwrite(chatter.data(), 1, chatter.size(), stderr);

  wchar_t codes[256];
  std::vector<int> list;
  if (GetEnvironmentVariableW(L"QV_FAKE_SCHTASKS_CODES", codes, 256)) {
    for (wchar_t* p = codes; *p;) {
      list.push_back(static_cast<int>(wcstol(p, &p, 10)));
      if (*p == L',') ++p;
      else break;
    }
  }
  if (list.empty()) return 0;
  return list[static_cast<size_t>(previous_runs) < list.size() ? previous_runs : list.size() - 1];
}
