#pragma once
// Stopping our real-time trace session by name (it outlives the process otherwise).
namespace qv {

inline constexpr const wchar_t* kTraceSessionName = L"ZelmorTrace";
bool stop_trace_session();

}  // namespace qv
