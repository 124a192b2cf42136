#include "framework/Forms.h"

#include "framework/Dialogs.h"

// FIXME: interim application object until the message loop lands; it keeps the
// interface callers build against.
TApplication* Application = nullptr;

TApplication::TApplication(TComponent* AOwner) : TComponent(AOwner) {}
TApplication::~TApplication() = default;
void TApplication::ProcessMessages() {}
void TApplication::HandleMessage() {}
void TApplication::Run() {}
void TApplication::Terminate() { terminated_ = true; }
bool TApplication::ProcessOneMessage() { return false; }

void TApplication::ShowException(const Exception& E) {
  AnsiString msg = E.Message();
  if (!msg.empty() && static_cast<unsigned char>(msg.back()) > '.') msg += '.';
  MessageBoxA(nullptr, msg, title_, MB_OK | MB_ICONERROR);
}

namespace {
MessageBoxHook g_hook;
}

MessageBoxHook SetMessageBoxHook(MessageBoxHook hook) {
  MessageBoxHook old = std::move(g_hook);
  g_hook = std::move(hook);
  return old;
}

int MessageBoxA(HWND owner, const AnsiString& text, const AnsiString& caption, UINT type) {
  if (g_hook) return g_hook({owner, text, caption, type});
  return (type & 0xF) == MB_YESNO ? IDNO : (type & 0xF) == MB_OK ? IDOK : IDCANCEL;
}
