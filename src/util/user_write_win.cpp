#include "util/user_write_win.h"

#include <windows.h>

#include <vector>

#include "util/handles_win.h"
#include "util/wide_win.h"

namespace qv {
namespace {

static_assert(kAppendDataRight == FILE_APPEND_DATA);
static_assert(kAddFileRight == FILE_ADD_FILE);

UniqueHandle process_token() {
  UniqueHandle token;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, token.out())) return UniqueHandle();
  return token;
}

}  // namespace

// Elevated with a split token: the user also has an unelevated token, which is what the user's
// other programs run with. An elevated token without a linked one (the built-in administrator,
// or UAC switched off) gives the user's programs the same rights as ours.
bool running_elevated_with_linked_token() {
  const UniqueHandle token = process_token();
  if (!token) return false;
  TOKEN_ELEVATION_TYPE type = TokenElevationTypeDefault;
  DWORD size = 0;
  if (!GetTokenInformation(token.get(), TokenElevationType, &type, sizeof type, &size)) return false;
  return type == TokenElevationTypeFull;
}

namespace {

// The unelevated token as an impersonation token, which AccessCheck needs.
UniqueHandle unelevated_user_token() {
  const UniqueHandle token = process_token();
  if (!token) return UniqueHandle();
  TOKEN_LINKED_TOKEN linked{};
  DWORD size = 0;
  if (!GetTokenInformation(token.get(), TokenLinkedToken, &linked, sizeof linked, &size)) return UniqueHandle();
  UniqueHandle owned(linked.LinkedToken);
  UniqueHandle identification;
  if (DuplicateTokenEx(owned.get(), TOKEN_QUERY, nullptr, SecurityIdentification, TokenImpersonation,
                       identification.out())) {
    return identification;
  }
  return owned;  // usually already an identification-level impersonation token
}

UserAccess access_from_error(DWORD error) {
  if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) return UserAccess::Missing;
  return UserAccess::Unknown;
}

UserAccess user_access(HANDLE user_token, const std::string& path, uint32_t right) {
  if (!user_token || path.find('\0') != std::string::npos) return UserAccess::Unknown;
  const std::wstring wide = widen(path);
  const SECURITY_INFORMATION parts = OWNER_SECURITY_INFORMATION | GROUP_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION;
  DWORD needed = 0;
  if (!GetFileSecurityW(wide.c_str(), parts, nullptr, 0, &needed) && GetLastError() != ERROR_INSUFFICIENT_BUFFER) {
    return access_from_error(GetLastError());
  }
  if (needed == 0) return UserAccess::Unknown;
  std::vector<unsigned char> descriptor(needed);
  if (!GetFileSecurityW(wide.c_str(), parts, descriptor.data(), needed, &needed)) {
    return access_from_error(GetLastError());
  }
  GENERIC_MAPPING mapping{FILE_GENERIC_READ, FILE_GENERIC_WRITE, FILE_GENERIC_EXECUTE, FILE_ALL_ACCESS};
  DWORD desired = right;
  MapGenericMask(&desired, &mapping);
  PRIVILEGE_SET privileges{};
  DWORD privileges_size = sizeof privileges;
  DWORD granted = 0;
  BOOL allowed = FALSE;
  if (!AccessCheck(descriptor.data(), user_token, desired, &mapping, &privileges, &privileges_size, &granted,
                   &allowed)) {
    return UserAccess::Unknown;
  }
  return allowed ? UserAccess::Granted : UserAccess::Denied;
}

}  // namespace

bool signed_in_user_may_write(const std::string& path) {
  UniqueHandle user;  // fetched only when the process is elevated
  bool user_fetched = false;
  UserWriteProbe probe;
  probe.elevated = running_elevated_with_linked_token;
  probe.user_access = [&](const std::string& p, uint32_t right) {
    if (!user_fetched) {
      user = unelevated_user_token();
      user_fetched = true;
    }
    return user_access(user.get(), p, right);
  };
  return signed_in_user_may_write(path, probe);
}

}  // namespace qv
