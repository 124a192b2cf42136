#include "app/update/Extraction.h"

#include "app/update/Installation.h"
#include "app/update/SupportText.h"
#include "core/SysUtils.h"
#include "platform/CodePage.h"
#include "zip/ZipExtractor.h"

Result<> ExtractPackage(TZipExtractor& Zip, const AnsiString& AppDir, const AnsiString& Name,
                        const ReleaseRecord& Release, const void* Content, std::size_t ContentSize) {
  const AnsiString archive = InstalledPath(AppDir, Name);
  const AnsiString destination = platform::Utf16ToCp936(GbkToWide(AppDir));
  struct Unhook {
    TZipExtractor& zip;
    ~Unhook() {
      zip.SetInstallJournal("");
      zip.SetArchiveContent(nullptr, 0);  // the caller's memory goes
    }
  } unhook{Zip};
  // Opening the archive and reading its directory are outside the guard: an
  // archive that cannot be opened is the caller's error.
  Zip.SetZipName(archive);
  Zip.SetArchiveContent(Content, ContentSize);
  Zip.Password = "";
  Zip.LoadDirectory();
  Zip.SetDestDir(destination);
  Zip.DoAll = true;
  Zip.RecreateDirs = true;
  Zip.RetainAttributes = true;
  // The version is recorded after this: what it names must be on disk by then.
  Zip.SyncOnCompletion = true;
  // A package installed in part is no update: a member that cannot be
  // written or does not verify fails the whole of it, and a run stopped
  // among the renames is completed or undone by the next start.
  Zip.SetInstallJournal(AppDir + kInstallJournalName, EncodeReleaseRecord(Release));
  try {
    Zip.UnZip();
    return {};
  } catch (const Exception& e) {
    return Refused{e.Message()};
  } catch (const std::exception& e) {
    return Refused{e.what()};
  }
}

int UnZipPackage(TZipExtractor& Zip, UpdateView& View, const AnsiString& AppDir, const AnsiString& Name,
                 const ReleaseRecord& Release, const void* Content, std::size_t ContentSize) {
  const Result<> extracted = ExtractPackage(Zip, AppDir, Name, Release, Content, ContentSize);
  if (extracted.Ok()) return 1;
  View.ShowFailure(UpdateFailure::kExtraction, extracted.Why());
  return 0;
}
