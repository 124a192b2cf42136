#include "app/update/Extraction.h"

#include "app/update/Installation.h"
#include "app/update/SupportText.h"
#include "core/SysUtils.h"
#include "platform/CodePage.h"
#include "zip/ZipExtractor.h"

Result<> ExtractPackage(TZipExtractor& Zip, const AnsiString& AppDir, const AnsiString& Name, const void* Content,
                        std::size_t ContentSize) {
  const AnsiString archive = InstalledPath(AppDir, Name);
  const AnsiString destination = platform::Utf16ToCp936(GbkToWide(AppDir));
  struct Unhook {
    TZipExtractor& zip;
    ~Unhook() {
      zip.OnBadCRC = nullptr;
      zip.OnBadPassword = nullptr;
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
  // A member whose data does not verify is left out by the extractor without
  // an error; the package then is not installed, and the update must not be
  // recorded as if it were.
  AnsiString damaged;
  auto note = [&](int index) {
    if (damaged.empty()) damaged = Zip.Directory(index) + Zip.FileName(index);
  };
  Zip.OnBadCRC = [&](TObject*, std::uint32_t, std::uint32_t, int index) { note(index); };
  Zip.OnBadPassword = [&](TObject*, int index, AnsiString&) { note(index); };
  try {
    Zip.UnZip();
    if (damaged.empty()) return {};
    return Refused{Format("CRC error in file %s", damaged.c_str())};
  } catch (const Exception& e) {
    return Refused{e.Message()};
  } catch (const std::exception& e) {
    return Refused{e.what()};
  }
}

int UnZipPackage(TZipExtractor& Zip, UpdateView& View, const AnsiString& AppDir, const AnsiString& Name,
                 const void* Content, std::size_t ContentSize) {
  const Result<> extracted = ExtractPackage(Zip, AppDir, Name, Content, ContentSize);
  if (extracted.Ok()) return 1;
  View.ShowFailure(UpdateFailure::kExtraction, extracted.Why());
  return 0;
}
