#include "ui/access/published_page.h"

#include <utility>

namespace qv {

void PublishedPage::publish(std::string title, std::vector<Piece> pieces) {
  if (title != title_) focus_ = FocusState{};
  title_ = std::move(title);
  pieces_ = std::move(pieces);
  resolve_focus(pieces_, focus_);
}

std::optional<size_t> PublishedPage::focused_index() { return resolve_focus(pieces_, focus_); }

std::vector<std::string> PublishedPage::take_actions() { return std::exchange(actions_, {}); }

bool PublishedPage::do_default_action(const std::string& key) {
  for (const Piece& p : pieces_) {
    if (p.key != key) continue;
    if (p.default_action.empty() || (p.state & piece_state::kUnavailable)) return false;
    actions_.push_back(key);
    if (on_request) on_request();
    return true;
  }
  return false;
}

bool PublishedPage::take_focus(const std::string& key) {
  if (!focus_key(pieces_, focus_, key)) return false;
  if (on_request) on_request();
  return true;
}

}  // namespace qv
