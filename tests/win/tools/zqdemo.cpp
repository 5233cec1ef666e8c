// A stand-in app for the pictures of the README: it keeps the processor busy for the given share
// of each 100 ms (first argument, percent), holds the given amount of touched memory (second
// argument, MB) and writes and rereads a small file now and then, so that the panel's lists have
// something to rank. It leaves by itself after ten minutes.
#include <windows.h>

#include <cstdlib>
#include <cwchar>
#include <vector>

int wmain(int argc, wchar_t** argv) {
  const long busy_pct = argc > 1 ? std::wcstol(argv[1], nullptr, 10) : 10;
  const long mb = argc > 2 ? std::wcstol(argv[2], nullptr, 10) : 50;
  std::vector<char> memory(static_cast<size_t>(mb < 0 ? 0 : mb) * 1024 * 1024, 1);
  for (size_t i = 0; i < memory.size(); i += 4096) memory[i] = static_cast<char>(i);

  wchar_t temp[MAX_PATH];
  wchar_t path[MAX_PATH];
  GetTempPathW(MAX_PATH, temp);
  GetTempFileNameW(temp, L"zqd", 0, path);
  std::vector<char> block(256 * 1024, 'q');

  const ULONGLONG end = GetTickCount64() + 10 * 60 * 1000;
  volatile unsigned sink = 0;
  for (unsigned round = 0; GetTickCount64() < end; ++round) {
    const ULONGLONG start = GetTickCount64();
    while (GetTickCount64() - start < static_cast<ULONGLONG>(busy_pct)) sink = sink + 1;
    if (round % 5 == 0) {
      HANDLE f = CreateFileW(path, GENERIC_WRITE | GENERIC_READ, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_TEMPORARY, nullptr);
      if (f != INVALID_HANDLE_VALUE) {
        DWORD n = 0;
        WriteFile(f, block.data(), static_cast<DWORD>(block.size()), &n, nullptr);
        FlushFileBuffers(f);
        CloseHandle(f);
      }
    }
    const long rest = 100 - busy_pct;
    if (rest > 0) Sleep(static_cast<DWORD>(rest));
  }
  DeleteFileW(path);
  return static_cast<int>(sink & 0);
}
