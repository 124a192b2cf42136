#include "app/update/Extraction.h"

#include "app/update/Installation.h"
#include "app/update/InstalledFiles.h"
#include "app/update/PartialPlan.h"
#include "app/update/SupportText.h"
#include "core/ScopeGuard.h"
#include "core/SysUtils.h"
#include "platform/CodePage.h"
#include "zip/ZipExtractor.h"

namespace {

// The names of the archive's files below the installation directory, with "/".
std::vector<std::string> MemberFileNames(TZipExtractor& Zip) {
  std::vector<std::string> names;
  for (int i = 0; i < Zip.MemberCount(); ++i)
    if (!Zip.FileName(i).empty()) names.push_back(InstalledName(Zip, i));
  return names;
}

}  // namespace

Result<> ExtractPackage(TZipExtractor& Zip, const AnsiString& AppDir, const AnsiString& Name,
                        const ReleaseRecord& Release, const void* Content, std::size_t ContentSize,
                        const TMemberChoice& Only) {
  const AnsiString archive = InstalledPath(AppDir, Name);
  const AnsiString destination = platform::Utf16ToCp936(GbkToWide(AppDir));
  const ScopeExit unhook([&Zip] {
    Zip.SetInstallJournal("");
    Zip.OnStartUnZip = nullptr;
    Zip.SetArchiveContent(nullptr, 0);  // the caller's memory goes
  });
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
  if (Only)
    Zip.OnStartUnZip = [&](TObject*, int index, AnsiString&, bool& skip) { skip = !Only(InstalledName(Zip, index)); };
  try {
    Zip.UnZip();
    RecordInstallation(AppDir, MemberFileNames(Zip));
    return {};
  } catch (const Exception& e) {
    return Refused{e.Message()};
  } catch (const std::exception& e) {
    return Refused{e.what()};
  }
}

int UnZipPackage(TZipExtractor& Zip, UpdateView& View, const AnsiString& AppDir, const AnsiString& Name,
                 const ReleaseRecord& Release, const void* Content, std::size_t ContentSize,
                 const TMemberChoice& Only) {
  const Result<> extracted = ExtractPackage(Zip, AppDir, Name, Release, Content, ContentSize, Only);
  if (extracted.Ok()) return 1;
  View.ShowFailure(UpdateFailure::kExtraction, extracted.Why());
  return 0;
}
