#pragma once
// Keyboard focus over a page's pieces: the reading order (top to bottom, then left to right), the
// moves of Tab, Shift+Tab, the arrows, Home/End and Page Up/Down, the focus kept by key through
// samples and layouts, and the scroll that brings a focused piece into view.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "ui/access/piece.h"

namespace qv {

// What of the piece shows: its region cut to its list's band; empty (all zero) when scrolled out.
Rect shown_region(const Piece& piece);

// Indices of all pieces in reading order, by where each stands on the unscrolled page, so that
// the order is the same at every scroll offset. Pieces form lines: a piece whose vertical centre lies
// within the span of a line's first (topmost) piece belongs to that line; a line reads left to
// right (at the same left, top to bottom). So a button a little taller than the link beside it
// still comes after the link, and rows beside a tall graph come after the graph.
std::vector<size_t> reading_order(std::span<const Piece> pieces);
// The same, only the focusable pieces (kFocusable set, kUnavailable not set).
std::vector<size_t> focus_order(std::span<const Piece> pieces);

enum class FocusMove : uint8_t {
  kNext,      // Tab: the next piece in the focus order, from the last back to the first
  kPrevious,  // Shift+Tab
  kUp,        // arrows: within the focused piece's group, in focus order, stopping at its ends;
  kDown,      // up and left go back, down and right forward
  kLeft,
  kRight,
  kHome,      // the first / last piece of the focused piece's group
  kEnd,
  kPageUp,    // within the group, the farthest piece still within one view's height
  kPageDown,
};

// The focused piece by its key, and where it stood in the focus order, so that the focus goes to
// its neighbour when the piece itself is gone (the app of a focused row exited).
struct FocusState {
  std::string key;        // empty: nothing focused
  size_t position = 0;    // in the focus order when last seen
};

// Finds the focused piece in a new list: by key, else the piece now at the remembered position
// (the last when the list got shorter); nothing when no piece is focusable or nothing was
// focused. Updates the state to what it found.
std::optional<size_t> resolve_focus(std::span<const Piece> pieces, FocusState& focus);

// Moves the focus; returns the newly focused piece (also written to the state), or nothing when
// the key does not move it (an arrow outside a group, the end of a group): the page may then
// scroll instead. With nothing focused, forward moves start at the first piece and backward moves
// at the last. `view_height` is the page's visible height for Page Up/Down.
std::optional<size_t> move_focus(std::span<const Piece> pieces, FocusState& focus, FocusMove move,
                                 int32_t view_height);

// Focuses the piece with this key (a click, a reader's request); false when there is none that
// can take the focus.
bool focus_key(std::span<const Piece> pieces, FocusState& focus, const std::string& key);

// The scroll offset that shows `region` (client coordinates at scroll offset `scroll`) inside
// `view`: unchanged when it is already in view, else just enough to bring its nearer edge in
// (its top when it is taller than the view), kept within 0..max_scroll.
int32_t scroll_to_show(const Rect& region, const Rect& view, int32_t scroll, int32_t max_scroll);
// The scroll offset of its list that shows a focused piece wholly, nothing when it already shows
// (or does not scroll).
std::optional<int32_t> scroll_for_focus(const Piece& piece, int32_t max_scroll);

// The accessible children of a page are its pieces in reading order, numbered from 1 (0 stands
// for the window itself). The piece of a child number, nothing when out of range; the child number
// of a key, 0 when there is no such piece.
std::optional<size_t> piece_of_child(std::span<const Piece> pieces, int64_t child);
int32_t child_of_key(std::span<const Piece> pieces, const std::string& key);
// The piece under a client point: of those whose shown region contains it, the smallest (a row's ✕
// before the row); nothing when none does.
std::optional<size_t> piece_at(std::span<const Piece> pieces, int32_t x, int32_t y);

// Decides which system events a sample or a move raises for the focused piece, so that a reader
// announces a changing figure without being flooded.
struct FocusAnnouncer {
  std::string key;   // the piece last announced
  std::string name;  // its name when last announced
};
enum class Announcement : uint8_t { kNone, kFocus, kNameChange };
// Called once per sample and after each focus move with the focused piece (key and name, empty
// key for none): a new key is a focus event, the same key under a new name a name change,
// anything else nothing.
Announcement announce(FocusAnnouncer& announcer, const std::string& key, const std::string& name);

}  // namespace qv
