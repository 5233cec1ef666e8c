#pragma once
// The alert editor's app picker: a pop-up menu of process names at the pointer.
#include <windows.h>

#include <optional>
#include <string>
#include <vector>

namespace qv {

// Runs the menu's own message loop until a name is chosen or the menu is dismissed (nothing). The
// caller must not hold the panel's state meanwhile: the panel's messages keep arriving.
std::optional<std::string> pick_app_from_menu(HWND owner, const std::vector<std::string>& names);

}  // namespace qv
