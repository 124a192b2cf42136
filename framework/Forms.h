#pragma once
// Forms and the application object.
#include "framework/Classes.h"
#include "framework/Messages.h"

class TApplication : public TComponent {
 public:
  explicit TApplication(TComponent* AOwner);
  ~TApplication() override;

  // Dispatches every message pending at this moment (and those they cause),
  // then returns without waiting.
  void ProcessMessages();
  // Waits for one message and dispatches it.
  void HandleMessage();
  void Run();
  void Terminate();
  bool Terminated() const { return terminated_; }

  const AnsiString& Title() const { return title_; }
  void SetTitle(const AnsiString& t) { title_ = t; }

  // The general error report: a message box titled with the application title,
  // an error icon and the error text with a full stop appended when its last
  // character sorts above ".".
  void ShowException(const Exception& E);
  // Runs f; an exception that escapes it is shown by ShowException.
  template <class F>
  void Guard(F&& f) {
    try {
      f();
    } catch (const Exception& e) {
      ShowException(e);
    }
  }

 private:
  bool ProcessOneMessage();
  AnsiString title_;
  bool terminated_ = false;
};

extern TApplication* Application;
