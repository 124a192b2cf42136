#pragma once
// The atoms the backend uses, interned in one round trip when it opens.
#include "platform/x11/XlibHeaders.h"

namespace platform::x11 {

struct Atoms {
  Atom WM_PROTOCOLS, WM_DELETE_WINDOW, WM_STATE, WM_CHANGE_STATE, UTF8_STRING;
  Atom _NET_WM_NAME, _NET_WM_ICON, _NET_WM_PID, _NET_WM_PING, _NET_WM_USER_TIME;
  Atom _NET_WM_WINDOW_TYPE, _NET_WM_WINDOW_TYPE_NORMAL, _NET_WM_WINDOW_TYPE_UTILITY,
      _NET_WM_WINDOW_TYPE_POPUP_MENU;
  Atom _NET_WM_STATE, _NET_WM_STATE_SKIP_TASKBAR, _NET_WM_STATE_SKIP_PAGER, _NET_WM_STATE_HIDDEN;
  Atom _NET_WM_WINDOW_OPACITY, _NET_WM_MOVERESIZE, _NET_ACTIVE_WINDOW;
  Atom _NET_SUPPORTED, _NET_SUPPORTING_WM_CHECK, _NET_WORKAREA, _NET_CURRENT_DESKTOP;
  Atom _MOTIF_WM_HINTS;

  void Intern(XDisplay* dpy);
};

}  // namespace platform::x11
