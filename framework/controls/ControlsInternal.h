#pragma once
// State shared by the control classes' source files.
#include <unordered_map>

#include "framework/controls/Controls.h"

// Windowed controls by window handle.
std::unordered_map<HWND, TWinControl*>& HandleMap();
// The non-windowed control that holds the mouse capture through its parent.
TControl*& CaptureControl();
