#include "procinfo/role_label_win.h"

#include <windows.h>
#include <winternl.h>

#include <cstring>
#include <vector>

#include "procinfo/apps.h"
#include "util/handles_win.h"
#include "util/wide_win.h"

namespace qv {
namespace {

constexpr ULONG kProcessCommandLineInformation = 60;
constexpr ULONG kLargestCommandLineAnswer = 1048576;

}  // namespace

std::string process_command_line(uint32_t pid) {
  UniqueHandle process(OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid));
  if (!process) return {};
  const auto info_class = static_cast<PROCESSINFOCLASS>(kProcessCommandLineInformation);
  ULONG needed = 0;
  NtQueryInformationProcess(process.get(), info_class, nullptr, 0, &needed);
  if (needed < 1 || needed > kLargestCommandLineAnswer) return {};
  // The answer is a UNICODE_STRING followed by the text it points to; 8-byte aligned storage.
  std::vector<uint64_t> words((needed + 7) / 8);
  ULONG returned = 0;
  if (NtQueryInformationProcess(process.get(), info_class, words.data(), needed, &returned) < 0) return {};
  if (needed < sizeof(UNICODE_STRING)) return {};
  UNICODE_STRING text;
  std::memcpy(&text, words.data(), sizeof text);
  // The text must lie inside our buffer; anything else is not read.
  const auto base = reinterpret_cast<uintptr_t>(words.data());
  const auto at = reinterpret_cast<uintptr_t>(text.Buffer);
  const size_t length = text.Length & ~size_t{1};
  if (length == 0 || at < base || at - base > needed || needed - (at - base) < length) return {};
  std::wstring wide(length / 2, L'\0');
  std::memcpy(wide.data(), reinterpret_cast<const std::byte*>(words.data()) + (at - base), length);
  return narrow(wide);
}

std::string role_label(uint32_t pid, RoleLabelCache& cache) {
  if (auto it = cache.find(pid); it != cache.end()) return it->second;
  std::string label = role_label_from_command_line(process_command_line(pid));
  cache.emplace(pid, label);
  return label;
}

}  // namespace qv
