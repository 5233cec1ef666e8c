#pragma once
// The fixed names the companion shares with the monitor: the pipe it talks to and the image that
// must be serving it.
namespace qv::companion {

inline constexpr const char* kPipeName = "\\\\.\\pipe\\zelmor-mcp";
inline constexpr const char* kMonitorImage = "quorvel.exe";
// The monitor drops a request message larger than this instead of answering it.
inline constexpr unsigned long kPipeRequestLimitBytes = 1ul << 20;

}  // namespace qv::companion
