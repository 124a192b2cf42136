// The screen and its monitors.
#include "framework/controls/Forms.h"

TScreen* Screen = nullptr;

RECT TMonitor::BoundsRect() const {
  MONITORINFO mi;
  return GetMonitorInfo(Handle, &mi) ? mi.rcMonitor : RECT{};
}
RECT TMonitor::WorkareaRect() const {
  MONITORINFO mi;
  return GetMonitorInfo(Handle, &mi) ? mi.rcWork : RECT{};
}
bool TMonitor::Primary() const {
  MONITORINFO mi;
  return GetMonitorInfo(Handle, &mi) && (mi.dwFlags & MONITORINFOF_PRIMARY);
}

void TScreen::Refresh() {
  std::vector<HMONITOR> hs = EnumDisplayMonitors();
  monitors_.resize(hs.size());
  for (size_t i = 0; i < hs.size(); ++i) {
    if (!monitors_[i]) monitors_[i] = std::make_unique<TMonitor>();
    monitors_[i]->Handle = hs[i];
    monitors_[i]->MonitorNum = static_cast<int>(i);
  }
}
int TScreen::Width() const { return GetSystemMetrics(SM_CXSCREEN); }
int TScreen::Height() const { return GetSystemMetrics(SM_CYSCREEN); }
RECT TScreen::WorkAreaRect() const { return GetWorkArea(); }
RECT TScreen::DesktopRect() const {
  RECT all{};
  for (HMONITOR m : EnumDisplayMonitors()) {
    MONITORINFO mi;
    if (GetMonitorInfo(m, &mi)) all = UnionRect(all, mi.rcMonitor);
  }
  return all;
}
int TScreen::MonitorCount() const { return static_cast<int>(EnumDisplayMonitors().size()); }
TMonitor* TScreen::Monitors(int i) {
  Refresh();
  return i >= 0 && i < static_cast<int>(monitors_.size()) ? monitors_[static_cast<size_t>(i)].get() : nullptr;
}
TMonitor* TScreen::MonitorFromWindow(HWND h) {
  Refresh();
  HMONITOR m = ::MonitorFromWindow(h, MONITOR_DEFAULTTONEAREST);
  for (auto& mon : monitors_)
    if (mon->Handle == m) return mon.get();
  return monitors_.empty() ? nullptr : monitors_[0].get();
}
