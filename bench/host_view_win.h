#pragma once
// The host's view of processes running under Wine, read through Wine's drive Z: (the host's
// root). Under Wine the system's own answers about another process are empty (no processor
// times, no private bytes), so the benchmarks read the host's /proc instead.
#include <string>
#include <vector>

namespace qv::bench {

struct HostView {
  bool found = false;
  double cpu_s = 0;         // run time of all its threads (schedstat, nanosecond resolution)
  double resident_mb = 0;   // VmRSS
  double anonymous_mb = 0;  // RssAnon: heap, stacks and other private pages
  // From smaps: pages no other process shares, anonymous ones and private dirty ones (a
  // library's pages that this process wrote to, such as relocations) alike.
  double private_mb = 0;
};

bool under_wine();

// The newest host process whose command line starts with `exe` (Wine writes the program's full
// path into the first argument), with its figures; smaps is read only when `with_private`.
HostView host_view(const std::wstring& exe, bool with_private = false);
// The same for the process in `dir` (Z:\proc\PID); not found when `dir` is empty.
HostView host_view_of_dir(const std::wstring& dir, bool with_private = false);

// The host directories (Z:\proc\PID) of this prefix's wine server and its desktop process
// (explorer), found by the WINEPREFIX in their environment; empty when not found.
struct WineHelpers {
  std::wstring server;
  std::wstring explorer;
};
WineHelpers wine_helpers();

// Processor seconds of every thread of the process in `dir` (Z:\proc\PID).
double host_cpu_s(const std::wstring& dir);

// Z:\proc\PID of the newest process whose command line starts with `exe`; empty when none.
std::wstring host_dir_of(const std::wstring& exe);

// Z:\proc\PID of this very process (its file name, in this prefix, the newest); empty when none.
std::wstring host_dir_of_self();

}  // namespace qv::bench
