#pragma once
// Every X header the backend uses, included in one place: Xlib defines
// macros that share names with the display interface (CursorShape, Expose,
// FocusIn, FocusOut), so they are turned into constants here and undefined.
#include <X11/XF86keysym.h>
#include <X11/XKBlib.h>
#include <X11/Xatom.h>
#include <X11/Xcursor/Xcursor.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/cursorfont.h>
#include <X11/extensions/XShm.h>
#include <X11/extensions/Xrandr.h>
#include <X11/extensions/shape.h>
#include <X11/keysym.h>

namespace platform::x11 {
// The connection type; within namespace platform the name Display is taken.
using XDisplay = ::Display;
inline constexpr int kXExpose = Expose;
inline constexpr int kXFocusIn = FocusIn;
inline constexpr int kXFocusOut = FocusOut;
}  // namespace platform::x11

#undef CursorShape
#undef Expose
#undef FocusIn
#undef FocusOut
