// The screen: its monitors and its cursors.
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

int TScreen::Cursors(TCursor Cursor) const {
  switch (Cursor) {
    case crCross: return IDC_CROSS;
    case crIBeam: return IDC_IBEAM;
    case crSizeNESW: return IDC_SIZENESW;
    case crSizeNS: return IDC_SIZENS;
    case crSizeNWSE: return IDC_SIZENWSE;
    case crSizeWE: return IDC_SIZEWE;
    case crUpArrow: return IDC_UPARROW;
    case crHourGlass: return IDC_WAIT;
    case crNo: return IDC_NO;
    case crAppStart: return IDC_APPSTARTING;
    case crHelp: return IDC_HELP;
    case crHandPoint: return IDC_HAND;
    case crSizeAll: return IDC_SIZEALL;
    default: return IDC_ARROW;
  }
}
