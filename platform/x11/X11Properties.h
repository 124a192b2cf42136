#pragma once
// Reading and writing window properties of 32-bit items (CARDINAL, ATOM,
// WINDOW), which Xlib hands over as arrays of long.
#include "platform/x11/XlibHeaders.h"

#include <optional>
#include <string>
#include <vector>

namespace platform::x11 {

// The items of a format-32 property of the given type; empty when it is
// missing, of another type or format, or the window is gone.
std::vector<unsigned long> ReadLongs(XDisplay* dpy, Window w, Atom property, Atom type);
std::optional<unsigned long> ReadLong(XDisplay* dpy, Window w, Atom property, Atom type);

void WriteLongs(XDisplay* dpy, Window w, Atom property, Atom type, const std::vector<unsigned long>& items);
void WriteText(XDisplay* dpy, Window w, Atom property, Atom type, const std::string& bytes);

}  // namespace platform::x11
