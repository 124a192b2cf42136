#include "platform/x11/X11Atoms.h"

#include <iterator>

namespace platform::x11 {

void Atoms::Intern(XDisplay* dpy) {
  // The names and the members are listed in the same order.
  static const char* const kNames[] = {
      "WM_PROTOCOLS", "WM_DELETE_WINDOW", "WM_STATE", "WM_CHANGE_STATE", "UTF8_STRING",
      "_NET_WM_NAME", "_NET_WM_ICON", "_NET_WM_PID", "_NET_WM_PING", "_NET_WM_USER_TIME",
      "_NET_WM_WINDOW_TYPE", "_NET_WM_WINDOW_TYPE_NORMAL", "_NET_WM_WINDOW_TYPE_UTILITY",
      "_NET_WM_WINDOW_TYPE_POPUP_MENU",
      "_NET_WM_STATE", "_NET_WM_STATE_SKIP_TASKBAR", "_NET_WM_STATE_SKIP_PAGER", "_NET_WM_STATE_HIDDEN",
      "_NET_WM_WINDOW_OPACITY", "_NET_WM_MOVERESIZE", "_NET_ACTIVE_WINDOW",
      "_NET_SUPPORTED", "_NET_SUPPORTING_WM_CHECK", "_NET_WORKAREA", "_NET_CURRENT_DESKTOP",
      "_MOTIF_WM_HINTS",
  };
  Atom* const members[] = {
      &WM_PROTOCOLS, &WM_DELETE_WINDOW, &WM_STATE, &WM_CHANGE_STATE, &UTF8_STRING,
      &_NET_WM_NAME, &_NET_WM_ICON, &_NET_WM_PID, &_NET_WM_PING, &_NET_WM_USER_TIME,
      &_NET_WM_WINDOW_TYPE, &_NET_WM_WINDOW_TYPE_NORMAL, &_NET_WM_WINDOW_TYPE_UTILITY,
      &_NET_WM_WINDOW_TYPE_POPUP_MENU,
      &_NET_WM_STATE, &_NET_WM_STATE_SKIP_TASKBAR, &_NET_WM_STATE_SKIP_PAGER, &_NET_WM_STATE_HIDDEN,
      &_NET_WM_WINDOW_OPACITY, &_NET_WM_MOVERESIZE, &_NET_ACTIVE_WINDOW,
      &_NET_SUPPORTED, &_NET_SUPPORTING_WM_CHECK, &_NET_WORKAREA, &_NET_CURRENT_DESKTOP,
      &_MOTIF_WM_HINTS,
  };
  static_assert(std::size(kNames) == std::size(members));
  Atom values[std::size(kNames)] = {};
  XInternAtoms(dpy, const_cast<char**>(kNames), static_cast<int>(std::size(kNames)), False, values);
  for (size_t i = 0; i < std::size(kNames); ++i) *members[i] = values[i];
}

}  // namespace platform::x11
