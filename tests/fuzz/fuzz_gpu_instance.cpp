// Graphics counter instance names: any UTF-16 text parses without reading outside it, the parts
// found are consistent with the text, and adding it to a tally keeps every figure in range.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "gpu/gpu_tally.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 8) return 0;
  double value = 0;
  std::memcpy(&value, data, sizeof value);
  std::u16string name((size - 8) / 2, u'\0');
  std::memcpy(name.data(), data + 8, name.size() * 2);

  const qv::GpuInstance inst = qv::parse_gpu_instance(name);
  // The engine type is a tail of the name: after the last tag, or the whole name.
  const std::u16string_view whole(name);
  if (inst.engine_type.size() > whole.size()) std::abort();
  if (whole.substr(whole.size() - inst.engine_type.size()) != inst.engine_type) std::abort();
  if (inst.engine_type.size() != whole.size() && whole.rfind(u"engtype_") == std::u16string_view::npos) std::abort();
  if (inst.pid) {
    // A pid needs the tag and at least one digit right after it, spelling that number.
    const size_t at = whole.find(u"pid_");
    if (at == std::u16string_view::npos || at + 4 >= whole.size()) std::abort();
    std::u16string_view digits = whole.substr(at + 4);
    size_t n = 0;
    while (n < digits.size() && digits[n] >= u'0' && digits[n] <= u'9') ++n;
    if (n == 0) std::abort();
    uint64_t v = 0;
    for (size_t i = 0; i < n; ++i) v = v * 10 + static_cast<uint64_t>(digits[i] - u'0');
    if (n <= 10 && v != *inst.pid) std::abort();
  }

  qv::GpuTally tally;
  tally.add(name, value);
  tally.add(name, value);
  const float machine = tally.machine_pct();
  if (!(machine >= 0 && machine <= 100)) std::abort();
  for (const auto& [pid, pct] : tally.take_per_pid()) {
    if (!(pct >= 0 && pct <= 100)) std::abort();
    if (!inst.pid || pid != *inst.pid) std::abort();
  }
  return 0;
}
