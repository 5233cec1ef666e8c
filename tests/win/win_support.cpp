#include "win_support.h"

#include <shellapi.h>
#include <tlhelp32.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <cstdio>
#include <cstring>

#include "util/names.h"
#include "util/wide_win.h"

namespace qv::test {

std::wstring exe_dir() {
  wchar_t buf[MAX_PATH];
  DWORD n = GetModuleFileNameW(nullptr, buf, MAX_PATH);
  std::wstring p(buf, n);
  return p.substr(0, p.find_last_of(L"\\/"));
}

std::wstring quorvel_exe() { return exe_dir() + L"\\quorvel.exe"; }
std::wstring tool_exe(const wchar_t* name) { return exe_dir() + L"\\tools\\" + name; }

TempDir::TempDir(const wchar_t* hint) {
  static std::atomic<int> counter{0};
  wchar_t tmp[MAX_PATH];
  GetTempPathW(MAX_PATH, tmp);
  path_ = std::wstring(tmp) + hint + L"-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
          std::to_wstring(counter.fetch_add(1)) + L"-" + std::to_wstring(GetTickCount64());
  CreateDirectoryW(path_.c_str(), nullptr);
}

TempDir::~TempDir() {
  std::wstring from = path_;
  from.push_back(L'\0');  // double-terminated list
  SHFILEOPSTRUCTW op{};
  op.wFunc = FO_DELETE;
  op.pFrom = from.c_str();
  op.fFlags = FOF_NO_UI;
  SHFileOperationW(&op);
}

Child launch(const std::wstring& exe, const std::wstring& args, const std::map<std::wstring, std::wstring>& env,
             const std::wstring& work_dir) {
  std::map<std::wstring, std::wstring> vars;  // Windows sorts the block case-insensitively; close enough
  if (wchar_t* block = GetEnvironmentStringsW()) {
    for (wchar_t* p = block; *p; p += wcslen(p) + 1) {
      std::wstring entry(p);
      size_t eq = entry.find(L'=', 1);
      if (eq == std::wstring::npos) continue;
      vars[entry.substr(0, eq)] = entry.substr(eq + 1);
    }
    FreeEnvironmentStringsW(block);
  }
  for (const auto& [k, v] : env) {
    for (auto it = vars.begin(); it != vars.end();) {
      it = _wcsicmp(it->first.c_str(), k.c_str()) == 0 ? vars.erase(it) : std::next(it);
    }
    if (!v.empty()) vars[k] = v;
  }
  std::wstring block;
  for (const auto& [k, v] : vars) {
    block += k + L"=" + v;
    block.push_back(L'\0');
  }
  block.push_back(L'\0');

  std::wstring cmd = L"\"" + exe + L"\"" + (args.empty() ? L"" : L" " + args);
  STARTUPINFOW si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  Child child;
  if (CreateProcessW(exe.c_str(), cmd.data(), nullptr, nullptr, FALSE, CREATE_UNICODE_ENVIRONMENT,
                     block.data(), work_dir.empty() ? nullptr : work_dir.c_str(), &si, &pi)) {
    CloseHandle(pi.hThread);
    child.process.reset(pi.hProcess);
    child.pid = pi.dwProcessId;
  }
  return child;
}

std::optional<DWORD> wait_exit(const Child& child, DWORD ms) {
  if (!child.process) return std::nullopt;
  if (WaitForSingleObject(child.process.get(), ms) != WAIT_OBJECT_0) return std::nullopt;
  DWORD code = 0;
  GetExitCodeProcess(child.process.get(), &code);
  return code;
}

size_t thread_count_of(DWORD pid) {
  UniqueHandle snap(CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0));
  if (!snap || snap.get() == INVALID_HANDLE_VALUE) return 0;
  THREADENTRY32 entry{};
  entry.dwSize = sizeof entry;
  size_t n = 0;
  for (BOOL more = Thread32First(snap.get(), &entry); more; more = Thread32Next(snap.get(), &entry)) {
    n += entry.th32OwnerProcessID == pid;
  }
  return n;
}

void kill(Child& child) {
  if (!child.process) return;
  TerminateProcess(child.process.get(), 1);
  // Until it has gone: a monitor still ending holds the one-copy lock, and the next test's
  // monitor would leave at once. Wine can take seconds to end a busy process on a loaded machine.
  WaitForSingleObject(child.process.get(), 30000);
}

namespace {
struct FindCtx {
  DWORD pid;
  const wchar_t* cls;
  HWND found;
};
BOOL CALLBACK find_proc(HWND hwnd, LPARAM lp) {
  auto* ctx = reinterpret_cast<FindCtx*>(lp);
  DWORD pid = 0;
  GetWindowThreadProcessId(hwnd, &pid);
  if (pid != ctx->pid) return TRUE;
  wchar_t cls[128];
  GetClassNameW(hwnd, cls, 128);
  if (wcscmp(cls, ctx->cls) != 0) return TRUE;
  ctx->found = hwnd;
  return FALSE;
}
}  // namespace

