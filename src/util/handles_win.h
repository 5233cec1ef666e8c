#pragma once
// Move-only owners for kernel handles and GDI objects, so that no return path can leak one and
// no copy can close one twice.
#include <windows.h>

#include <utility>

namespace qv {

template <typename T, typename Traits>
class UniqueResource {
 public:
  UniqueResource() = default;
  explicit UniqueResource(T value) : value_(value) {}
  UniqueResource(const UniqueResource&) = delete;
  UniqueResource& operator=(const UniqueResource&) = delete;
  UniqueResource(UniqueResource&& other) noexcept : value_(std::exchange(other.value_, Traits::invalid())) {}
  UniqueResource& operator=(UniqueResource&& other) noexcept {
    if (this != &other) reset(std::exchange(other.value_, Traits::invalid()));
    return *this;
  }
  ~UniqueResource() { reset(); }

  T get() const { return value_; }
  bool valid() const { return value_ != Traits::invalid(); }
  explicit operator bool() const { return valid(); }
  T release() { return std::exchange(value_, Traits::invalid()); }
  void reset(T value = Traits::invalid()) {
    if (valid()) Traits::close(value_);
    value_ = value;
  }
  T* out() {  // for APIs that return the handle through a pointer
    reset();
    return &value_;
  }

 private:
  T value_ = Traits::invalid();
};

struct KernelHandleTraits {  // handles whose "none" is NULL
  static HANDLE invalid() { return nullptr; }
  static void close(HANDLE h) { CloseHandle(h); }
};
struct FileHandleTraits {  // CreateFileW and friends: "none" is INVALID_HANDLE_VALUE
  static HANDLE invalid() { return INVALID_HANDLE_VALUE; }
  static void close(HANDLE h) { CloseHandle(h); }
};
struct GdiObjectTraits {
  static HGDIOBJ invalid() { return nullptr; }
  static void close(HGDIOBJ h) { DeleteObject(h); }
};
struct IconTraits {
  static HICON invalid() { return nullptr; }
  static void close(HICON h) { DestroyIcon(h); }
};
struct MemoryDcTraits {
  static HDC invalid() { return nullptr; }
  static void close(HDC h) { DeleteDC(h); }
};
struct LocalMemoryTraits {  // memory the system allocated for us with LocalAlloc (security descriptors)
  static HLOCAL invalid() { return nullptr; }
  static void close(HLOCAL h) { LocalFree(h); }
};

using UniqueHandle = UniqueResource<HANDLE, KernelHandleTraits>;
using UniqueFile = UniqueResource<HANDLE, FileHandleTraits>;
using UniqueGdiObject = UniqueResource<HGDIOBJ, GdiObjectTraits>;
using UniqueIcon = UniqueResource<HICON, IconTraits>;
using UniqueMemoryDc = UniqueResource<HDC, MemoryDcTraits>;
using UniqueLocal = UniqueResource<HLOCAL, LocalMemoryTraits>;

// GetDC/ReleaseDC pair.
class WindowDc {
 public:
  explicit WindowDc(HWND hwnd) : hwnd_(hwnd), dc_(GetDC(hwnd)) {}
  WindowDc(const WindowDc&) = delete;
  WindowDc& operator=(const WindowDc&) = delete;
  ~WindowDc() {
    if (dc_) ReleaseDC(hwnd_, dc_);
  }
  HDC get() const { return dc_; }

 private:
  HWND hwnd_;
  HDC dc_;
};

// SelectObject that puts the previous object back when it goes out of scope.
class SelectGuard {
 public:
  SelectGuard(HDC dc, HGDIOBJ obj) : dc_(dc), old_(obj ? SelectObject(dc, obj) : nullptr) {}
  SelectGuard(const SelectGuard&) = delete;
  SelectGuard& operator=(const SelectGuard&) = delete;
  ~SelectGuard() {
    if (old_) SelectObject(dc_, old_);
  }

 private:
  HDC dc_;
  HGDIOBJ old_;
};

}  // namespace qv
