// Texts from the AI tool on their way to the screen: any bytes are cleaned, wrapped to any width
// and fitted into any room without a crash, and what comes out keeps the promises the painters
// rely on (valid UTF-8, no control characters, lines within the width, fitted text a prefix).
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <deque>
#include <string>
#include <string_view>

#include "ui/gdi/text_layout.h"
#include "ui/panel/ai/activity_model.h"
#include "ui/panel/ai/messages_model.h"
#include "ui/panel/frame/text_width_cache.h"
#include "util/untrusted_text.h"

namespace {

// Code points of different widths, as a proportional font has them.
int32_t measure(std::string_view s) {
  int32_t w = 0;
  for (unsigned char c : s) {
    if ((c & 0xC0) == 0x80) continue;
    w += c < 0x80 ? 3 + c % 7 : c >= 0xF0 ? 16 : 11;
  }
  return w;
}

bool controls_in(std::string_view s, bool line_feeds) {
  for (size_t i = 0; i < s.size(); ++i) {
    const auto c = static_cast<unsigned char>(s[i]);
    if ((c < 0x20 && !(line_feeds && c == '\n')) || c == 0x7F) return true;
    if (c == 0xC2 && i + 1 < s.size() && static_cast<unsigned char>(s[i + 1]) <= 0x9F) return true;
  }
  return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2) return 0;
  const int32_t width = static_cast<int32_t>(data[0]) * 2 - 20;  // negative widths too
  const size_t fonts = 1 + data[1] % 3;
  const std::string_view raw(reinterpret_cast<const char*>(data + 2), size - 2);

  const std::string line = qv::display_line(raw);
  const std::string paragraphs = qv::display_paragraphs(raw);
  if (controls_in(line, false) || controls_in(paragraphs, true)) std::abort();
  if (qv::code_point_count(line) > raw.size()) std::abort();
  if (qv::display_line_empty(raw) != line.empty()) std::abort();

  // Widths summed from advances are the whole text's width, whatever the bytes: the advances
  // below are those of `measure`, code point by code point.
  qv::TextWidthCache cache;
  const qv::TextMeasure cached = qv::cached_measure(cache, 1, 1.0f, measure, [](char32_t first, size_t count, int32_t* out) {
    for (size_t i = 0; i < count; ++i) {
      const char32_t c = first + static_cast<char32_t>(i);
      out[i] = c < 0x80 ? 3 + static_cast<int32_t>(c % 7) : 11;
    }
    return true;
  });
  if (cached(raw) != measure(raw) || cached(line) != measure(line)) std::abort();

  for (const std::string& l : qv::wrap_lines(paragraphs, width, measure)) {
    if (l.find('\n') != std::string::npos) std::abort();
    if (measure(l) > width && qv::code_point_count(l) > 1) std::abort();
  }
  const qv::FittedText fit =
      qv::fit_text(line, width, fonts, [](size_t, std::string_view s) { return measure(s); });
  if (fit.text != line && line.compare(0, fit.text.size() - 3, fit.text, 0, fit.text.size() - 3) != 0) std::abort();

  // The page models over the same text in every field.
  std::deque<qv::MessageEntry> messages = {{line, std::string(raw), std::string(raw)}, {"", "", ""}};
  for (const auto& row : qv::message_rows(messages, {0}, width, measure)) {
    if (row.title.empty()) std::abort();
  }
  qv::AgentSession session{std::string(raw), std::string(raw), {}, 0};
  session.agents.push_back(qv::Agent{std::string(raw), std::string(raw), std::string(raw), std::string(raw), 1, 0});
  qv::AgentHistory history = {qv::FinishedAgent{std::string(raw), "", "failed", std::string(raw), "", 5, 1}};
  const qv::ActivityPage page = qv::activity_page({session, session}, history, 1000, true, {}, qv::theme_at(0), {});
  if (page.rows.size() != 6) std::abort();
  return 0;
}