HWND find_window(DWORD pid, const wchar_t* cls, DWORD ms) {
  FindCtx ctx{pid, cls, nullptr};
  eventually([&] {
    EnumWindows(&find_proc, reinterpret_cast<LPARAM>(&ctx));
    return ctx.found != nullptr;
  }, ms);
  return ctx.found;
}

HWND find_monitor_window(const Child& monitor) {
  constexpr DWORD kPatienceMs = 15000;
  // A monitor that ends meanwhile (another copy still held the one-copy lock) makes no window:
  // that is known at once, not after the whole wait.
  FindCtx ctx{monitor.pid, kPanelWindowClass, nullptr};
  eventually([&] {
    EnumWindows(&find_proc, reinterpret_cast<LPARAM>(&ctx));
    return ctx.found != nullptr || wait_exit(monitor, 0).has_value();
  }, kPatienceMs);
  if (ctx.found) return ctx.found;
  const std::optional<DWORD> code = wait_exit(monitor, 0);
  HANDLE lock = OpenMutexW(SYNCHRONIZE, FALSE, kSingleInstanceMutex);
  std::fprintf(stderr, "    monitor pid %lu has no window (waited up to %lu ms): %s (exit code %lu), one-copy lock %s\n",
               static_cast<unsigned long>(monitor.pid), static_cast<unsigned long>(kPatienceMs),
               code ? "it ended" : "it still runs", static_cast<unsigned long>(code.value_or(0)),
               lock ? "held" : "free");
  if (lock) CloseHandle(lock);
  return nullptr;
}

std::wstring window_text(HWND hwnd) {
  wchar_t buf[2048];
  int n = GetWindowTextW(hwnd, buf, 2048);
  return std::wstring(buf, n > 0 ? n : 0);
}

std::wstring message_box_text(HWND box) { return window_text(GetDlgItem(box, 0xFFFF)); }

void press_ok(HWND box) { PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0); }

ScopedLocalAppData::ScopedLocalAppData(const std::wstring& dir) {
  std::wstring buffer(32768, L'\0');
  const DWORD n = GetEnvironmentVariableW(L"LOCALAPPDATA", buffer.data(), static_cast<DWORD>(buffer.size()));
  if (n > 0 && n < buffer.size()) saved_ = buffer.substr(0, n);
  SetEnvironmentVariableW(L"LOCALAPPDATA", dir.c_str());
}

ScopedLocalAppData::~ScopedLocalAppData() {
  SetEnvironmentVariableW(L"LOCALAPPDATA", saved_ ? saved_->c_str() : nullptr);
}

Rgb ScreenShot::at(int x, int y) const {
  if (x < 0 || y < 0 || x >= w || y >= h) return Rgb{1, 2, 3};
  const uint32_t v = pixels[static_cast<size_t>(y) * w + x];
  return Rgb{static_cast<uint8_t>(v >> 16), static_cast<uint8_t>(v >> 8), static_cast<uint8_t>(v)};
}

bool ScreenShot::any(int left, int top, int right, int bottom, Rgb colour) const {
  for (int y = top; y < bottom; ++y)
    for (int x = left; x < right; ++x)
      if (at(x, y) == colour) return true;
  return false;
}

MemoryBitmap::MemoryBitmap(int w, int h) : w_(w), h_(h) {
  BITMAPINFO bi{};
  bi.bmiHeader.biSize = sizeof bi.bmiHeader;
  bi.bmiHeader.biWidth = w;
  bi.bmiHeader.biHeight = -h;
  bi.bmiHeader.biPlanes = 1;
  bi.bmiHeader.biBitCount = 32;
  bi.bmiHeader.biCompression = BI_RGB;
  {
    WindowDc screen(nullptr);
    dc_.reset(CreateCompatibleDC(screen.get()));
  }
  bmp_.reset(CreateDIBSection(dc_.get(), &bi, DIB_RGB_COLORS, reinterpret_cast<void**>(&bits_), nullptr, 0));
  old_ = SelectObject(dc_.get(), bmp_.get());
}

MemoryBitmap::~MemoryBitmap() { SelectObject(dc_.get(), old_); }

uint32_t MemoryBitmap::pixel(int x, int y) const {
  GdiFlush();
  return bits_[static_cast<size_t>(y) * w_ + x];
}

ScreenShot MemoryBitmap::shot() const {
  ScreenShot s;
  s.w = w_;
  s.h = h_;
  s.pixels.assign(static_cast<size_t>(w_) * h_, 0);
  GdiFlush();
  if (bits_) std::memcpy(s.pixels.data(), bits_, s.pixels.size() * 4);
  return s;
}

