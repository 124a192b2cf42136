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

class UpdateJob;

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

  // The progress display of the package download, in bytes: the total
  // (0 when it is not known), the count so far, the end of a complete download.
  void HttpClient2WorkBegin(TObject* Sender, TWorkMode AWorkMode, std::int64_t AWorkCountMax);
  void HttpClient2Work(TObject* Sender, TWorkMode AWorkMode, std::int64_t AWorkCount);
  void HttpClient2WorkEnd(TObject* Sender, TWorkMode AWorkMode);

  // Full path of "xconfig.ini" in the application directory.
  AnsiString IniPath;
  // Ticks of Timer1 since the program started or the timer was restarted.
  std::int32_t StartTicks = 0;
  // The total of the last work begin.
  std::int64_t WorkTotal = 0;

  // Where the update runs: the program's own environment unless a test sets
  // another. IniPath follows its installation directory.
  const UpdateEnvironment& Environment() const { return environment_; }
  void SetEnvironment(UpdateEnvironment Environment);

  // The update procedure's view: the status label, the progress display,
  // message boxes under the application's title, and the end of the process.
  void ShowStatus(const AnsiString& Text) override;
  void CatchUp() override;
  void ShowDownload(std::int64_t Done, std::int64_t Total) override;
  void DownloadComplete() override;
  void Tell(UpdateNotice Notice) override;
  void ShowFailure(UpdateFailure Failure, const AnsiString& Why) override;
  bool AskYesNo(const AnsiString& Question, const AnsiString& Caption) override;
  bool WasClosed() override;
  void Ended(UpdateEnd How) override;

 private:
  // The bar counts in units of 2^barShift_ bytes, so that a total past
  // 2 GiB fits its range.
  int barShift_ = 0;
  bool workBegun_ = false;
  // The update under way, which closing the window stops.
  UpdateJob* job_ = nullptr;

  void LoadStoredForm();
  void LoadStoredComponents();

  UpdateEnvironment environment_;
};
