#pragma once
// Texts from outside made safe to draw: titles, details and message bodies arrive from the pipe,
// process names and command lines from other programs, and may hold control characters,
// direction overrides or stray bytes.
#include <string>
#include <string_view>

namespace qv {

// One line: every control character and line or paragraph separator becomes a space, direction
// embeddings, overrides and isolates are dropped (they would reorder the text around them and
// could disguise what it says), and a byte that starts no valid UTF-8 sequence becomes U+FFFD.
std::string display_line(std::string_view text);

// The same, but line feeds (and the paragraph separators U+2028 and U+2029) stay line feeds, so
// that the text wraps paragraph by paragraph; a carriage return before a line feed becomes a
// space, which the wrap then drops.
std::string display_paragraphs(std::string_view text);

// Whether display_line(text) would be empty (nothing but direction controls, or nothing), without
// making the line.
bool display_line_empty(std::string_view text);

// display_line, cut to at most `max_chars` characters (code points); a cut text ends in "…".
std::string display_line_capped(std::string_view text, size_t max_chars);

// A name as a menu item: display_line, with "&" doubled so that it shows rather than marking the
// item's access key.
std::string menu_item_text(std::string_view name);

}  // namespace qv
