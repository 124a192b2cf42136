#include "skin/window/MlPopupListEx.h"

#include "framework/controls/Forms.h"
#include "skin/MlSkinMessages.h"

namespace {

struct Installed {
  TPopupListEx* list = nullptr;
  TPopupList* saved = nullptr;
  int requests = 0;
};

Installed& State() {
  static Installed state;
  return state;
}

TCustomForm* ActiveForm() {
  TWinControl* c = nullptr;
  for (HWND h = GetActiveWindow(); h && !c; h = GetParent(h)) c = FindControl(h);
  return c ? GetParentForm(c) : nullptr;
}

}  // namespace

void TPopupListEx::WndProc(TMessage& m) {
  UINT forward = 0;
  if (m.Msg == WM_MENUSELECT && m.LParam == 0 && HIWORD(m.WParam) == 0xFFFF) forward = MLM_MENUCLOSED;
  else if (m.Msg == WM_ENTERMENULOOP) forward = MLM_MENUENTERLOOP;
  else if (m.Msg == WM_EXITMENULOOP) forward = MLM_MENUEXITLOOP;
  if (forward)
    if (TCustomForm* form = ActiveForm()) form->Perform(forward, m.WParam, m.LParam);
  TPopupList::WndProc(m);
}

void RequestPopupListEx() {
  Installed& s = State();
  if (s.requests++ > 0) return;
  s.saved = PopupList();
  s.list = new TPopupListEx;
  for (int i = 0; i < s.saved->Count(); ++i) s.list->Add(s.saved->Items(i));
  SetPopupList(s.list);
}

void ReleasePopupListEx() {
  Installed& s = State();
  if (s.requests == 0 || --s.requests > 0) return;
  // Menus made meanwhile belong to the framework's list from now on.
  for (int i = 0; i < s.list->Count(); ++i) s.saved->Add(s.list->Items(i));
  SetPopupList(s.saved);
  delete s.list;
  s.list = nullptr;
}
