#pragma once
// The panel's pieces as assistive technology sees them: one accessible object (MSAA IAccessible)
// for the window's client area, whose children are the current page's pieces, answered through
// WM_GETOBJECT, plus the system events that tell a reader the focus moved or a focused figure
// changed. The object asks a source for the page each time, so it never holds stale pieces.
#include <windows.h>

#include <optional>
#include <string>
#include <vector>

#include "ui/access/access_source.h"
#include "ui/access/focus_model.h"
#include "ui/access/piece.h"

namespace qv {

// The IID of IAccessible, spelled out: the one mingw's import library gives resolves to a stub
// address that oleacc refuses in LresultFromObject and AccessibleObjectFromWindow.
inline constexpr GUID kIidAccessible = {0x618736E0, 0x3C3D, 0x11CF, {0x81, 0x0C, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71}};

class AccessibleRoot;

// Owns the window's accessible object. Destroy it (or call detach) before the source goes away:
// a reader may keep the object longer than the window lives, and it then answers "disconnected".
class AccessibleServer {
 public:
  AccessibleServer(HWND window, AccessSource& source);
  AccessibleServer(const AccessibleServer&) = delete;
  AccessibleServer& operator=(const AccessibleServer&) = delete;
  ~AccessibleServer();

  // WM_GETOBJECT: the answer for the client area; nothing for other objects, which
  // DefWindowProc answers.
  std::optional<LRESULT> on_get_object(WPARAM wparam, LPARAM lparam);

  // After each sample and each focus move: raises EVENT_OBJECT_FOCUS when the focused piece
  // changed, EVENT_OBJECT_NAMECHANGE when its name changed, nothing otherwise.
  void announce_focus();

  void detach();

 private:
  HWND window_;
  AccessSource* source_;
  AccessibleRoot* root_;  // one reference held
  FocusAnnouncer announcer_;
};

}  // namespace qv
