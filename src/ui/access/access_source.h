#pragma once
// What a window shows to assistive technology: the title and pieces of its current page, the
// piece with the keyboard focus, and the requests a reader makes of it.
#include <string>
#include <vector>

#include "ui/access/piece.h"

namespace qv {

// Called on the window's thread, from the window's own messages (an in-process client) or from
// COM's calls between messages (a reader in another process).
class AccessSource {
 public:
  virtual ~AccessSource() = default;
  virtual std::string title() = 0;            // the page's title: the window's accessible name
  virtual std::vector<Piece> pieces() = 0;    // the page's pieces, client coordinates
  virtual std::string focused_key() = 0;      // the piece with the keyboard focus; empty: none
  // A reader pressed the piece; false when it is gone or does nothing. Must not run a modal loop
  // inside the call: the reader waits for the answer.
  virtual bool do_default_action(const std::string& key) = 0;
  // A reader moved the focus there; false when the piece cannot take it.
  virtual bool take_focus(const std::string& key) = 0;
};

}  // namespace qv
