#pragma once
// A move-only owner of one COM reference, released when it goes.
#include <windows.h>
#include <unknwn.h>

#include <utility>

namespace qv {

template <typename T>
class ComRef {
 public:
  ComRef() = default;
  ComRef(const ComRef&) = delete;
  ComRef& operator=(const ComRef&) = delete;
  ComRef(ComRef&& other) noexcept : p_(std::exchange(other.p_, nullptr)) {}
  ComRef& operator=(ComRef&& other) noexcept {
    if (this != &other) reset(std::exchange(other.p_, nullptr));
    return *this;
  }
  ~ComRef() { reset(); }

  T* get() const { return p_; }
  T* operator->() const { return p_; }
  explicit operator bool() const { return p_ != nullptr; }
  void reset(T* p = nullptr) {
    if (p_) p_->Release();
    p_ = p;
  }
  T** out() {  // for calls that hand the reference back through a pointer
    reset();
    return &p_;
  }
  void** out_void() { return reinterpret_cast<void**>(out()); }

 private:
  T* p_ = nullptr;
};

}  // namespace qv
