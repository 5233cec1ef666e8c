#pragma once
// Who this companion is to the monitor (its session and label), and who the monitor must be to
// this companion (the image and user serving the pipe).
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace qv::companion {

// The last component of a Windows path ("C:\src\game\" gives "game"; a drive root gives "C:").
std::string folder_label(std::string_view path);

// An id that stays the same for this process's life and differs between companions running at
// once (process id) and between companions that reuse a process id (start time).
std::string session_id(uint32_t process_id, uint64_t start_unix_ms);

// What the system told us about the process serving the pipe. Each fact is absent when the
// system could not answer.
struct ServerFacts {
  std::optional<uint32_t> process_id;
  std::optional<std::string> image_path;  // full path of its executable
  std::optional<bool> same_user;          // its token's user is ours
};

struct ServerVerdict {
  enum class Kind { kTrusted, kRefused, kUnverified };
  Kind kind = Kind::kUnverified;
  std::string reason;  // for stderr and, when refused, for the model
};

// A server known to run another image or under another user is refused; one the system cannot
// tell us about is let through with a warning (the pipe's own access list still admits only the
// user, the system and administrators).
ServerVerdict judge_server(const ServerFacts& facts);

}  // namespace qv::companion
