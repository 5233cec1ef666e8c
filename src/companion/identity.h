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

// What the system told us about who serves the pipe. A fact is absent where the call that gives
// it does not exist on this system; a call that exists and fails is recorded in `failed`.
struct ServerFacts {
  std::optional<uint32_t> process_id;
  std::optional<bool> same_session;   // the pipe's server runs in our logon session
  std::optional<bool> owner_trusted;  // the pipe object's owner is our user, our token's default owner or the Administrators group
  bool process_denied = false;        // opening the serving process was refused
  std::optional<std::string> image_path;  // full path of its executable, when it could be opened
  std::optional<bool> same_user;          // its token's user is ours (unreadable for an elevated monitor)
  std::string failed;                     // which query failed and how; empty when none did
};

struct ServerVerdict {
  enum class Kind { kTrusted, kRefused, kUnverified };
  Kind kind = Kind::kUnverified;
  std::string reason;  // for stderr and, when refused, for the model
};

// The monitor is trusted only when the pipe is served from our own session, the pipe object
// belongs to our user (or to the Administrators group, the owner an elevated process gives its
// objects) and, where the process can be read, it is the monitor installed in `own_folder`, the
// folder this companion runs from. Whatever fails or is denied is a refusal: another user's
// process is exactly the one we cannot open. Only a call the system does not have at all lets the
// request through unverified.
ServerVerdict judge_server(const ServerFacts& facts, std::string_view own_folder);

// The folder part of a Windows path, without the final separator ("C:\a\b.exe" gives "C:\a").
std::string folder_of(std::string_view path);

}  // namespace qv::companion
