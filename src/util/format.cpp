#include "util/format.h"

#include <cmath>
#include <cstdio>

namespace qv {
namespace {

constexpr uint64_t kKiB = 1024;
constexpr uint64_t kMiB = kKiB * 1024;
constexpr uint64_t kGiB = kMiB * 1024;

std::string one_decimal(double v, const char* unit) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.1f%s", v, unit);
  return buf;
}

}  // namespace

std::string format_bytes(uint64_t bytes) {
  if (bytes < kKiB) return std::to_string(bytes) + " B";
  static constexpr const char* kUnits[] = {" KB", " MB", " GB", " TB"};
  double v = static_cast<double>(bytes) / 1024.0;
  size_t unit = 0;
  // Compared after rounding to the shown decimal, so 1023.96 KB reads "1.0 MB", not "1024.0 KB".
  while (std::round(v * 10.0) >= 10240.0 && unit + 1 < std::size(kUnits)) {
    v /= 1024.0;
    ++unit;
  }
  return one_decimal(v, kUnits[unit]);
}

std::string format_rate(uint64_t bytes_per_second) { return format_bytes(bytes_per_second) + "/s"; }

std::string format_rate_or_zero(uint64_t bytes_per_second) {
  return bytes_per_second == 0 ? "0 KB/s" : format_rate(bytes_per_second);
}

std::string format_compact(uint64_t bytes) {
  if (bytes < kKiB) return "0";
  if (bytes < kMiB) return std::to_string(bytes / kKiB) + "K";
  if (bytes < 10 * kMiB) return one_decimal(static_cast<double>(bytes) / static_cast<double>(kMiB), "M");
  if (bytes < kGiB) return std::to_string(bytes / kMiB) + "M";
  return std::to_string(bytes / kGiB) + "G";
}

std::string format_percent(float percent) {
  double p = std::isnan(percent) ? 0.0 : static_cast<double>(percent);
  if (p < 0.0) p = 0.0;
  if (p > 100.0) p = 100.0;
  return std::to_string(std::lround(p)) + "%";
}

std::string format_percent_one_decimal(double percent) {
  if (std::isnan(percent)) percent = 0.0;
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.1f%%", percent);
  return buf;
}

}  // namespace qv
