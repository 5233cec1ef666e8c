#pragma once
// The program log: zelmor.log beside the settings file, one line per event.
#include <optional>
#include <string>
#include <string_view>

namespace qv {

// The LOCALAPPDATA directory as UTF-8, or nothing when the variable is not set.
std::optional<std::wstring> local_app_data_dir();

// Appends one line. Never fails visibly; safe from any thread, lines whole and in order.
void log_line(std::string_view text);

// Opens `path` for appending (created if missing, shared with every other opener), writes
// `bytes` and closes it again, so the user can move, read or delete the file meanwhile. Appends
// by this process's threads to one file go one at a time; appends to other files do not wait.
// Before an append would take the file past the log cap, the file is renamed to PATH.1 (replacing
// an older one) and a new file is begun. Returns 0, or the error that kept it from opening.
unsigned long append_to_file(const std::wstring& path, std::string_view bytes);

// Routes panics on every thread to the program log and ends the process at once.
void install_panic_hook();
// std::set_terminate is per thread under some runtimes: every thread calls this first.
void install_thread_panic_hook();
// Best-effort work for the panic path, after its log line and before the process ends (the
// machine-wide trace session would otherwise outlive the process). Runs at most once.
void set_panic_cleanup(void (*cleanup)());

// The system's text for an error code, without the trailing line break.
std::string system_error_text(unsigned long code);

}  // namespace qv
