#include "ui/panel/app_detail/close_apps_win.h"

#include <string>

#include "ui/panel/app_detail/close_apps.h"
#include "util/handles_win.h"
#include "util/wide_win.h"

namespace qv {
namespace {

// The Win32 path of the process's image, or empty when it cannot be read.
std::wstring image_path(HANDLE process) {
  std::wstring buf(32768, L'\0');
  DWORD size = static_cast<DWORD>(buf.size());
  if (!QueryFullProcessImageNameW(process, 0, buf.data(), &size)) return {};
  buf.resize(size);
  return buf;
}

}  // namespace

CloseOutcome close_processes(HWND owner, std::string_view name, const std::vector<uint32_t>& pids) {
  CloseOutcome out;
  if (pids.empty()) return out;
  const std::wstring text = widen(close_question(name, pids.size()));
  const std::wstring caption = widen(kCloseAppCaption);
  out.asked = true;
  if (MessageBoxW(owner, text.c_str(), caption.c_str(), MB_YESNO | MB_ICONWARNING | MB_DEFBUTTON2) != IDYES) return out;
  out.confirmed = true;
  for (uint32_t pid : pids) {
    UniqueHandle process(OpenProcess(PROCESS_TERMINATE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid));
    if (!process) continue;
    // The ids come from a list taken before the click, and the question may have stood open for
    // minutes: an id whose process ended may now name an unrelated program.
    if (!image_is_app(narrow(image_path(process.get())), name)) continue;
    if (TerminateProcess(process.get(), 1)) ++out.ended;
  }
  return out;
}

}  // namespace qv
