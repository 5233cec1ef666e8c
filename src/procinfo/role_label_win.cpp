#include "procinfo/role_label_win.h"

#include <windows.h>
#include <winternl.h>

#include <span>
#include <vector>

#include "procinfo/apps.h"
#include "procinfo/process_records.h"
#include "util/handles_win.h"
#include "util/untrusted_text.h"

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
  // 8-byte aligned storage for the UNICODE_STRING at the start of the answer.
  std::vector<uint64_t> words((needed + 7) / 8);
  ULONG returned = 0;
  if (NtQueryInformationProcess(process.get(), info_class, words.data(), needed, &returned) < 0) return {};
  const std::span<const std::byte> answer(reinterpret_cast<const std::byte*>(words.data()), needed);
  return command_line_from_answer(answer, reinterpret_cast<uintptr_t>(words.data()));
}

std::string role_label(uint32_t pid, RoleLabelCache& cache) {
  if (auto it = cache.find(pid); it != cache.end()) return it->second;
  // The label comes from another program's command line: cleaned for drawing and held to a
  // line's length before it is kept, whatever that program put there.
  std::string label = display_line_capped(role_label_from_command_line(process_command_line(pid)), kRoleLabelMaxChars);
  cache.emplace(pid, label);
  return label;
}

}  // namespace qv
