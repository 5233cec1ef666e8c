#include "util/user_sid_win.h"

#include <windows.h>
#include <sddl.h>

#include <algorithm>
#include <string_view>
#include <vector>

#include "util/handles_win.h"
#include "util/wide_win.h"

namespace qv {
namespace {

bool is_valid_utf16(std::wstring_view text) {
  for (size_t i = 0; i < text.size(); ++i) {
    const wchar_t c = text[i];
    if (c >= 0xD800 && c <= 0xDBFF) {
      if (i + 1 >= text.size() || text[i + 1] < 0xDC00 || text[i + 1] > 0xDFFF) return false;
      ++i;
    } else if (c >= 0xDC00 && c <= 0xDFFF) {
      return false;
    }
  }
  return true;
}

}  // namespace

std::optional<std::string> current_user_sid() {
  HANDLE raw_token = nullptr;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &raw_token)) return std::nullopt;
  UniqueHandle token(raw_token);
  DWORD needed = 0;
  GetTokenInformation(token.get(), TokenUser, nullptr, 0, &needed);
  std::vector<unsigned char> buffer(std::max<DWORD>(needed, 64));
  if (!GetTokenInformation(token.get(), TokenUser, buffer.data(), static_cast<DWORD>(buffer.size()), &needed)) {
    return std::nullopt;
  }
  token.reset();
  const auto* user = reinterpret_cast<const TOKEN_USER*>(buffer.data());
  wchar_t* sid_text = nullptr;
  if (!ConvertSidToStringSidW(user->User.Sid, &sid_text) || !sid_text) return std::nullopt;
  const std::wstring wide(sid_text);
  LocalFree(sid_text);
  if (!is_valid_utf16(wide)) return std::nullopt;
  return narrow(wide);
}

}  // namespace qv
