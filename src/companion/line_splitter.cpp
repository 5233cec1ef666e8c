#include "companion/line_splitter.h"

namespace qv::companion {
namespace {

InputLine complete(std::string& pending, bool& overflow) {
  InputLine line;
  line.too_long = overflow;
  if (!overflow) {
    if (!pending.empty() && pending.back() == '\r') pending.pop_back();
    line.text = std::move(pending);
  }
  pending.clear();
  overflow = false;
  return line;
}

}  // namespace

std::vector<InputLine> LineSplitter::feed(std::string_view bytes) {
  std::vector<InputLine> lines;
  while (!bytes.empty()) {
    const size_t nl = bytes.find('\n');
    const std::string_view part = bytes.substr(0, nl);
    if (!overflow_) {
      if (pending_.size() + part.size() > max_) {
        overflow_ = true;
        pending_.clear();
        pending_.shrink_to_fit();
      } else {
        pending_.append(part);
      }
    }
    if (nl == std::string_view::npos) break;
    lines.push_back(complete(pending_, overflow_));
    bytes.remove_prefix(nl + 1);
  }
  return lines;
}

std::vector<InputLine> LineSplitter::finish() {
  if (pending_.empty() && !overflow_) return {};
  return {complete(pending_, overflow_)};
}

}  // namespace qv::companion
