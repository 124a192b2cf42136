#pragma once
// The update procedure apart from its window: end the game launcher, ask the
// server for the version, fetch the package, install it, record the version
// and start the program the server names. It learns about the world from its
// environment and reports to its view; the program's form is that view.
#include <cstdint>
#include <memory>
#include <optional>

#include "app/update/FetchControl.h"
#include "app/update/ReleaseCheck.h"
#include "app/update/Result.h"
#include "app/update/UpdateEnvironment.h"
#include "app/update/UpdateView.h"

class THttpClient;
class TMessagePump;
class TPackageDownload;
struct TPartialPackage;
class TStringList;
class TZipExtractor;

// The components the procedure works through. The program's form owns them
// (HttpClient1, HttpClient2, ZipExtractor1, MessagePump1).
struct UpdateTools {
  THttpClient& query;
  THttpClient& download;
  TZipExtractor& zip;
  TMessagePump& pump;
};

class UpdateJob {
 public:
  UpdateJob(const UpdateEnvironment& Environment, UpdateTools Tools, UpdateView& View);
  ~UpdateJob();
  UpdateJob(const UpdateJob&) = delete;
  UpdateJob& operator=(const UpdateJob&) = delete;

  // One pass of the procedure, which tells the view how it ended. A failure
  // it does not expect (a reply with too few fields, an "xconfig.ini" that
  // cannot be written, an archive that cannot be opened) escapes as an
  // exception, for the caller's general error report; the view is then told
  // nothing more.
  void Run();
  // Stops the fetch under way (the window was closed): it ends at once, also
  // in a wait between attempts, and no later one starts. The pass then ends
  // as the view's WasClosed tells it to.
  void Cancel();

 private:
  AnsiString Installed(const AnsiString& Name) const;
  AnsiString IniPath() const;
  // Removes the temporary files that runs killed while writing the
  // updater's own files left beside them.
  void RemoveUnfinishedWrites();
  // Refused when a package named Name would replace or delete a file the
  // updater did not put there.
  Result<> PackageNameIsFree(const AnsiString& Name) const;
  // Fetches URL and saves it as the package PackageName unless it differs
  // from what Terms promise. A package small enough stays in memory as
  // package_ meanwhile.
  Result<> DownloadPackage(const AnsiString& URL, const AnsiString& PackageName, const ReleaseTerms& Terms);
  // Fetches the archive PackageName from URL: only its members that differ
  // from the installation when that road is open, else the whole package.
  Result<> FetchArchive(const AnsiString& URL, const AnsiString& PackageName, const ReleaseTerms& Terms);
  // Deletes the package Name, which has done its work, and its record.
  void RemovePackage(const AnsiString& Name);
  // Records NewVersion, and the serial of a signed release before it.
  void RecordRelease(const AnsiString& NewVersion);
  void InstallArchive(const AnsiString& F2, const AnsiString& StrippedF2, const TStringList& Fields,
                      const AnsiString& NewVersion);
  void FinishPlainFile(const TStringList& Fields, const AnsiString& NewVersion);
  // Starts Program of the installation, telling of a program that cannot be
  // started, then deletes the downloaded Package unless it is that program
  // (an empty Package: nothing to delete).
  void StartProgram(const AnsiString& Program, const AnsiString& Package);

  const UpdateEnvironment env_;
  UpdateTools tools_;
  UpdateView& view_;
  // The package downloaded last, while it is in use.
  std::unique_ptr<TPackageDownload> package_;
  // What of the package was fetched, when only its changed members were.
  std::unique_ptr<TPartialPackage> partial_;
  // The serial of the signed release being installed.
  std::optional<std::int64_t> serialToRecord_;
  TFetchControl fetches_;
};
