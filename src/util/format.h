#pragma once
// The short value texts that every window shows. Byte units step by 1024 (1 KB = 1024 bytes).
#include <cstdint>
#include <string>

namespace qv {

// "512 B" below 1024; otherwise one decimal in KB, MB, GB or TB ("1.5 MB").
std::string format_bytes(uint64_t bytes);
// format_bytes + "/s" ("0 B/s" for zero).
std::string format_rate(uint64_t bytes_per_second);
// "0 KB/s" for zero, otherwise format_rate.
std::string format_rate_or_zero(uint64_t bytes_per_second);
// Narrow form for a 16-pixel icon: "0" below 1 KiB, "512K", "3.0M" below 10 MiB, "25M", "2G".
std::string format_compact(uint64_t bytes);
// Clamped to 0..100 and rounded to a whole number, with "%"; NaN counts as 0.
std::string format_percent(float percent);
// One decimal, not clamped (a sum over many processes may pass 100), with "%"; NaN counts as 0.
std::string format_percent_one_decimal(double percent);

}  // namespace qv
