#pragma once
// Small helpers for the tests that read hand-painted windows through the accessibility calls.
#include <windows.h>
#include <oleacc.h>

#include <string>

namespace qv::test {

// The VARIANT that names child `id` (CHILDID_SELF for the object itself).
inline VARIANT child(long id) {
  VARIANT v;
  VariantInit(&v);
  v.vt = VT_I4;
  v.lVal = id;
  return v;
}

// The text of `s`, which is freed; "(null)" when there was none.
inline std::wstring take(BSTR s) {
  std::wstring out = s ? std::wstring(s, SysStringLen(s)) : std::wstring(L"(null)");
  SysFreeString(s);
  return out;
}

}  // namespace qv::test
