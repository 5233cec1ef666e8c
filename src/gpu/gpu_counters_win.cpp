#include "gpu/gpu_counters_win.h"

#include <windows.h>
#include <pdh.h>
#include <pdhmsg.h>

#include <cwchar>
#include <optional>
#include <string_view>
#include <vector>

#include "gpu/gpu_tally.h"
#include "util/handles_win.h"
#include "util/program_log_win.h"

namespace qv {

namespace {

constexpr const wchar_t* kEngineCounterPath = L"\\GPU Engine(*)\\Utilization Percentage";

struct PdhQueryTraits {
  static PDH_HQUERY invalid() { return nullptr; }
  static void close(PDH_HQUERY q) { PdhCloseQuery(q); }
};
using UniquePdhQuery = UniqueResource<PDH_HQUERY, PdhQueryTraits>;

}  // namespace

struct GpuCounters::Impl {
  bool init_tried = false;
  UniquePdhQuery query;  // absent until set up, and for good after a failed set-up
  PDH_HCOUNTER counter = nullptr;
  // The formatted counter array: items followed by their names. Held as 64-bit words so that
  // the items' doubles and pointers are aligned; `buffer_bytes` is the size PDH is told.
  std::vector<uint64_t> buffer;
  DWORD buffer_bytes = 0;
  GpuTally tally;
  uint64_t last_collect_ms = 0;  // GetTickCount64 of the last collection

  void set_up() {
    init_tried = true;
    UniquePdhQuery q;
    if (PdhOpenQueryW(nullptr, 0, q.out()) == ERROR_SUCCESS &&
        PdhAddEnglishCounterW(q.get(), kEngineCounterPath, 0, &counter) == ERROR_SUCCESS) {
      // Utilisation is a rate: it needs a first raw sample before anything can be formatted.
      PdhCollectQueryData(q.get());
      last_collect_ms = GetTickCount64();
      query = std::move(q);
      return;
    }
    counter = nullptr;
    log_line("GPU PDH counters unavailable");
  }

  void grow_to(DWORD bytes) {
    if (bytes <= buffer_bytes) return;
    buffer.resize((static_cast<size_t>(bytes) + sizeof(uint64_t) - 1) / sizeof(uint64_t), 0);
    buffer_bytes = bytes;
  }

  // The counter array into `buffer`; the item count, or nothing when collecting or formatting fails.
  std::optional<DWORD> fetch() {
    if (PdhCollectQueryData(query.get()) != ERROR_SUCCESS) return std::nullopt;
    DWORD items = 0;
    DWORD size = buffer_bytes;
    PDH_STATUS status = PdhGetFormattedCounterArrayW(counter, PDH_FMT_DOUBLE, &size, &items, item_buffer());
    if (status == static_cast<PDH_STATUS>(PDH_MORE_DATA)) {
      grow_to(size);
      size = buffer_bytes;
      items = 0;
      status = PdhGetFormattedCounterArrayW(counter, PDH_FMT_DOUBLE, &size, &items, item_buffer());
    }
    if (status != ERROR_SUCCESS) return std::nullopt;
    return items;
  }

  PDH_FMT_COUNTERVALUE_ITEM_W* item_buffer() {
    return buffer.empty() ? nullptr : reinterpret_cast<PDH_FMT_COUNTERVALUE_ITEM_W*>(buffer.data());
  }
};

GpuCounters::GpuCounters() : impl_(std::make_unique<Impl>()) {}
GpuCounters::~GpuCounters() = default;

bool GpuCounters::read(float& machine_pct, std::unordered_map<uint32_t, float>& per_pid_pct, uint32_t interval_ms) {
  Impl& s = *impl_;
  machine_pct = 0;
  if (!s.init_tried) s.set_up();
  if (!s.query) return false;
  s.tally.clear();
  const uint64_t now_ms = GetTickCount64();
  const bool after_a_pause = collection_covers_a_pause(s.last_collect_ms, now_ms, interval_ms);
  const std::optional<DWORD> items = s.fetch();
  s.last_collect_ms = now_ms;
  if (after_a_pause) {
    // This collection is the baseline for the next tick; its average covers the whole pause.
    per_pid_pct.clear();
    return false;
  }
  if (!items) {
    per_pid_pct.clear();
    return true;
  }
  // Never trust the count beyond what the buffer can hold.
  const DWORD fits = static_cast<DWORD>(s.buffer_bytes / sizeof(PDH_FMT_COUNTERVALUE_ITEM_W));
  const PDH_FMT_COUNTERVALUE_ITEM_W* item = s.item_buffer();
  for (DWORD i = 0; item && i < *items && i < fits; ++i) {
    const wchar_t* name = item[i].szName;
    if (!name) continue;
    s.tally.add(std::u16string_view(reinterpret_cast<const char16_t*>(name), std::wcslen(name)),
                item[i].FmtValue.doubleValue);
  }
  machine_pct = s.tally.machine_pct();
  per_pid_pct = s.tally.take_per_pid();
  return true;
}

}  // namespace qv
