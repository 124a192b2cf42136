// Support operation: unpacking the downloaded package into the installation directory.
#include "app/Unit2.h"
#include "framework/windows/Dialogs.h"
#include "platform/CodePage.h"
#include "zip/ZipExtractor.h"

using namespace platform::literals;

int UnZipPackage(TZipExtractor& Zip, HWND Owner, const AnsiString& Name, const void* Content,
                 std::size_t ContentSize) {
  const AnsiString archive = InstalledPath(Name);
  const AnsiString destination = platform::Utf16ToCp936(GbkToWide(GetAppDir()));
  TZipExtractor* zip = &Zip;
  struct Unhook {
    TZipExtractor* zip;
    ~Unhook() {
      zip->OnBadCRC = nullptr;
      zip->OnBadPassword = nullptr;
      zip->SetArchiveContent(nullptr, 0);  // the caller's memory goes
    }
  } unhook{zip};
  // Opening the archive and reading its directory are outside the guard: an
  // archive that cannot be opened is the caller's error.
  zip->SetZipName(archive);
  zip->SetArchiveContent(Content, ContentSize);
  zip->Password = "";
  zip->LoadDirectory();
  zip->SetDestDir(destination);
  zip->DoAll = true;
  zip->RecreateDirs = true;
  zip->RetainAttributes = true;
  // The version is recorded after this: what it names must be on disk by then.
  zip->SyncOnCompletion = true;
  // A member whose data does not verify is left out by the extractor without
  // an error; the package then is not installed, and the update must not be
  // recorded as if it were.
  AnsiString damaged;
  auto note = [&](int index) {
    if (damaged.empty()) damaged = zip->Directory(index) + zip->FileName(index);
  };
  zip->OnBadCRC = [&](TObject*, std::uint32_t, std::uint32_t, int index) { note(index); };
  zip->OnBadPassword = [&](TObject*, int index, AnsiString&) { note(index); };
  AnsiString why;
  try {
    zip->UnZip();
    if (damaged.empty()) return 1;
    why = Format("CRC error in file %s", damaged.c_str());
  } catch (const Exception& e) {
    why = e.Message();
  } catch (const std::exception& e) {
    why = e.what();
  }
  MessageBoxA(Owner, "解压失败！ 失败原因："_cp936 + why + " ",
              "错误"_cp936, MB_ICONERROR);
  return 0;
}
