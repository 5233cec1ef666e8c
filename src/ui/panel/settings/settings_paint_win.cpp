#include "ui/panel/settings/settings_paint_win.h"

#include <algorithm>
#include <iterator>

#include "ui/panel/settings/connect_command.h"
#include "util/wide_win.h"

namespace qv {

PageView paint_settings_page(const PanelCanvas& c, const PageInput& in) { return paint_page_view(c, in, layout_settings_page); }

const std::string& own_connect_command() {
  static const std::string command = [] {
    wchar_t buf[MAX_PATH * 4];
    const DWORD n = GetModuleFileNameW(nullptr, buf, static_cast<DWORD>(std::size(buf)));
    if (n == 0 || n >= std::size(buf)) return connect_command("");
    std::wstring path(buf, n);
    const size_t slash = path.find_last_of(L"\\/");
    return connect_command(slash == std::wstring::npos ? std::string() : narrow(path.substr(0, slash)));
  }();
  return command;
}

}  // namespace qv
