#pragma once
// A component that takes over its owner form's window procedure and hands on
// every message it does not handle itself.
#include "framework/controls/Forms.h"

class TMlHookWindowProc : public TComponent {
 public:
  explicit TMlHookWindowProc(TComponent* AOwner);
  // Gives the form its previous procedure back, unless someone has replaced
  // ours since.
  ~TMlHookWindowProc() override;

  TCustomForm* HookedForm() const { return form_; }
  virtual void WndProc(TMessage& m);

 protected:
  // Hands the message to the procedure that was there before.
  void PassOn(TMessage& m) {
    if (saved_) saved_(m);
  }

 private:
  // The hook as it sits in the form, so that we can tell it is still ours.
  struct Thunk {
    TMlHookWindowProc* hook;
    void operator()(TMessage& m) const { hook->WndProc(m); }
  };
  TWndMethod saved_;
  TCustomForm* form_ = nullptr;
};
