// The update procedure as the main window runs it, and the window as its
// view: the status label, message boxes under the application's title, and
// the end of the process.
#include "app/Unit1.h"
#include "app/update/SupportText.h"
#include "app/update/UpdateJob.h"
#include "app/update/VersionRecord.h"
#include "core/ScopeGuard.h"
#include "core/UserInterface.h"
#include "framework/windows/Dialogs.h"

void TForm1::doUpDate() {
  Timer1->SetEnabled(false);
  UpdateJob job(environment_, {*HttpClient1, *HttpClient2, *ZipExtractor1, *MessagePump1}, *this);
  job_ = &job;
  ScopeExit forget([this] { job_ = nullptr; });
  job.Run();
}

AnsiString TForm1::replace(const AnsiString& Text, const AnsiString& OldPattern, const AnsiString& NewPattern) {
  return ReplaceAll(Text, OldPattern, NewPattern);
}

void TForm1::SetEnvironment(UpdateEnvironment Environment) {
  environment_ = std::move(Environment);
  IniPath = environment_.appDir + kIniFileName;
}

void TForm1::ShowStatus(const AnsiString& Text) { MlSkinLabel3->SetCaption(Text); }

void TForm1::CatchUp() { Application->ProcessMessages(); }

void TForm1::Tell(UpdateNotice Notice) {
  MessageBoxA(HandleAllocated() ? Handle() : nullptr, NoticeText(Notice),
              Application ? Application->Title() : AnsiString(), MB_OK);
}

void TForm1::ShowFailure(UpdateFailure Failure, const AnsiString& Why) {
  MessageBoxA(HandleAllocated() ? Handle() : nullptr, FailureText(Failure, Why), FailureCaption(),
              MB_OK | MB_ICONERROR);
}

// As the extractor asks when nobody answers for it.
bool TForm1::AskYesNo(const AnsiString& Question, const AnsiString& Caption) {
  return AskUser(Question, Caption, MB_YESNO) == IDYES;
}

bool TForm1::WasClosed() { return Application->Terminated(); }

void TForm1::Ended(UpdateEnd How) {
  switch (How) {
    case UpdateEnd::kExit: environment_.exitNow(0); break;
    case UpdateEnd::kStartOver:
      // Two ticks later the procedure runs again.
      StartTicks = 0;
      Timer1->SetEnabled(true);
      break;
    case UpdateEnd::kStopped: break;  // the window stays open, idle
  }
}
