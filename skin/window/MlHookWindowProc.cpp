#include "skin/window/MlHookWindowProc.h"

TMlHookWindowProc::TMlHookWindowProc(TComponent* AOwner) : TComponent(AOwner) {
  auto* form = dynamic_cast<TCustomForm*>(AOwner);
  if (!form || IsDesigning()) return;
  form_ = form;
  saved_ = form->WindowProc;
  form->WindowProc = Thunk{this};
}

TMlHookWindowProc::~TMlHookWindowProc() {
  if (!form_) return;
  const Thunk* t = form_->WindowProc.target<Thunk>();
  if (t && t->hook == this) form_->WindowProc = saved_;
}

void TMlHookWindowProc::WndProc(TMessage& m) { PassOn(m); }
