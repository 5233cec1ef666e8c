#pragma once
// Small text helpers shared by the parsers.
#include <optional>
#include <cstdint>
#include <string>
#include <string_view>

namespace qv {

// Trims ASCII white space (space, tab, CR, LF, VT, FF) from both ends.
std::string_view trim(std::string_view s);
std::string to_lower_ascii(std::string_view s);
bool iequals_ascii(std::string_view a, std::string_view b);

// Plain decimal parsers: the whole text must be the number. `allow_plus` accepts a leading "+".
std::optional<uint32_t> parse_u32(std::string_view s, bool allow_plus = true);
std::optional<int32_t> parse_i32(std::string_view s);
std::optional<uint64_t> parse_u64(std::string_view s, bool allow_plus = true);

}  // namespace qv
