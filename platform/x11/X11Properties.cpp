#include "platform/x11/X11Properties.h"

#include "platform/x11/X11ErrorTrap.h"

namespace platform::x11 {

std::vector<unsigned long> ReadLongs(XDisplay* dpy, Window w, Atom property, Atom type) {
  std::vector<unsigned long> items;
  // The window may belong to another client and vanish at any moment.
  ErrorTrap trap(dpy);
  Atom actualType = None;
  int format = 0;
  unsigned long count = 0, after = 0;
  unsigned char* data = nullptr;
  // 64K items is far more than any property read here may hold.
  int status = XGetWindowProperty(dpy, w, property, 0, 65536, False, type, &actualType, &format, &count, &after,
                                  &data);
  if (status == Success && data && actualType == type && format == 32) {
    // Xlib widens each 32-bit item to a long with its sign extended.
    const auto* longs = reinterpret_cast<const unsigned long*>(data);
    for (unsigned long i = 0; i < count; ++i) items.push_back(longs[i] & 0xFFFFFFFFul);
  }
  if (data) XFree(data);
  if (trap.Failed()) items.clear();
  return items;
}

std::optional<unsigned long> ReadLong(XDisplay* dpy, Window w, Atom property, Atom type) {
  std::vector<unsigned long> items = ReadLongs(dpy, w, property, type);
  if (items.empty()) return std::nullopt;
  return items[0];
}

void WriteLongs(XDisplay* dpy, Window w, Atom property, Atom type, const std::vector<unsigned long>& items) {
  XChangeProperty(dpy, w, property, type, 32, PropModeReplace, reinterpret_cast<const unsigned char*>(items.data()),
                  static_cast<int>(items.size()));
}

void WriteText(XDisplay* dpy, Window w, Atom property, Atom type, const std::string& bytes) {
  XChangeProperty(dpy, w, property, type, 8, PropModeReplace, reinterpret_cast<const unsigned char*>(bytes.data()),
                  static_cast<int>(bytes.size()));
}

}  // namespace platform::x11
