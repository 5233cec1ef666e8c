#pragma once
// Start-up, the message loop and the command-line options.
namespace qv {

// Runs the whole program; returns the process exit code.
int run_app(int argc, wchar_t** argv);

}  // namespace qv
