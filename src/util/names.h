#pragma once
// The system's fixed names, each written once: window class and title, the single-instance mutex,
// the pipe, the trace session, the files beside the settings, the companion and the start-up tasks.
// They sit in the lowest layer because the program log and the start-up task (util) and the
// settings file (config) need them too.
namespace qv {

inline constexpr const wchar_t* kPanelWindowClass = L"ZelmorWnd";
// The panel window's title and the caption of our message boxes.
inline constexpr const char* kAppWebName = "quorvel.app";
inline constexpr const wchar_t* kSingleInstanceMutex = L"Local\\ZelmorSingleInstance";
inline constexpr const wchar_t* kPipeName = L"\\\\.\\pipe\\zelmor-mcp";
inline constexpr const wchar_t* kTraceSessionName = L"ZelmorTrace";
// Held by the monitor whose tracing thread runs the session; machine-wide like the session itself,
// so monitors in other user sessions see it too.
inline constexpr const wchar_t* kTraceOwnerLockName = L"Global\\ZelmorTraceOwner";

// Files in LOCALAPPDATA.
inline constexpr const wchar_t* kSettingsFileName = L"zelmor.ini";
inline constexpr const wchar_t* kProgramLogFileName = L"zelmor.log";
inline constexpr const char* kAgentLogFileName = "zelmor-agents.log";

// The AI tool's MCP server, installed beside the monitor.
inline constexpr const char* kCompanionExeName = "zelmor-mcp.exe";

// Scheduled tasks: the one we create, and the older name we also remove.
inline constexpr const char* kStartupTaskName = "Quorvel";
inline constexpr const char* kLegacyStartupTaskName = "Zelmor";

}  // namespace qv
