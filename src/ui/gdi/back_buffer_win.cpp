#include "ui/gdi/back_buffer_win.h"

#include <utility>

namespace qv {

HDC BackBuffer::prepare(HDC target, int32_t width, int32_t height) {
  if (width <= 0 || height <= 0) return nullptr;
  if (dc_.get() && (width != width_ || height != height_)) release();
  if (!dc_.get()) {
    UniqueMemoryDc dc(CreateCompatibleDC(target));
    if (!dc.get()) return nullptr;
    // A section of pages committed for this bitmap alone rather than a device bitmap: they are
    // given back whole when it is deleted, where a device bitmap's pixels can stay in an
    // allocator's free lists after the window is hidden.
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;  // top-down
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    UniqueGdiObject bitmap(CreateDIBSection(target, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (!bitmap.get()) return nullptr;
    original_ = SelectObject(dc.get(), bitmap.get());
    saved_ = SaveDC(dc.get());
    dc_ = std::move(dc);
    bitmap_ = std::move(bitmap);
    width_ = width;
    height_ = height;
    return dc_.get();
  }
  // Back to the state saved after the bitmap went in, and saved again for the next paint.
  RestoreDC(dc_.get(), saved_);
  saved_ = SaveDC(dc_.get());
  return dc_.get();
}

void BackBuffer::release() {
  if (dc_.get()) {
    if (saved_ > 0) RestoreDC(dc_.get(), saved_);
    if (original_) SelectObject(dc_.get(), original_);
  }
  bitmap_.reset();  // not selected any more, so it can be deleted
  dc_.reset();
  original_ = nullptr;
  saved_ = 0;
  width_ = 0;
  height_ = 0;
}

}  // namespace qv
