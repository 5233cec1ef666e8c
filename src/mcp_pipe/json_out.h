#pragma once
// Hand-written JSON for the pipe replies: the client depends on the exact key order, number
// formats and escaping, so no library decides them for us.
#include <cstdint>
#include <string>
#include <string_view>

namespace qv {

// A string value in quotation marks. Quotation mark, backslash, LF, CR and tab get their short
// escapes; every other character below U+0020 becomes \u00xx in lower-case hex; everything else
// (U+007F and all non-ASCII text included) is copied as it is.
void append_json_string(std::string& out, std::string_view text);
void append_json_uint(std::string& out, uint64_t value);
// Fixed point with `decimals` digits after the point (1 or 2), rounded to nearest. Values that
// are not finite are written as zero, so a bad measurement can never make the reply invalid.
void append_json_fixed(std::string& out, double value, int decimals);
// The same into a raw buffer, for the hot history reply: `p` needs room for 20 characters
// (uint) or up to `end` (fixed); they return the end of what they wrote.
char* write_json_uint(char* p, uint64_t value);
char* write_json_fixed(char* p, char* end, double value, int decimals);
inline void append_json_bool(std::string& out, bool value) { out += value ? "true" : "false"; }

}  // namespace qv
