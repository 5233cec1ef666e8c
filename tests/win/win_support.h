#pragma once
// Helpers for tests that start the real quorvel.exe (and doubles) as child processes under Wine.
#include <windows.h>

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "ui/gdi/theme.h"
#include "util/handles_win.h"

namespace qv::test {

std::wstring exe_dir();                  // where win_tests.exe, quorvel.exe live
std::wstring quorvel_exe();
std::wstring tool_exe(const wchar_t* name);  // test doubles, built into tools/

// A fresh, empty directory that is removed (with its contents) when the object goes.
class TempDir {
 public:
  explicit TempDir(const wchar_t* hint = L"qv");
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  ~TempDir();
  const std::wstring& path() const { return path_; }
  std::wstring file(const std::wstring& name) const { return path_ + L"\\" + name; }

 private:
  std::wstring path_;
};

struct Child {
  UniqueHandle process;
  DWORD pid = 0;
};

// Starts `exe` with `args` (already quoted as needed). `env` overrides or adds variables of this
// process's environment; an empty value removes the variable. `work_dir` empty: this process's.
Child launch(const std::wstring& exe, const std::wstring& args, const std::map<std::wstring, std::wstring>& env,
             const std::wstring& work_dir = {});
// The exit code once the child ended within `ms`, or nothing.
std::optional<DWORD> wait_exit(const Child& child, DWORD ms);
void kill(Child& child);
// How many threads the process has now, as the system lists them (0 when it cannot be listed).
size_t thread_count_of(DWORD pid);

// First visible or hidden top-level window of the process with this class (polls up to `ms`).
HWND find_window(DWORD pid, const wchar_t* cls, DWORD ms);
// The panel window of a monitor just launched: waits up to 15 s, less when the monitor ends
// first; when no window comes it writes to stderr whether the process still runs or how it
// ended, and whether the one-copy lock is held.
HWND find_monitor_window(const Child& monitor);
std::wstring window_text(HWND hwnd);
std::wstring message_box_text(HWND box);  // the static control 0xFFFF
void press_ok(HWND box);

// Points this process's LOCALAPPDATA (and so its program log and settings) at `dir` until the
// object goes, then puts the old value back.
class ScopedLocalAppData {
 public:
  explicit ScopedLocalAppData(const std::wstring& dir);
  ScopedLocalAppData(const ScopedLocalAppData&) = delete;
  ScopedLocalAppData& operator=(const ScopedLocalAppData&) = delete;
  ~ScopedLocalAppData();

 private:
  std::optional<std::wstring> saved_;
};

// The client area of a shown window as it is on the screen: 32-bit pixels, top row first.
struct ScreenShot {
  int w = 0;
  int h = 0;
  std::vector<uint32_t> pixels;
  Rgb at(int x, int y) const;  // outside the picture: {1, 2, 3}, a colour no theme uses
  bool any(int left, int top, int right, int bottom, Rgb colour) const;
};
ScreenShot capture_client(HWND hwnd);
// What a failed picture check saw at a point of `hwnd`'s client area: the colour captured there
// and, when another window lies on top of that point, whose it is. For failure messages.
std::string describe_point(HWND hwnd, const ScreenShot& shot, int x, int y);
// The whole screen as it is now.
ScreenShot capture_screen();
// The visible top-level windows above `hwnd` that cover part of it, one line each (class,
// process, rectangle): what a screen-read check sees instead of the window's own pixels.
std::string windows_covering(HWND hwnd);

// A top-down 32-bit bitmap selected into a memory DC (compatible with the screen), with its
// pixels readable: the picture that the painting tests draw into and read back.
class MemoryBitmap {
 public:
  MemoryBitmap(int w, int h);
  ~MemoryBitmap();
  MemoryBitmap(const MemoryBitmap&) = delete;
  MemoryBitmap& operator=(const MemoryBitmap&) = delete;
  HDC dc() const { return dc_.get(); }
  int w() const { return w_; }
  int h() const { return h_; }
  // The pixel as stored (0x00RRGGBB), after GDI has finished drawing.
  uint32_t pixel(int x, int y) const;
  // A copy of the whole picture (all zero when the bitmap could not be made).
  ScreenShot shot() const;

 private:
  int w_;
  int h_;
  UniqueMemoryDc dc_;
  UniqueGdiObject bmp_;  // destroyed before dc_, once the destructor has selected it out
  HGDIOBJ old_ = nullptr;
  uint32_t* bits_ = nullptr;
};

std::string read_file(const std::wstring& path);
void write_file(const std::wstring& path, const std::string& bytes);
bool file_exists(const std::wstring& path);
// Polls until `pred` is true or `ms` pass.
template <typename Pred>
bool eventually(Pred pred, DWORD ms) {
  const ULONGLONG end = GetTickCount64() + ms;
  do {
    if (pred()) return true;
    Sleep(20);
  } while (GetTickCount64() < end);
  return pred();
}

std::string utf8(const std::wstring& w);

}  // namespace qv::test

namespace qv::test {

// Writes a capture as a 32-bit top-down BMP.
void write_bmp(const std::wstring& path, const ScreenShot& shot);
// With QV_PANEL_SHOTS naming a directory, keeps the picture there as NAME.bmp for a look.
void save_shot_if_asked(const ScreenShot& shot, const std::string& name);

}  // namespace qv::test