ScreenShot capture_client(HWND hwnd) {
  RECT rc{};
  GetClientRect(hwnd, &rc);
  POINT origin{0, 0};
  ClientToScreen(hwnd, &origin);
  MemoryBitmap mem(rc.right, rc.bottom);
  WindowDc screen(nullptr);
  // Only the part on the screen: a source reaching past its edge copies nothing at all.
  const int visible_w = std::min(mem.w(), GetSystemMetrics(SM_CXSCREEN) - static_cast<int>(origin.x));
  const int visible_h = std::min(mem.h(), GetSystemMetrics(SM_CYSCREEN) - static_cast<int>(origin.y));
  if (visible_w > 0 && visible_h > 0) BitBlt(mem.dc(), 0, 0, visible_w, visible_h, screen.get(), origin.x, origin.y, SRCCOPY);
  return mem.shot();
}

std::string describe_point(HWND hwnd, const ScreenShot& shot, int x, int y) {
  const Rgb c = shot.at(x, y);
  char text[160];
  std::snprintf(text, sizeof text, "(%d,%d) #%02X%02X%02X", x, y, c.r, c.g, c.b);
  std::string out = text;
  POINT pt{x, y};
  ClientToScreen(hwnd, &pt);
  HWND top = WindowFromPoint(pt);
  if (top && top != hwnd && !IsChild(hwnd, top)) {
    wchar_t cls[128] = {};
    GetClassNameW(top, cls, 128);
    DWORD pid = 0;
    GetWindowThreadProcessId(top, &pid);
    std::snprintf(text, sizeof text, " under a window of class '%s' of pid %lu", utf8(cls).c_str(),
                  static_cast<unsigned long>(pid));
    out += text;
  }
  return out;
}

ScreenShot capture_screen() {
  const int w = GetSystemMetrics(SM_CXSCREEN), h = GetSystemMetrics(SM_CYSCREEN);
  MemoryBitmap mem(w, h);
  WindowDc screen(nullptr);
  BitBlt(mem.dc(), 0, 0, w, h, screen.get(), 0, 0, SRCCOPY);
  return mem.shot();
}

std::string windows_covering(HWND hwnd) {
  RECT mine{};
  GetWindowRect(hwnd, &mine);
  std::string out;
  for (HWND w = GetWindow(hwnd, GW_HWNDPREV); w; w = GetWindow(w, GW_HWNDPREV)) {
    RECT r{}, both{};
    if (!IsWindowVisible(w) || !GetWindowRect(w, &r) || !IntersectRect(&both, &r, &mine)) continue;
    wchar_t cls[128] = L"";
    GetClassNameW(w, cls, 128);
    DWORD pid = 0;
    GetWindowThreadProcessId(w, &pid);
    out += utf8(cls) + " of process " + std::to_string(pid) + " at " + std::to_string(r.left) + "," +
           std::to_string(r.top) + " to " + std::to_string(r.right) + "," + std::to_string(r.bottom) + "\n";
  }
  return out.empty() ? "nothing covers it\n" : out;
}

std::string read_file(const std::wstring& path) {
  UniqueFile f(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                           nullptr, OPEN_EXISTING, 0, nullptr));
  if (!f) return {};
  std::string out;
  char buf[65536];
  DWORD got = 0;
  while (ReadFile(f.get(), buf, sizeof buf, &got, nullptr) && got) out.append(buf, got);
  return out;
}

void write_file(const std::wstring& path, const std::string& bytes) {
  UniqueFile f(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
  DWORD written = 0;
  if (f) WriteFile(f.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
}

bool file_exists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

std::string utf8(const std::wstring& w) { return narrow(w); }

}  // namespace qv::test

namespace qv::test {

void write_bmp(const std::wstring& path, const ScreenShot& shot) {
  BITMAPFILEHEADER file{};
  BITMAPINFOHEADER info{};
  info.biSize = sizeof info;
  info.biWidth = shot.w;
  info.biHeight = -shot.h;
  info.biPlanes = 1;
  info.biBitCount = 32;
  info.biCompression = BI_RGB;
  const DWORD bytes = static_cast<DWORD>(shot.pixels.size() * 4);
  file.bfType = 0x4D42;
  file.bfOffBits = sizeof file + sizeof info;
  file.bfSize = file.bfOffBits + bytes;
  std::string out(reinterpret_cast<const char*>(&file), sizeof file);
  out.append(reinterpret_cast<const char*>(&info), sizeof info);
  out.append(reinterpret_cast<const char*>(shot.pixels.data()), bytes);
  write_file(path, out);
}

void save_shot_if_asked(const ScreenShot& s, const std::string& name) {
  const char* dir = std::getenv("QV_PANEL_SHOTS");
  if (!dir || !*dir || s.pixels.empty()) return;
  write_bmp(widen(std::string(dir) + "\\" + name + ".bmp"), s);
}

}  // namespace qv::test
