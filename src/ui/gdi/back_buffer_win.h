#pragma once
// One off-screen bitmap kept for a window's paints. Making a bitmap the size of the window on
// every paint costs the allocation and clearing of its pixels each time; this one is made on the
// first paint, made again only when the size changes, and given back when the window is hidden.
#include <windows.h>

#include <cstdint>

#include "util/handles_win.h"

namespace qv {

class BackBuffer {
 public:
  BackBuffer() = default;
  BackBuffer(const BackBuffer&) = delete;
  BackBuffer& operator=(const BackBuffer&) = delete;
  ~BackBuffer() { release(); }

  // A memory device context with a `width` x `height` 32-bit section bitmap selected,
  // in the state of a fresh one (default font, pens, colours, no clipping) whatever the last
  // paint left in it; nullptr when the system made none. Its pixels are those of the last paint:
  // the painter covers them.
  HDC prepare(HDC target, int32_t width, int32_t height);
  // Gives the bitmap and its device context back; the next prepare makes them again.
  void release();
  bool held() const { return dc_.get() != nullptr; }

 private:
  UniqueMemoryDc dc_;
  UniqueGdiObject bitmap_;
  HGDIOBJ original_ = nullptr;  // the memory DC's own one-pixel bitmap, put back before deleting ours
  int saved_ = 0;               // SaveDC level of the fresh state
  int32_t width_ = 0;
  int32_t height_ = 0;
};

}  // namespace qv
