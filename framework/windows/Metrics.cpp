// System metrics, the monitors and their work areas.
#include <array>

#include "framework/windows/WindowRecord.h"

namespace {

std::array<HMONITOR_, 16> g_monitors;

std::vector<platform::MonitorInfo> Monitors() {
  if (platform::DisplayBackend* d = platform::Display()) {
    std::vector<platform::MonitorInfo> m = d->Monitors();
    if (!m.empty()) return m;
  }
  platform::MonitorInfo m;
  m.bounds = m.workArea = {0, 0, 1024, 768};
  m.primary = true;
  return {m};
}

int IndexOf(HMONITOR m) {
  for (size_t i = 0; i < g_monitors.size(); ++i)
    if (&g_monitors[i] == m) return static_cast<int>(i);
  return -1;
}

RECT ToRect(const platform::IntRect& r) { return {r.left, r.top, r.right, r.bottom}; }

int PrimaryIndex(const std::vector<platform::MonitorInfo>& ms) {
  for (size_t i = 0; i < ms.size(); ++i)
    if (ms[i].primary) return static_cast<int>(i);
  return 0;
}

}  // namespace

std::vector<HMONITOR> EnumDisplayMonitors() {
  std::vector<HMONITOR> out;
  size_t n = std::min(Monitors().size(), g_monitors.size());
  for (size_t i = 0; i < n; ++i) out.push_back(&g_monitors[i]);
  return out;
}

BOOL GetMonitorInfo(HMONITOR m, MONITORINFO* info) {
  std::vector<platform::MonitorInfo> ms = Monitors();
  int i = IndexOf(m);
  if (i < 0 || i >= static_cast<int>(ms.size()) || !info) return 0;
  info->rcMonitor = ToRect(ms[static_cast<size_t>(i)].bounds);
  info->rcWork = ToRect(ms[static_cast<size_t>(i)].workArea);
  info->dwFlags = ms[static_cast<size_t>(i)].primary ? MONITORINFOF_PRIMARY : 0;
  return 1;
}

HMONITOR MonitorFromPoint(POINT p, DWORD flags) {
  std::vector<platform::MonitorInfo> ms = Monitors();
  for (size_t i = 0; i < ms.size() && i < g_monitors.size(); ++i)
    if (ToRect(ms[i].bounds).Contains(p.x, p.y)) return &g_monitors[i];
  if (flags == MONITOR_DEFAULTTONULL) return nullptr;
  if (flags == MONITOR_DEFAULTTONEAREST) {
    long best = -1;
    size_t bi = 0;
    for (size_t i = 0; i < ms.size() && i < g_monitors.size(); ++i) {
      RECT r = ToRect(ms[i].bounds);
      long dx = p.x < r.left ? r.left - p.x : p.x >= r.right ? p.x - r.right + 1 : 0;
      long dy = p.y < r.top ? r.top - p.y : p.y >= r.bottom ? p.y - r.bottom + 1 : 0;
      long d = dx * dx + dy * dy;
      if (best < 0 || d < best) best = d, bi = i;
    }
    return &g_monitors[bi];
  }
  return &g_monitors[static_cast<size_t>(PrimaryIndex(ms))];
}

HMONITOR MonitorFromWindow(HWND hwnd, DWORD flags) {
  if (!Rec(hwnd)) return flags == MONITOR_DEFAULTTONULL ? nullptr : MonitorFromPoint({0, 0}, MONITOR_DEFAULTTOPRIMARY);
  RECT r = ScreenRectOf(hwnd);
  return MonitorFromPoint({(r.left + r.right) / 2, (r.top + r.bottom) / 2}, flags);
}

RECT GetWorkArea() {
  std::vector<platform::MonitorInfo> ms = Monitors();
  return ToRect(ms[static_cast<size_t>(PrimaryIndex(ms))].workArea);
}

static platform::DoubleClickLimits DoubleClick() {
  if (platform::DisplayBackend* d = platform::Display()) return d->DoubleClick();
  return {};
}

UINT GetDoubleClickTime() { return static_cast<UINT>(DoubleClick().timeMs); }

int GetSystemMetrics(int index) {
  switch (index) {
    case SM_CXSCREEN: case SM_CYSCREEN: {
      std::vector<platform::MonitorInfo> ms = Monitors();
      const platform::IntRect& b = ms[static_cast<size_t>(PrimaryIndex(ms))].bounds;
      return index == SM_CXSCREEN ? b.Width() : b.Height();
    }
    case SM_CXVSCROLL: return 17;
    case SM_CYCAPTION: return 22;
    case SM_CXBORDER: case SM_CYBORDER: return 1;
    case SM_CXDLGFRAME: case SM_CYDLGFRAME: return 3;
    case SM_CXFRAME: case SM_CYFRAME: return 4;
    case SM_CXICON: case SM_CYICON: return 32;
    case SM_CXSMICON: case SM_CYSMICON: return 16;
    case SM_CXMINTRACK: return 136;
    case SM_CYMINTRACK: return 39;
    case SM_CXDOUBLECLK: return DoubleClick().width;
    case SM_CYDOUBLECLK: return DoubleClick().height;
    case SM_CXMAXIMIZED: return GetWorkArea().Width() + 8;
    case SM_CYMAXIMIZED: return GetWorkArea().Height() + 8;
    case SM_CMONITORS: return static_cast<int>(Monitors().size());
    default: return 0;
  }
}
