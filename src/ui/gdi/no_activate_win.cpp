#include "ui/gdi/no_activate_win.h"

namespace qv {

bool register_small_window_class(const wchar_t* name, WNDPROC proc, const wchar_t* cursor) {
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof wc;
  HINSTANCE module = GetModuleHandleW(nullptr);
  if (GetClassInfoExW(module, name, &wc)) return true;
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = proc;
  wc.hInstance = module;
  wc.hCursor = LoadCursorW(nullptr, cursor);
  wc.lpszClassName = name;
  return RegisterClassExW(&wc) != 0;
}

bool handle_no_activate_message(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam, LRESULT& result) {
  switch (msg) {
    case WM_MOUSEACTIVATE:
      result = MA_NOACTIVATE;
      return true;
    case WM_WINDOWPOSCHANGING:
      // Every placement, the system's own at the end of a drag included, leaves the foreground
      // where it is.
      reinterpret_cast<WINDOWPOS*>(lparam)->flags |= SWP_NOACTIVATE;
      result = DefWindowProcW(hwnd, msg, wparam, lparam);
      return true;
    case WM_NCLBUTTONDOWN:
      // The move loop is started here rather than by the default handling, which on some
      // systems first brings the window to the foreground and does not move one that refuses
      // activation, as this one does.
      if (wparam != HTCAPTION) return false;
      SendMessageW(hwnd, WM_SYSCOMMAND, SC_MOVE | HTCAPTION, lparam);
      result = 0;
      return true;
    default:
      return false;
  }
}

}  // namespace qv
