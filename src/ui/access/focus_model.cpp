#include "ui/access/focus_model.h"

#include <algorithm>
#include <numeric>

namespace qv {
namespace {

int64_t centre_y(const Rect& r) { return (static_cast<int64_t>(r.top) + r.bottom) / 2; }

// Where a piece stands on the unscrolled page.
Rect page_place(const Piece& p) {
  if (!p.band) return p.region;
  const int32_t dy = p.band->scroll;
  return Rect{p.region.left, p.region.top + dy, p.region.right, p.region.bottom + dy};
}

bool can_focus(const Piece& p) {
  return (p.state & piece_state::kFocusable) != 0 && (p.state & piece_state::kUnavailable) == 0;
}

std::optional<size_t> position_of(const std::vector<size_t>& order, std::span<const Piece> pieces,
                                  const std::string& key) {
  if (key.empty()) return std::nullopt;
  for (size_t i = 0; i < order.size(); ++i) {
    if (pieces[order[i]].key == key) return i;
  }
  return std::nullopt;
}

size_t take(std::span<const Piece> pieces, const std::vector<size_t>& order, FocusState& focus, size_t position) {
  focus.key = pieces[order[position]].key;
  focus.position = position;
  return order[position];
}

// Positions (in the focus order) of the pieces in the group of the piece at `position`.
std::vector<size_t> group_members(std::span<const Piece> pieces, const std::vector<size_t>& order, size_t position) {
  std::vector<size_t> members;
  const std::string& group = pieces[order[position]].group;
  if (group.empty()) return members;
  for (size_t i = 0; i < order.size(); ++i) {
    if (pieces[order[i]].group == group) members.push_back(i);
  }
  return members;
}

// The farthest member in direction `step` whose region still fits within one view's height
// measured from the current piece; at least the next member.
std::optional<size_t> page_target(std::span<const Piece> pieces, const std::vector<size_t>& order,
                                  const std::vector<size_t>& members, size_t j, bool down, int32_t view_height) {
  const Rect& from = pieces[order[members[j]]].region;
  std::optional<size_t> target;
  if (down) {
    for (size_t k = j + 1; k < members.size(); ++k) {
      const Rect& r = pieces[order[members[k]]].region;
      if (!target || static_cast<int64_t>(r.bottom) - from.top <= view_height) target = k;
      else break;
    }
  } else {
    for (size_t k = j; k-- > 0;) {
      const Rect& r = pieces[order[members[k]]].region;
      if (!target || static_cast<int64_t>(from.bottom) - r.top <= view_height) target = k;
      else break;
    }
  }
  if (!target) return std::nullopt;
  return members[*target];
}

}  // namespace

Rect shown_region(const Piece& piece) {
  if (!piece.band) return piece.region;
  const Rect cut{piece.region.left, std::max(piece.region.top, piece.band->top), piece.region.right,
                 std::min(piece.region.bottom, piece.band->bottom)};
  if (cut.top >= cut.bottom) return Rect{};
  return cut;
}

std::vector<size_t> reading_order(std::span<const Piece> pieces) {
  std::vector<Rect> places;
  places.reserve(pieces.size());
  for (const Piece& p : pieces) places.push_back(page_place(p));
  std::vector<size_t> by_top(pieces.size());
  std::iota(by_top.begin(), by_top.end(), size_t{0});
  std::stable_sort(by_top.begin(), by_top.end(), [&](size_t a, size_t b) {
    const Rect& ra = places[a];
    const Rect& rb = places[b];
    return ra.top != rb.top ? ra.top < rb.top : ra.left < rb.left;
  });
  std::vector<size_t> order;
  order.reserve(pieces.size());
  size_t line_start = 0;
  const auto close_line = [&](size_t end) {
    std::stable_sort(by_top.begin() + static_cast<std::ptrdiff_t>(line_start),
                     by_top.begin() + static_cast<std::ptrdiff_t>(end), [&](size_t a, size_t b) {
                       const Rect& ra = places[a];
                       const Rect& rb = places[b];
                       return ra.left != rb.left ? ra.left < rb.left : ra.top < rb.top;
                     });
    order.insert(order.end(), by_top.begin() + static_cast<std::ptrdiff_t>(line_start),
                 by_top.begin() + static_cast<std::ptrdiff_t>(end));
    line_start = end;
  };
  for (size_t i = 1; i < by_top.size(); ++i) {
    const Rect& anchor = places[by_top[line_start]];
    const int64_t c = centre_y(places[by_top[i]]);
    if (c < anchor.top || c >= anchor.bottom) close_line(i);
  }
  if (!by_top.empty()) close_line(by_top.size());
  return order;
}

std::vector<size_t> focus_order(std::span<const Piece> pieces) {
  std::vector<size_t> order = reading_order(pieces);
  std::erase_if(order, [&](size_t i) { return !can_focus(pieces[i]); });
  return order;
}

std::optional<size_t> resolve_focus(std::span<const Piece> pieces, FocusState& focus) {
  if (focus.key.empty()) return std::nullopt;
  const std::vector<size_t> order = focus_order(pieces);
  if (order.empty()) {
    focus = FocusState{};
    return std::nullopt;
  }
  if (const auto at = position_of(order, pieces, focus.key)) return take(pieces, order, focus, *at);
  return take(pieces, order, focus, std::min(focus.position, order.size() - 1));
}

std::optional<size_t> move_focus(std::span<const Piece> pieces, FocusState& focus, FocusMove move,
                                 int32_t view_height) {
  const std::vector<size_t> order = focus_order(pieces);
  if (order.empty()) return std::nullopt;
  const size_t n = order.size();
  const bool backwards = move == FocusMove::kPrevious || move == FocusMove::kUp || move == FocusMove::kLeft ||
                         move == FocusMove::kEnd || move == FocusMove::kPageUp;
  if (!resolve_focus(pieces, focus)) return take(pieces, order, focus, backwards ? n - 1 : 0);
  const size_t pos = focus.position;
  if (move == FocusMove::kNext) return take(pieces, order, focus, (pos + 1) % n);
  if (move == FocusMove::kPrevious) return take(pieces, order, focus, (pos + n - 1) % n);

  const std::vector<size_t> members = group_members(pieces, order, pos);
  if (members.empty()) return std::nullopt;
  const size_t j = static_cast<size_t>(std::find(members.begin(), members.end(), pos) - members.begin());
  std::optional<size_t> target;
  switch (move) {
    case FocusMove::kUp:
    case FocusMove::kLeft:
      if (j > 0) target = members[j - 1];
      break;
    case FocusMove::kDown:
    case FocusMove::kRight:
      if (j + 1 < members.size()) target = members[j + 1];
      break;
    case FocusMove::kHome:
      target = members.front();
      break;
    case FocusMove::kEnd:
      target = members.back();
      break;
    case FocusMove::kPageUp:
      target = page_target(pieces, order, members, j, false, view_height);
      break;
    case FocusMove::kPageDown:
      target = page_target(pieces, order, members, j, true, view_height);
      break;
    default:
      break;
  }
  if (!target || *target == pos) return std::nullopt;
  return take(pieces, order, focus, *target);
}

bool focus_key(std::span<const Piece> pieces, FocusState& focus, const std::string& key) {
  const std::vector<size_t> order = focus_order(pieces);
  const auto at = position_of(order, pieces, key);
  if (!at) return false;
  take(pieces, order, focus, *at);
  return true;
}

int32_t scroll_to_show(const Rect& region, const Rect& view, int32_t scroll, int32_t max_scroll) {
  int64_t next = scroll;
  if (region.top < view.top || region.height() > view.height()) {
    next = static_cast<int64_t>(scroll) + region.top - view.top;
  } else if (region.bottom > view.bottom) {
    next = static_cast<int64_t>(scroll) + region.bottom - view.bottom;
  }
  next = std::clamp<int64_t>(next, 0, std::max(max_scroll, 0));
  return static_cast<int32_t>(next);
}

std::optional<int32_t> scroll_for_focus(const Piece& piece, int32_t max_scroll) {
  if (!piece.band) return std::nullopt;
  const ScrollBand& band = *piece.band;
  const Rect view{piece.region.left, band.top, piece.region.right, band.bottom};
  const int32_t next = scroll_to_show(piece.region, view, band.scroll, max_scroll);
  if (next == band.scroll) return std::nullopt;
  return next;
}

std::optional<size_t> piece_of_child(std::span<const Piece> pieces, int64_t child) {
  if (child < 1 || static_cast<uint64_t>(child) > pieces.size()) return std::nullopt;
  return reading_order(pieces)[static_cast<size_t>(child - 1)];
}

int32_t child_of_key(std::span<const Piece> pieces, const std::string& key) {
  if (key.empty()) return 0;
  const std::vector<size_t> order = reading_order(pieces);
  for (size_t i = 0; i < order.size(); ++i) {
    if (pieces[order[i]].key == key) return static_cast<int32_t>(i + 1);
  }
  return 0;
}

std::optional<size_t> piece_at(std::span<const Piece> pieces, int32_t x, int32_t y) {
  std::optional<size_t> best;
  int64_t best_area = 0;
  for (size_t i = 0; i < pieces.size(); ++i) {
    const Rect r = shown_region(pieces[i]);
    if (!r.contains(x, y)) continue;
    const int64_t area = static_cast<int64_t>(r.width()) * r.height();
    if (!best || area < best_area) {
      best = i;
      best_area = area;
    }
  }
  return best;
}

Announcement announce(FocusAnnouncer& announcer, const std::string& key, const std::string& name) {
  if (key != announcer.key) {
    announcer.key = key;
    announcer.name = name;
    return key.empty() ? Announcement::kNone : Announcement::kFocus;
  }
  if (key.empty() || name == announcer.name) return Announcement::kNone;
  announcer.name = name;
  return Announcement::kNameChange;
}

}  // namespace qv
