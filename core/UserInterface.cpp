#include "core/UserInterface.h"

namespace {
TUserInterface& Hooks() {
  static TUserInterface hooks;
  return hooks;
}
}  // namespace

const TUserInterface& UserInterface() { return Hooks(); }

void SetUserInterface(TUserInterface ui) { Hooks() = std::move(ui); }

int AskUser(const AnsiString& text, const AnsiString& caption, UINT flags) {
  if (Hooks().Ask) return Hooks().Ask(text, caption, flags);
  return (flags & 0xF) == MB_YESNO ? IDNO : IDOK;
}

void ProcessPendingMessages() {
  if (Hooks().ProcessMessages) Hooks().ProcessMessages();
}
