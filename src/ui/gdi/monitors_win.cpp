#include "ui/gdi/monitors_win.h"

namespace qv {
namespace {

Rect from_rect(const RECT& r) { return Rect{r.left, r.top, r.right, r.bottom}; }

BOOL CALLBACK add_monitor(HMONITOR monitor, HDC, LPRECT, LPARAM param) {
  MONITORINFO info{};
  info.cbSize = sizeof info;
  if (GetMonitorInfoW(monitor, &info)) {
    reinterpret_cast<std::vector<MonitorArea>*>(param)->push_back(
        MonitorArea{from_rect(info.rcMonitor), from_rect(info.rcWork)});
  }
  return TRUE;
}

}  // namespace

std::vector<MonitorArea> monitor_areas() {
  std::vector<MonitorArea> areas;
  EnumDisplayMonitors(nullptr, nullptr, &add_monitor, reinterpret_cast<LPARAM>(&areas));
  return areas;
}

}  // namespace qv
