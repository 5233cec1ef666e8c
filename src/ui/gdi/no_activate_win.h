#pragma once
// Plumbing shared by the small layered windows that never take the foreground (widget, overlay).
#include <windows.h>

namespace qv {

// Registers the window class once per process (a second call finds it and succeeds).
bool register_small_window_class(const wchar_t* name, WNDPROC proc, const wchar_t* cursor);

// Keeps the window from ever activating: refuses mouse activation, adds SWP_NOACTIVATE to every
// placement and starts the move loop itself on a caption press. True, with `result` set, when
// the message was handled here; false leaves it to the caller.
bool handle_no_activate_message(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam, LRESULT& result);

}  // namespace qv
