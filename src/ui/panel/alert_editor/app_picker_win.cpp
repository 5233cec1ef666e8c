#include "ui/panel/alert_editor/app_picker_win.h"

#include "util/untrusted_text.h"
#include "util/wide_win.h"

namespace qv {

std::optional<std::string> pick_app_from_menu(HWND owner, const std::vector<std::string>& names) {
  HMENU menu = CreatePopupMenu();
  if (!menu) return std::nullopt;
  for (size_t i = 0; i < names.size(); ++i) {
    AppendMenuW(menu, MF_STRING, static_cast<UINT_PTR>(i + 1), widen(menu_item_text(names[i])).c_str());
  }
  if (names.empty()) AppendMenuW(menu, MF_STRING | MF_GRAYED, 0, L"No apps yet");
  POINT at{};
  GetCursorPos(&at);
  SetForegroundWindow(owner);  // or the menu would not close on a click elsewhere
  const auto choice = static_cast<size_t>(TrackPopupMenu(menu, TPM_RETURNCMD | TPM_NONOTIFY, at.x, at.y, 0, owner, nullptr));
  DestroyMenu(menu);
  if (choice == 0 || choice > names.size()) return std::nullopt;
  return names[choice - 1];
}

}  // namespace qv
