// Settings parser: any bytes load without crashing, and load -> save -> load is stable.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "config/settings.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const qv::Settings first = qv::settings_from_file_bytes(bytes);
  const std::string saved = qv::format_settings(first);
  const qv::Settings second = qv::settings_from_file_bytes(saved);
  if (!(second == first)) std::abort();
  if (qv::format_settings(second) != saved) std::abort();
  return 0;
}
