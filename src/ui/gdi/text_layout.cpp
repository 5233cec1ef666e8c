#include "ui/gdi/text_layout.h"

#include <algorithm>

#include "ui/gdi/scale.h"
#include "util/panic.h"
#include "util/utf.h"

namespace qv {
namespace {

constexpr std::string_view kEllipsis = "\xE2\x80\xA6";  // U+2026

// The code point at `pos` (U+FFFD for a stray byte); `len` receives its byte length.
char32_t decode_at(std::string_view s, size_t pos, size_t& len) {
  const char32_t cp = decode_utf8_at(s, pos, len);
  return cp == kInvalidUtf8 ? 0xFFFD : cp;
}

// Unicode White_Space, except the line feed, which separates paragraphs before this is asked.
bool is_space(char32_t c) {
  return (c >= 0x09 && c <= 0x0D) || c == 0x20 || c == 0x85 || c == 0xA0 || c == 0x1680 ||
         (c >= 0x2000 && c <= 0x200A) || c == 0x2028 || c == 0x2029 || c == 0x202F || c == 0x205F ||
         c == 0x3000;
}

std::vector<std::string_view> split_words(std::string_view paragraph) {
  std::vector<std::string_view> words;
  size_t start = std::string_view::npos;
  for (size_t pos = 0; pos < paragraph.size();) {
    size_t len = 0;
    const char32_t c = decode_at(paragraph, pos, len);
    if (is_space(c)) {
      if (start != std::string_view::npos) words.push_back(paragraph.substr(start, pos - start));
      start = std::string_view::npos;
    } else if (start == std::string_view::npos) {
      start = pos;
    }
    pos += len;
  }
  if (start != std::string_view::npos) words.push_back(paragraph.substr(start));
  return words;
}

void wrap_paragraph(std::string_view paragraph, int32_t max_width, int32_t space_width,
                    const TextMeasure& measure, size_t max_lines, std::vector<std::string>& out) {
  std::string line;
  int32_t line_width = 0;
  for (std::string_view word : split_words(paragraph)) {
    if (out.size() >= max_lines) return;
    const int32_t word_width = measure(word);
    const int64_t candidate =
        line.empty() ? word_width : int64_t{line_width} + space_width + int64_t{word_width};
    if (candidate <= max_width) {
      if (!line.empty()) line += ' ';
      line.append(word);
      line_width = static_cast<int32_t>(candidate);
      continue;
    }
    if (!line.empty()) {
      out.push_back(std::move(line));
      line.clear();
      line_width = 0;
    }
    if (word_width <= max_width) {
      line.assign(word);
      line_width = word_width;
      continue;
    }
    // Wider than a whole line: break between characters, never inside one. Each piece is the
    // longest run of characters that fits, and at least one. The search starts from the last
    // piece's length and steps out from there, so a word of thousands of characters costs a few
    // measurements per line instead of one per character.
    std::vector<size_t> ends;  // byte end of each character
    for (size_t pos = 0; pos < word.size(); pos += code_point_length(word, pos)) {
      ends.push_back(pos + code_point_length(word, pos));
    }
    size_t first = 0;  // first character of the current piece
    auto run = [&](size_t n) {
      const size_t from = first == 0 ? 0 : ends[first - 1];
      return word.substr(from, ends[first + n - 1] - from);
    };
    auto fits = [&](size_t n) { return n <= 1 || measure(run(n)) <= max_width; };
    size_t guess = 1;
    std::string piece;
    while (first < ends.size() && out.size() < max_lines) {
      const size_t left = ends.size() - first;
      size_t lo = 1;         // fits
      size_t hi = left + 1;  // does not fit, or past the end
      const size_t probe = std::min(guess, left);
      if (fits(probe)) {
        lo = probe;
        for (size_t step = 1; lo < left; step *= 2) {
          const size_t next = std::min(left, lo + step);
          if (!fits(next)) {
            hi = next;
            break;
          }
          lo = next;
        }
      } else {
        hi = probe;
        for (size_t step = 1; hi - lo > 1; step *= 2) {
          const size_t next = hi > lo + step ? hi - step : lo;
          if (next == lo) break;
          if (fits(next)) {
            lo = next;
            break;
          }
          hi = next;
        }
      }
      while (hi - lo > 1) {
        const size_t mid = lo + (hi - lo) / 2;
        (fits(mid) ? lo : hi) = mid;
      }
      piece.assign(run(lo));
      first += lo;
      guess = lo;
      if (first < ends.size()) out.push_back(std::move(piece));
    }
    line = std::move(piece);
    line_width = measure(line);
  }
  out.push_back(std::move(line));
}

}  // namespace

size_t code_point_length(std::string_view text, size_t pos) {
  size_t len = 1;
  decode_at(text, pos, len);
  return len;
}

size_t code_point_count(std::string_view text) {
  size_t n = 0;
  for (size_t pos = 0; pos < text.size(); pos += code_point_length(text, pos)) ++n;
  return n;
}

std::vector<std::string> wrap_lines(std::string_view text, int32_t max_width, const TextMeasure& measure,
                                    size_t max_lines) {
  std::vector<std::string> lines;
  if (max_width <= 0 || max_lines == 0) return lines;
  const int32_t space_width = measure(" ");
  size_t start = 0;
  while (lines.size() < max_lines) {
    const size_t nl = text.find('\n', start);
    wrap_paragraph(text.substr(start, nl == std::string_view::npos ? std::string_view::npos : nl - start),
                   max_width, space_width, measure, max_lines, lines);
    if (nl == std::string_view::npos) break;
    start = nl + 1;
  }
  if (lines.size() > max_lines) lines.resize(max_lines);
  return lines;
}

size_t layout_line_count(std::string_view text, int32_t row_width, float ui_scale, const TextMeasure& measure) {
  if (text.empty()) return 0;
  const int32_t width = row_width - (px(12, ui_scale) * 2 + px(16, ui_scale));
  const size_t n = wrap_lines(text, width, measure).size();
  return n == 0 ? 1 : n;
}

FittedText fit_text(std::string_view text, int32_t room, size_t font_count, const FontTextMeasure& measure) {
  QV_ASSERT(font_count >= 1);
  for (size_t i = 0; i < font_count; ++i) {
    if (measure(i, text) <= room) return FittedText{i, std::string(text)};
  }
  const size_t last = font_count - 1;
  // Code-point boundaries, so the cut never splits a multi-byte character.
  std::vector<size_t> ends;
  for (size_t pos = 0; pos < text.size();) {
    pos += code_point_length(text, pos);
    ends.push_back(pos);
  }
  auto with_ellipsis = [&](size_t n) {
    std::string s(text.substr(0, n == 0 ? 0 : ends[n - 1]));
    s.append(kEllipsis);
    return s;
  };
  // The longest cut that fits, found by halving rather than one character at a time: the width
  // grows with the cut, and a text of thousands of characters would otherwise cost thousands of
  // measurements of thousands of characters. At least one character stays.
  size_t lo = std::min<size_t>(1, ends.size());
  size_t hi = ends.size();
  while (lo < hi) {
    const size_t mid = lo + (hi - lo + 1) / 2;
    if (measure(last, with_ellipsis(mid)) <= room) {
      lo = mid;
    } else {
      hi = mid - 1;
    }
  }
  return FittedText{last, with_ellipsis(lo)};
}

}  // namespace qv
