#pragma once
// The updater's main window: its components as stored with the form, the start
// timer, the update procedure and the progress display.
#include <cstdint>
#include <optional>

#include "app/ReleaseCheck.h"
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

class TForm1 : public TForm {
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
  void ShowMessage(const AnsiString& Text);
  // Fetches URL and saves it as the package PackageName unless it differs
  // from what Terms promise; the error's message, or "" when the package was
  // saved. A package small enough stays in memory as package_ meanwhile.
  AnsiString DownloadPackage(const AnsiString& URL, const AnsiString& PackageName, const ReleaseTerms& Terms);
  // Records NewVersion, and the serial of a signed release before it.
  void RecordRelease(const AnsiString& NewVersion);
  void ReportDownloadFailure(const AnsiString& Why);
  // The package downloaded last, while it is in use.
  std::unique_ptr<class TPackageDownload> package_;
  // The serial of the signed release being installed.
  std::optional<std::int64_t> SerialToRecord;
  void InstallArchive(const AnsiString& F2, const AnsiString& StrippedF2, const class TStringList& Fields,
                      const AnsiString& NewVersion);
  void FinishPlainFile(const class TStringList& Fields, const AnsiString& NewVersion);
  // Starts Program of the installation, reporting a program that cannot be
  // started, then deletes the downloaded Package unless it is that program.
  void StartProgram(const AnsiString& Program, const AnsiString& Package);
};
