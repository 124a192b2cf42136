// Support operation: unpacking the downloaded package into the installation directory.
#include "app/Unit2.h"
#include "framework/Dialogs.h"
#include "platform/CodePage.h"
#include "zip/ZipExtractor.h"

using namespace platform::literals;

int UnZipPackage(TZipExtractor& Zip, HWND Owner, const AnsiString& Name) {
  const AnsiString archive = InstalledPath(Name);
  const AnsiString destination = platform::Utf16ToCp936(GbkToWide(GetAppDir()));
  TZipExtractor* zip = &Zip;
  // Opening the archive and reading its directory are outside the guard: an
  // archive that cannot be opened is the caller's error.
  zip->SetZipName(archive);
  zip->Password = "";
  zip->LoadDirectory();
  zip->SetDestDir(destination);
  zip->DoAll = true;
  zip->RecreateDirs = true;
  zip->RetainAttributes = true;
  // A member whose data does not verify is left out by the extractor without
  // an error; the package then is not installed, and the update must not be
  // recorded as if it were.
  AnsiString damaged;
  auto note = [&](int index) {
    if (damaged.empty()) damaged = zip->Directory(index) + zip->FileName(index);
  };
  zip->OnBadCRC = [&](TObject*, std::uint32_t, std::uint32_t, int index) { note(index); };
  zip->OnBadPassword = [&](TObject*, int index, AnsiString&) { note(index); };
  struct Unhook {
    TZipExtractor* zip;
    ~Unhook() {
      zip->OnBadCRC = nullptr;
      zip->OnBadPassword = nullptr;
    }
  } unhook{zip};
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
