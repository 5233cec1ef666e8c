// The panel's handler in this process, on a window of this thread that is never painted: a
// pointer move that stays in one region, or outside all of them, leaves nothing to repaint;
// entering, leaving or changing region invalidates the window.
#include <gtest/gtest.h>

#include <memory>

#include "ui/panel/frame/hit_test.h"
#include "ui/panel/frame/panel_window_win.h"
#include "ui/panel/frame/ui_state_win.h"

namespace qv {
namespace {

class QuietWindow {
 public:
  QuietWindow() {
    WNDCLASSW wc{};
    wc.lpfnWndProc = DefWindowProcW;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"QvPanelHoverTest";
    RegisterClassW(&wc);
    hwnd_ = CreateWindowExW(0, L"QvPanelHoverTest", L"", WS_POPUP | WS_VISIBLE, 0, 0, 336, 600, nullptr, nullptr,
                            wc.hInstance, nullptr);
  }
  ~QuietWindow() { DestroyWindow(hwnd_); }
  HWND get() const { return hwnd_; }
  bool needs_paint() const { return GetUpdateRect(hwnd_, nullptr, FALSE) != FALSE; }
  void validate() const { ValidateRect(hwnd_, nullptr); }

 private:
  HWND hwnd_ = nullptr;
};

HitRegion region(int32_t top, ActionKind kind) {
  HitRegion h;
  h.left = 12;
  h.top = top;
  h.right = 324;
  h.bottom = top + 46;
  h.action.kind = kind;
  return h;
}

LRESULT move(UiState& ui, HWND hwnd, int x, int y) {
  LRESULT result = -1;
  EXPECT_TRUE(handle_panel_message(ui, hwnd, WM_MOUSEMOVE, 0, MAKELPARAM(x, y), &result));
  return result;
}

TEST(PanelHover, OnlyARegionChangeRepaints) {
  QuietWindow w;
  ASSERT_NE(w.get(), nullptr);
  auto ui = std::make_unique<UiState>();
  ui->shared = std::make_shared<SharedState>();
  ui->panel.hit_regions = {region(70, ActionKind::kOpenMetric), region(122, ActionKind::kOpenMetric)};
  w.validate();

  move(*ui, w.get(), 5, 5);  // outside every region
  EXPECT_FALSE(w.needs_paint());
  move(*ui, w.get(), 100, 80);  // enters the first card
  EXPECT_TRUE(w.needs_paint());
  w.validate();
  for (int i = 0; i < 20; ++i) move(*ui, w.get(), 20 + i * 10, 71 + i);
  EXPECT_FALSE(w.needs_paint()) << "moving inside one card";
  move(*ui, w.get(), 100, 116);  // the card's bottom edge is outside it, and the gap too
  EXPECT_TRUE(w.needs_paint());
  w.validate();
  move(*ui, w.get(), 100, 121);
  EXPECT_FALSE(w.needs_paint());
  move(*ui, w.get(), 100, 122);
  EXPECT_TRUE(w.needs_paint());
  EXPECT_TRUE(ui->panel.hover_valid);
  EXPECT_EQ(ui->panel.hover_y, 122);
}

}  // namespace
}  // namespace qv
