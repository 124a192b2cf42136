#pragma once
// The popup list that lets the active skinned form know when a popup menu of
// its caption-bar menu closes, and the requests that put it in place of the
// framework's list for as long as any caption-bar menu needs it.
#include "framework/controls/Menus.h"

enum : UINT {
  MLM_MENUENTERLOOP = 0xCB5A,  // a menu loop began
  MLM_MENUEXITLOOP = 0xCB5B,   // a menu loop ended
};

class TPopupListEx : public TPopupList {
 protected:
  // Forwards the menu's end (MLM_MENUCLOSED), the loop's start and end to
  // the active form, then does what the framework's list does.
  void WndProc(TMessage& m) override;
};

// The first request installs the extended list (taking over the popup menus
// the framework's list has); the last release puts the framework's back.
void RequestPopupListEx();
void ReleasePopupListEx();
