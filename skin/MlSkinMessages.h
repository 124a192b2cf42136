#pragma once
// The skin's private window messages, shared by the skinned form, its
// caption-bar items and the skinned controls.
#include "framework/windows/Messages.h"

enum : UINT {
  MLM_PARENTMOVED = WM_USER + 2001,   // the parent moved: take the background anew
  MLM_NCPAINT = WM_USER + 2003,       // repaint the non-client area now
  MLM_SKINCHANGED = WM_USER + 2004,   // rebuild the background and refresh everything
  MLM_RELOADSKIN = WM_USER + 2005,    // re-read the settings of the form's SkinRes
  MLM_ADDNCCTRL = WM_USER + 2006,     // register the caption-bar item in WParam
  MLM_REMOVENCCTRL = WM_USER + 2007,  // unregister and free the caption-bar item in WParam
  MLM_MENUCLOSED = 0xCB59,            // a popup menu of the caption-bar menu has closed
};
