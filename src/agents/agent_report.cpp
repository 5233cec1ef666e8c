#include "agents/agent_report.h"

#include <unordered_set>

#include "agents/agent_registry.h"
#include "util/utf.h"
#include "util/white_space.h"

namespace qv {
namespace {

int hex_digit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Reads up to four hex digits at `pos`; returns how many were consumed (4 on success).
size_t read_hex4(std::string_view s, size_t pos, char32_t& value) {
  value = 0;
  size_t n = 0;
  while (n < 4 && pos + n < s.size()) {
    const int d = hex_digit(s[pos + n]);
    if (d < 0) break;
    value = (value << 4) | static_cast<char32_t>(d);
    ++n;
  }
  return n;
}

// Decodes one \u escape whose four digits start at `pos` (just after "\u"); advances `pos`.
char32_t read_unicode_escape(std::string_view s, size_t& pos) {
  constexpr char32_t kReplacement = 0xFFFD;
  char32_t unit = 0;
  const size_t n = read_hex4(s, pos, unit);
  pos += n;
  if (n < 4) return kReplacement;
  if (unit >= 0xDC00 && unit <= 0xDFFF) return kReplacement;  // a low half on its own
  if (unit < 0xD800 || unit > 0xDBFF) return unit;
  // A high half combines only with a directly following \u low half.
  if (pos + 1 < s.size() && s[pos] == '\\' && s[pos + 1] == 'u') {
    char32_t low = 0;
    if (read_hex4(s, pos + 2, low) == 4 && low >= 0xDC00 && low <= 0xDFFF) {
      pos += 6;
      return 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00);
    }
  }
  return kReplacement;
}

// The index just past the closing quote of the string that opens at `open`; npos when the
// string is never closed.
size_t string_end(std::string_view s, size_t open) {
  size_t pos = open + 1;
  while (pos < s.size()) {
    if (s[pos] == '\\') {
      pos += 2;
    } else if (s[pos] == '"') {
      return pos + 1;
    } else {
      ++pos;
    }
  }
  return std::string_view::npos;
}

// The text of the JSON string that opens at the start of `s`, escapes decoded; an unclosed
// string runs to the end.
std::string decode_string(std::string_view s) {
  size_t pos = 1;
  std::string value;
  while (pos < s.size()) {
    const char c = s[pos];
    if (c == '"') break;
    if (c != '\\') {
      value.push_back(c);
      ++pos;
      continue;
    }
    if (pos + 1 >= s.size()) break;
    const char e = s[pos + 1];
    pos += 2;
    switch (e) {
      case 'b': value.push_back('\b'); break;
      case 'f': value.push_back('\f'); break;
      case 'n': value.push_back('\n'); break;
      case 'r': value.push_back('\r'); break;
      case 't': value.push_back('\t'); break;
      case 'u': append_utf8(value, read_unicode_escape(s, pos)); break;
      default: value.push_back(e);
    }
  }
  return value;
}

// Replaces C0 controls, DEL and the C1 controls (U+0080..U+009F) with spaces, so a reported
// text can never break a log line or draw as garbage.
std::string clean_display_text(std::string text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    const auto c = static_cast<unsigned char>(text[i]);
    if (c < 0x20 || c == 0x7F) {
      out.push_back(' ');
    } else if (c == 0xC2 && i + 1 < text.size() && static_cast<unsigned char>(text[i + 1]) >= 0x80 &&
               static_cast<unsigned char>(text[i + 1]) <= 0x9F) {
      out.push_back(' ');
      ++i;
    } else {
      out.push_back(static_cast<char>(c));
    }
  }
  return out;
}

}  // namespace

std::vector<std::string_view> split_report_objects(std::string_view text) {
  std::vector<std::string_view> objects;
  bool in_string = false;
  bool escaped = false;
  size_t depth = 0;
  size_t start = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (in_string) {
      if (escaped) {
        escaped = false;
      } else if (c == '\\') {
        escaped = true;
      } else if (c == '"') {
        in_string = false;
      }
      continue;
    }
    if (c == '"') {
      in_string = true;
    } else if (c == '{') {
      if (depth == 0) start = i;
      ++depth;
    } else if (c == '}' && depth > 0) {
      if (--depth == 0) objects.push_back(text.substr(start, i - start + 1));
    }
  }
  return objects;
}

std::string read_member(std::string_view object, std::string_view key) {
  // A key is a quoted text where the object's grammar puts one: first in the object or after a
  // comma at the object's own level. Quoted text anywhere else (inside a value, or a nested
  // object's key) is never taken for a key, whatever it spells, so a value cannot pose as one.
  size_t depth = 0;
  bool key_next = false;
  size_t pos = 0;
  while (pos < object.size()) {
    const char c = object[pos];
    if (c == '"') {
      const size_t end = string_end(object, pos);
      if (end == std::string_view::npos) break;  // the rest is one unclosed string
      const bool is_key = depth == 1 && key_next;
      key_next = false;
      if (is_key && end - pos - 2 == key.size() &&
          object.substr(pos + 1, key.size()) == key) {
        const std::string_view after_key = trim_leading_white_space(object.substr(end));
        if (after_key.empty() || after_key.front() != ':') return {};
        const std::string_view value = trim_leading_white_space(after_key.substr(1));
        if (value.empty() || value.front() != '"') return {};
        return decode_string(value);
      }
      pos = end;
      continue;
    }
    if (c == '{' || c == '[') {
      ++depth;
      key_next = depth == 1 && c == '{';
    } else if ((c == '}' || c == ']') && depth > 0) {
      --depth;
    } else if (c == ',' && depth == 1) {
      key_next = true;
    } else if (c == ':' && depth == 1) {
      key_next = false;
    }
    ++pos;
  }
  return {};
}

std::vector<Agent> parse_agent_report(std::string_view text, uint64_t now_ms) {
  std::vector<Agent> agents;
  std::unordered_set<std::string> seen_ids;
  for (std::string_view object : split_report_objects(text)) {
    Agent a;
    a.title = cut_characters(clean_display_text(read_member(object, "title")), kAgentTitleCut);
    a.id = cut_characters(read_member(object, "id"), kAgentIdCut);
    a.status = cut_characters(clean_display_text(read_member(object, "status")), kAgentStatusCut);
    a.detail = cut_characters(clean_display_text(read_member(object, "detail")), kAgentDetailCut);
    if (a.id.empty()) a.id = a.title.empty() ? "agent" : a.title;
    if (a.title.empty() && a.detail.empty()) continue;
    a.updated_ms = now_ms;
    a.started_ms = now_ms;
    if (!seen_ids.insert(a.id).second) continue;
    agents.push_back(std::move(a));
  }
  return agents;
}

}  // namespace qv
