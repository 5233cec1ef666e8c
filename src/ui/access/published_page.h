#pragma once
// The page a window last laid out, kept for keyboard focus and for readers. The window publishes
// its title and pieces after each layout and sample; readers read this copy, so a reader's call
// never reaches into the window's state while a message holds it. What a reader asks for (press
// a piece, focus it) is queued, and the window carries it out once that call has returned.
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "ui/access/access_source.h"
#include "ui/access/focus_model.h"

namespace qv {

class PublishedPage final : public AccessSource {
 public:
  // The page as it now stands. The focus stays on the same key, or goes to the piece now in its
  // place when that one is gone; a new page (another title) starts with nothing focused.
  void publish(std::string title, std::vector<Piece> pieces);

  const std::vector<Piece>& current() const { return pieces_; }
  FocusState& focus() { return focus_; }
  // The focused piece's index in current(); nothing when none is focused.
  std::optional<size_t> focused_index();

  // Pieces a reader pressed, oldest first; taking them empties the queue.
  std::vector<std::string> take_actions();

  // Told after a reader pressed or focused a piece, so the window can post itself a message.
  std::function<void()> on_request;

  std::string title() override { return title_; }
  std::vector<Piece> pieces() override { return pieces_; }
  std::string focused_key() override { return focus_.key; }
  bool do_default_action(const std::string& key) override;
  bool take_focus(const std::string& key) override;

 private:
  std::string title_;
  std::vector<Piece> pieces_;
  FocusState focus_;
  std::vector<std::string> actions_;
};

}  // namespace qv
