#pragma once
// Cuts the bytes read from stdin into lines, bounding how much one line may hold.
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace qv::companion {

// A line longer than this is dropped whole; the client is told once the line ends. The longest
// valid request (a notification or agent list of the monitor's 1 MiB, every byte written as a
// six-byte escape) fits with room; parsing one line costs many times its size in memory.
inline constexpr size_t kMaxLineBytes = 8u << 20;

struct InputLine {
  std::string text;      // without the line feed or a carriage return before it
  bool too_long = false;  // the text was dropped
};

class LineSplitter {
 public:
  explicit LineSplitter(size_t max_bytes = kMaxLineBytes) : max_(max_bytes) {}
  // The lines completed by `bytes`.
  std::vector<InputLine> feed(std::string_view bytes);
  // At end of input: a last line without a line feed, if any.
  std::vector<InputLine> finish();

 private:
  size_t max_;
  std::string pending_;
  bool overflow_ = false;
};

}  // namespace qv::companion
