// Monitors and the part of each that windows may use.
#include "platform/x11/XlibHeaders.h"

#include <algorithm>
#include <cstdint>

#include "platform/x11/X11Display.h"
#include "platform/x11/X11Properties.h"

namespace platform::x11 {

std::vector<MonitorInfo> X11Display::Monitors() {
  std::vector<MonitorInfo> monitors;
  if (hasRandr_) {
    int count = 0;
    XRRMonitorInfo* list = XRRGetMonitors(dpy_, root_, True, &count);
    for (int i = 0; list && i < count; ++i) {
      MonitorInfo m;
      m.bounds = {list[i].x, list[i].y, list[i].x + list[i].width, list[i].y + list[i].height};
      m.primary = list[i].primary;
      monitors.push_back(m);
    }
    if (list) XRRFreeMonitors(list);
  }
  if (monitors.empty()) {
    MonitorInfo m;
    m.bounds = {0, 0, DisplayWidth(dpy_, screen_), DisplayHeight(dpy_, screen_)};
    monitors.push_back(m);
  }
  if (std::none_of(monitors.begin(), monitors.end(), [](const MonitorInfo& m) { return m.primary; }))
    monitors[0].primary = true;

  // The window manager publishes one work area per desktop, spanning all
  // monitors; each monitor gets its share of the current desktop's.
  std::vector<unsigned long> areas = ReadLongs(dpy_, root_, atoms_._NET_WORKAREA, XA_CARDINAL);
  size_t desktop = ReadLong(dpy_, root_, atoms_._NET_CURRENT_DESKTOP, XA_CARDINAL).value_or(0);
  if (areas.size() < (desktop + 1) * 4) desktop = 0;
  IntRect work;
  if (areas.size() >= (desktop + 1) * 4) {
    const unsigned long* a = &areas[desktop * 4];
    // Coordinates are signed 16-bit on the wire; anything larger is nonsense.
    auto coord = [](unsigned long v) { return static_cast<int>(static_cast<std::int16_t>(v & 0xFFFF)); };
    auto extent = [](unsigned long v) { return static_cast<int>(std::min(v, 0xFFFFul)); };
    int x = coord(a[0]), y = coord(a[1]);
    work = {x, y, x + extent(a[2]), y + extent(a[3])};
  }
  for (MonitorInfo& m : monitors) {
    IntRect share = Intersect(m.bounds, work);
    m.workArea = share.Width() > 0 ? share : m.bounds;
  }
  return monitors;
}

}  // namespace platform::x11
