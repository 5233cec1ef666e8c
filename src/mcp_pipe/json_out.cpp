#include "mcp_pipe/json_out.h"

#include <algorithm>
#include <charconv>
#include <cmath>

namespace qv {

void append_json_string(std::string& out, std::string_view text) {
  static constexpr char kHex[] = "0123456789abcdef";
  out.push_back('"');
  size_t run = 0;  // start of the pending run of bytes that need no escape
  for (size_t i = 0; i < text.size(); ++i) {
    const auto c = static_cast<unsigned char>(text[i]);
    if (c >= 0x20 && c != '"' && c != '\\') continue;
    out.append(text.data() + run, i - run);
    run = i + 1;
    switch (c) {
      case '"': out += "\\\""; break;
      case '\\': out += "\\\\"; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      case '\t': out += "\\t"; break;
      default:
        out += "\\u00";
        out.push_back(kHex[c >> 4]);
        out.push_back(kHex[c & 0xF]);
    }
  }
  out.append(text.data() + run, text.size() - run);
  out.push_back('"');
}

char* write_json_uint(char* p, uint64_t value) { return std::to_chars(p, p + 20, value).ptr; }

char* write_json_fixed(char* p, char* end, double value, int decimals) {
  if (!std::isfinite(value)) value = 0;
  // Fast path for every figure we actually send: scale, round to nearest and print the integer.
  // Far quicker than general fixed formatting, which matters for the 360-sample history reply.
  // Scaling itself rounds, so a product that lands on (or next to) a half no longer says which
  // way the exact value lies (0.35 is stored just below .35, 0.45 just above): those go to the
  // exact formatter below.
  if (std::fabs(value) < 1e12 && (decimals == 1 || decimals == 2) && end - p >= 24) {
    const uint64_t scale = decimals == 1 ? 10 : 100;
    const double scaled = std::fabs(value) * static_cast<double>(scale);
    const double whole = std::floor(scaled);
    const double part = scaled - whole;
    // The product is off by at most half a unit in its last place; allow a few.
    if (std::fabs(part - 0.5) > scaled * 1e-15 + 1e-9) {
      const auto n = static_cast<uint64_t>(whole) + (part > 0.5 ? 1 : 0);
      if (value < 0 && n != 0) *p++ = '-';
      p = write_json_uint(p, n / scale);
      *p++ = '.';
      const uint64_t frac = n % scale;
      if (decimals == 2) *p++ = static_cast<char>('0' + frac / 10);
      *p++ = static_cast<char>('0' + frac % 10);
      return p;
    }
  }
  auto [after, ec] = std::to_chars(p, end, value, std::chars_format::fixed, decimals);
  if (ec == std::errc()) {
    // A negative value that rounds to zero is written as zero, as on the fast path.
    if (*p == '-' && std::all_of(p + 1, after, [](char c) { return c == '0' || c == '.'; })) {
      return std::copy(p + 1, after, p);
    }
    return after;
  }
  const std::string_view zero = decimals == 2 ? "0.00" : "0.0";
  if (end - p < static_cast<std::ptrdiff_t>(zero.size())) return p;
  return std::copy(zero.begin(), zero.end(), p);
}

void append_json_uint(std::string& out, uint64_t value) {
  char buf[24];
  out.append(buf, write_json_uint(buf, value));
}

void append_json_fixed(std::string& out, double value, int decimals) {
  char buf[400];  // room for the largest double in fixed notation
  out.append(buf, write_json_fixed(buf, buf + sizeof buf, value, decimals));
}

}  // namespace qv
