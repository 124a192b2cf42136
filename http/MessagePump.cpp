#include "http/MessagePump.h"

#include "core/UserInterface.h"
#include "platform/Clock.h"

namespace {
TMessagePump* g_pump = nullptr;

TComponent* ClaimSingleInstance(TComponent* owner) {
  if (g_pump) throw EInvalidOperation("Only one TMessagePump can exist per application.");
  return owner;
}
}  // namespace

TMessagePump::TMessagePump(TComponent* AOwner) : TComponent(ClaimSingleInstance(AOwner)) { g_pump = this; }

TMessagePump::~TMessagePump() {
  if (g_pump == this) g_pump = nullptr;
}

TMessagePump* TMessagePump::Instance() { return g_pump; }

bool TMessagePump::Usable() { return g_pump && g_pump->active_ && platform::IsMainThread(); }

void TMessagePump::DispatchPoint(bool AIdle, bool AOverride) {
  if (!Usable()) return;
  if (AIdle || AOverride || !g_pump->only_when_idle_) g_pump->Dispatch();
}

void TMessagePump::Dispatch() {
  if (OnDispatch) OnDispatch(this);
  const TUserInterface& ui = UserInterface();
  if (application_has_priority_) {
    if (ui.ProcessMessages) ui.ProcessMessages();
  } else if (ui.HandleOneMessage) {
    ui.HandleOneMessage();
  }
}
