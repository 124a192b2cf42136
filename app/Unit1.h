#pragma once
// The updater's main window: its components as stored with the form, the start
// timer, the progress display, and the view of the update procedure, which
// it runs on the second tick.
#include <cstdint>

#include "app/update/UpdateEnvironment.h"
#include "app/update/UpdateView.h"
#include "framework/controls/ExtCtrls.h"
#include "framework/controls/Forms.h"
#include "http/HttpClient.h"
#include "http/MessagePump.h"
#include "skin/ImageEx.h"
#include "skin/MlSkinLabel.h"
#include "skin/MlSkinPanel.h"
#include "skin/MlSkinProgressBar.h"
#include "skin/window/MlSkinForm.h"
#include "skin/window/MlSkinNCLabel.h"
#include "zip/ZipExtractor.h"

class TForm1 : public TForm, public UpdateView {
 public:
  explicit TForm1(TComponent* AOwner);
  ~TForm1() override;

  THttpClient* HttpClient1 = nullptr;
  TZipExtractor* ZipExtractor1 = nullptr;
  TMessagePump* MessagePump1 = nullptr;
  THttpClient* HttpClient2 = nullptr;
  TMlSkinLabel* MlSkinLabel1 = nullptr;
  TMlSkinLabel* MlSkinLabel2 = nullptr;
  TMlSkinProgressBar* MlSkinProgressBar1 = nullptr;
  TMlSkinForm* MlSkinForm1 = nullptr;
  TMlSkinLabel* MlSkinLabel3 = nullptr;
  TTimer* Timer1 = nullptr;
  TMlSkinNCLabel* MlSkinNCLabel1 = nullptr;
  TMlSkinPanel* MlSkinPanel1 = nullptr;
  TImageEx* ImageEx1 = nullptr;

  void FormCreate(TObject* Sender);
  void Timer1Timer(TObject* Sender);
  void doUpDate();
  // Text with every occurrence of OldPattern replaced by NewPattern (case-sensitive).
  AnsiString replace(const AnsiString& Text, const AnsiString& OldPattern, const AnsiString& NewPattern);

  // The progress display of the package download.
  void HttpClient2WorkBegin(TObject* Sender, TWorkMode AWorkMode, std::int32_t AWorkCountMax);
  void HttpClient2Work(TObject* Sender, TWorkMode AWorkMode, std::int32_t AWorkCount);
  void HttpClient2WorkEnd(TObject* Sender, TWorkMode AWorkMode);

  // Full path of "xconfig.ini" in the application directory.
  AnsiString IniPath;
  // Ticks of Timer1 since the program started or the timer was restarted.
  std::int32_t StartTicks = 0;
  // The total announced by the last work-begin event of HttpClient2.
  std::int32_t WorkTotal = 0;
  // Milliseconds between two updates of the progress display: a package
  // arrives in thousands of blocks, far more often than a person can see.
  std::uint64_t WorkDisplayInterval = 33;

  // Where the update runs: the program's own environment unless a test sets
  // another. IniPath follows its installation directory.
  const UpdateEnvironment& Environment() const { return environment_; }
  void SetEnvironment(UpdateEnvironment Environment);

  // The update procedure's view: the status label, message boxes under the
  // application's title, and the end of the process.
  void ShowStatus(const AnsiString& Text) override;
  void CatchUp() override;
  void Tell(UpdateNotice Notice) override;
  void ShowFailure(UpdateFailure Failure, const AnsiString& Why) override;
  bool AskYesNo(const AnsiString& Question, const AnsiString& Caption) override;
  bool WasClosed() override;
  void Ended(UpdateEnd How) override;

 private:
  // Size text, bar value and percentage for a count of a work event.
  void ShowWork(std::int32_t Count);
  // The bytes a count of HttpClient2's work events stands for.
  std::int64_t WorkBytes(std::int32_t Count) const;
  std::uint64_t workShownAt_ = 0;
  bool workShown_ = false;
  // A count that came too soon after the last update; -1 when none waits.
  std::int32_t workPending_ = -1;

  void LoadStoredForm();
  void LoadStoredComponents();

  UpdateEnvironment environment_;
};
