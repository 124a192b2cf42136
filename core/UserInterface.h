#pragma once
// How code below the window layer reaches the user without knowing about
// windows: a question in a modal message box, and a moment for the windows to
// handle their pending messages while a long job runs. The window layer sets
// these when its application object is created and clears them when it goes.
#include <functional>

#include "core/Types.h"

// clang-format off
// Message box types and results.
enum : UINT {
  MB_OK = 0x00, MB_OKCANCEL = 0x01, MB_YESNOCANCEL = 0x03, MB_YESNO = 0x04, MB_ICONERROR = 0x10,
  MB_ICONHAND = 0x10, MB_ICONQUESTION = 0x20, MB_ICONWARNING = 0x30, MB_ICONEXCLAMATION = 0x30,
  MB_ICONINFORMATION = 0x40, MB_ICONASTERISK = 0x40, MB_DEFBUTTON2 = 0x100, MB_TASKMODAL = 0x2000,
};
enum : int { IDOK = 1, IDCANCEL = 2, IDABORT = 3, IDRETRY = 4, IDIGNORE = 5, IDYES = 6, IDNO = 7 };
// clang-format on

struct TUserInterface {
  // Shows a message box (MB_ flags) and returns the ID of the button pressed.
  std::function<int(const AnsiString& text, const AnsiString& caption, UINT flags)> Ask;
  // Dispatches every message pending at this moment, then returns.
  std::function<void()> ProcessMessages;
  // Dispatches at most one pending message.
  std::function<void()> HandleOneMessage;
};

// The hooks in place; an unset hook means there is no user interface.
const TUserInterface& UserInterface();
void SetUserInterface(TUserInterface ui);

// Asks through the hook; without one, the answer a box would give when closed
// unanswered: No for a Yes/No question, OK otherwise.
int AskUser(const AnsiString& text, const AnsiString& caption, UINT flags);
// Lets the windows handle what is pending; nothing without a user interface.
void ProcessPendingMessages();
