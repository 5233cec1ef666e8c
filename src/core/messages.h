#pragma once
// Messages the workers and the shell post to the panel window (WM_APP is 0x8000).
namespace qv {

inline constexpr unsigned kWmTray = 0x8000 + 1;           // tray icon callback
inline constexpr unsigned kWmSample = 0x8000 + 2;         // a new Snapshot was published
inline constexpr unsigned kWmNotifyQueued = 0x8000 + 3;   // the notification queue is not empty

}  // namespace qv
