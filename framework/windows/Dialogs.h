#pragma once
// The modal message box: where the display has the system's own (Windows),
// that one, which players know; elsewhere a plain one of ours, a small
// unskinned window centred on the screen with a title, an icon, the text and
// its buttons. Ours takes the keyboard focus; Enter presses the default
// button, Escape cancels, and a button's underlined letter ("是(Y)", "否(N)")
// presses that button, with Alt or without.
#include <functional>

#include "framework/windows/Messages.h"

// text and caption are code page 936 byte strings; type holds the MB_ button
// and icon bits. Returns the IDOK, IDCANCEL, IDYES or IDNO of the button pressed
// (Escape or closing the box, by the window manager or by WM_CLOSE, counts as
// Cancel, or No for a Yes/No box, OK for a box with OK alone).
int MessageBoxA(HWND owner, const AnsiString& text, const AnsiString& caption, UINT type);

// Test seam: while a hook is set, message boxes are not shown; the hook gets
// each request and returns the answer.
struct MessageBoxRequest {
  HWND owner = nullptr;
  AnsiString text;
  AnsiString caption;
  UINT type = 0;
};
using MessageBoxHook = std::function<int(const MessageBoxRequest&)>;
// Returns the previous hook.
MessageBoxHook SetMessageBoxHook(MessageBoxHook hook);
