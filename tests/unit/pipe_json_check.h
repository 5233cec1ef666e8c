#pragma once
// An independent, strict JSON checker for the pipe replies (RFC 8259 grammar, well-formed UTF-8,
// and, for our replies, no white space outside strings). Deliberately shares no code with the
// product's writer, so a fault in one cannot hide a fault in the other.
#include <cstddef>
#include <string_view>

namespace qv::test {

class StrictJson {
 public:
  // True when `text` is exactly one JSON value with no white space outside strings.
  static bool compact_value(std::string_view text) {
    StrictJson p(text);
    return p.value(0) && p.pos_ == text.size();
  }
  // True when `text` is one compact JSON object followed by exactly one line feed.
  static bool reply_line(std::string_view text) {
    if (text.size() < 3 || text.back() != '\n' || text.front() != '{') return false;
    return compact_value(text.substr(0, text.size() - 1));
  }

 private:
  explicit StrictJson(std::string_view t) : t_(t) {}
  bool eat(char c) {
    if (pos_ < t_.size() && t_[pos_] == c) {
      ++pos_;
      return true;
    }
    return false;
  }
  bool literal(std::string_view word) {
    if (t_.substr(pos_, word.size()) != word) return false;
    pos_ += word.size();
    return true;
  }
  bool value(int depth) {
    if (depth > 64 || pos_ >= t_.size()) return false;
    switch (t_[pos_]) {
      case '{': return object(depth);
      case '[': return array(depth);
      case '"': return string();
      case 't': return literal("true");
      case 'f': return literal("false");
      case 'n': return literal("null");
      default: return number();
    }
  }
  bool object(int depth) {
    ++pos_;
    if (eat('}')) return true;
    do {
      if (pos_ >= t_.size() || t_[pos_] != '"' || !string() || !eat(':') || !value(depth + 1)) return false;
    } while (eat(','));
    return eat('}');
  }
  bool array(int depth) {
    ++pos_;
    if (eat(']')) return true;
    do {
      if (!value(depth + 1)) return false;
    } while (eat(','));
    return eat(']');
  }
  static bool digit(char c) { return c >= '0' && c <= '9'; }
  bool number() {
    const size_t start = pos_;
    eat('-');
    if (pos_ >= t_.size()) return false;
    if (t_[pos_] == '0') {
      ++pos_;
    } else if (digit(t_[pos_])) {
      while (pos_ < t_.size() && digit(t_[pos_])) ++pos_;
    } else {
      return false;
    }
    if (eat('.')) {
      if (pos_ >= t_.size() || !digit(t_[pos_])) return false;
      while (pos_ < t_.size() && digit(t_[pos_])) ++pos_;
    }
    if (pos_ < t_.size() && (t_[pos_] == 'e' || t_[pos_] == 'E')) {
      ++pos_;
      if (!eat('+')) eat('-');
      if (pos_ >= t_.size() || !digit(t_[pos_])) return false;
      while (pos_ < t_.size() && digit(t_[pos_])) ++pos_;
    }
    return pos_ > start;
  }
  static bool hex(char c) { return digit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'); }
  bool string() {
    ++pos_;  // opening quotation mark
    while (pos_ < t_.size()) {
      const auto c = static_cast<unsigned char>(t_[pos_]);
      if (c == '"') {
        ++pos_;
        return true;
      }
      if (c < 0x20) return false;
      if (c == '\\') {
        if (++pos_ >= t_.size()) return false;
        const char e = t_[pos_++];
        if (e == 'u') {
          for (int i = 0; i < 4; ++i) {
            if (pos_ >= t_.size() || !hex(t_[pos_])) return false;
            ++pos_;
          }
        } else if (std::string_view("\"\\/bfnrt").find(e) == std::string_view::npos) {
          return false;
        }
        continue;
      }
      if (c < 0x80) {
        ++pos_;
        continue;
      }
      if (!utf8_sequence()) return false;
    }
    return false;
  }
  bool utf8_sequence() {
    const auto b0 = static_cast<unsigned char>(t_[pos_]);
    size_t len;
    unsigned cp;
    if (b0 >= 0xC2 && b0 <= 0xDF) {
      len = 2; cp = b0 & 0x1Fu;
    } else if (b0 >= 0xE0 && b0 <= 0xEF) {
      len = 3; cp = b0 & 0x0Fu;
    } else if (b0 >= 0xF0 && b0 <= 0xF4) {
      len = 4; cp = b0 & 0x07u;
    } else {
      return false;
    }
    if (pos_ + len > t_.size()) return false;
    for (size_t i = 1; i < len; ++i) {
      const auto b = static_cast<unsigned char>(t_[pos_ + i]);
      if ((b & 0xC0) != 0x80) return false;
      cp = (cp << 6) | (b & 0x3Fu);
    }
    if ((len == 3 && cp < 0x800) || (len == 4 && (cp < 0x10000 || cp > 0x10FFFF)) || (cp >= 0xD800 && cp <= 0xDFFF)) {
      return false;
    }
    pos_ += len;
    return true;
  }

  std::string_view t_;
  size_t pos_ = 0;
};

}  // namespace qv::test
