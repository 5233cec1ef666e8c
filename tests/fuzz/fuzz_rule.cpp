// Any rule text: parse, switch and describe never crash, and for every text that is a rule,
// switching it twice gives back its own normalised form, still the same rule.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "rules/rule_text.h"

namespace {

bool space(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f'; }

bool is_off(std::string_view s) {
  return s.size() == 3 && (s[0] | 0x20) == 'o' && (s[1] | 0x20) == 'f' && (s[2] | 0x20) == 'f';
}

// Segments trimmed, empty and "off" ones dropped, joined by "; ".
std::string normalised(std::string_view text) {
  std::string out;
  size_t start = 0;
  while (start <= text.size()) {
    size_t end = text.find(';', start);
    if (end == std::string_view::npos) end = text.size();
    std::string_view seg = text.substr(start, end - start);
    while (!seg.empty() && space(seg.front())) seg.remove_prefix(1);
    while (!seg.empty() && space(seg.back())) seg.remove_suffix(1);
    if (!seg.empty() && !is_off(seg)) {
      if (!out.empty()) out += "; ";
      out += seg;
    }
    start = end + 1;
  }
  return out;
}

bool same_number(double a, double b) { return a == b || (std::isnan(a) && std::isnan(b)); }

void check(bool ok) {
  if (!ok) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  const auto rule = qv::parse_rule(text);
  const std::string described = qv::describe_rule(text);
  (void)qv::set_rule_enabled(text, true);
  const std::string once = qv::toggle_rule(text);

  if (!rule) {
    check(described.rfind("(invalid) ", 0) == 0);
    check(once.size() >= 5 && once.substr(once.size() - 5) == "; off");
    return 0;
  }
  check(described.rfind("(invalid) ", 0) != 0);
  const std::string twice = qv::toggle_rule(once);
  check(twice == normalised(text) + (rule->enabled ? "" : "; off"));

  const auto flipped = qv::parse_rule(once);
  check(flipped.has_value());
  check(flipped->enabled == !rule->enabled);
  check(flipped->metric == rule->metric && flipped->above == rule->above);
  check(same_number(flipped->threshold, rule->threshold));
  check(flipped->file == rule->file && flipped->cooldown == rule->cooldown && flipped->notify == rule->notify &&
        flipped->include_top == rule->include_top);
  return 0;
}
