#include "skin/MlSkinResManager.h"

#include <string_view>

#include "graphics/PictureSize.h"
#include "platform/CodePage.h"
#include "platform/Files.h"
#include "platform/PathNames.h"
#include "skin/MlSkinPng.h"
#include "skin/MlSkinResDM.h"

namespace {

TMlSkinResManager* manager = nullptr;

std::string_view Trimmed(const AnsiString& s) {
  size_t b = 0, e = s.size();
  while (b < e && static_cast<unsigned char>(s[b]) <= 32) ++b;
  while (e > b && static_cast<unsigned char>(s[e - 1]) <= 32) --e;
  return std::string_view(s).substr(b, e - b);
}

char UpperAscii(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

int FindIn(const TMlSkinImageList* list, const AnsiString& name) {
  const TMlSkinBitmapCollection* items = list->Bitmaps();
  for (int i = 0; i < items->Count(); ++i)
    if (SameSkinName(items->Items(i)->ResID(), name)) return i;
  return -1;
}

const AnsiString& ProgramDirectory() {
  static const AnsiString dir = [] {
    // Split as the system's path, since a byte of a code page 936 character
    // can be a backslash; Windows gives the path with backslashes.
    std::string dir = platform::DirectoryOf(platform::ToOsPath(platform::ExecutablePath()));
    if (!dir.empty() && !platform::IsPathSeparator(dir.back())) dir += '/';
    return AnsiString(platform::Utf8ToCp936(dir));
  }();
  return dir;
}

// The file's bytes, once its size and the picture size its header declares
// are within the caps. A header that declares no size is left to the
// decoders, which read the same headers and refuse such a file themselves.
void ReadSkinPictureFile(const AnsiString& path, TMemoryStream& content) {
  TFileStream file(path, fmOpenRead | fmShareDenyWrite);
  if (file.Size() > MaxSkinFileBytes) throw EInvalidGraphic("Picture file is too large for a skin");
  content.LoadFromStream(file);
  const std::optional<TPictureSize> size = DeclaredPictureSize(static_cast<const unsigned char*>(content.Memory()),
                                                               static_cast<std::size_t>(content.Size()));
  if (size && size->Pixels() > MaxSkinPicturePixels)
    throw EInvalidGraphic(Format("Picture of %lld x %lld pixels is too large for a skin", size->Width, size->Height));
  content.SetPosition(0);
}

// The file a skin file name stands for, found as installation files are:
// where no file has the name exactly, one whose name differs only in letter
// case (on the platform the program is made for these are the same file).
// Empty when there is none.
AnsiString ExistingSkinFile(const AnsiString& FileName) {
  const AnsiString path = SkinFilePath(FileName);
  if (platform::FileExists(path)) return path;
  const AnsiString resolved = platform::ResolveNameCase(path);
  return resolved != path && platform::FileExists(resolved) ? resolved : AnsiString();
}

}  // namespace

bool SameSkinName(const AnsiString& A, const AnsiString& B) {
  std::string_view a = Trimmed(A), b = Trimmed(B);
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (UpperAscii(a[i]) != UpperAscii(b[i])) return false;
  return true;
}

AnsiString SkinFilePath(const AnsiString& FileName) {
  if (platform::RootLength(platform::ToOsPath(FileName)) > 0) return FileName;
  return ProgramDirectory() + FileName;
}

TMlSkinResManager::TMlSkinResManager(TMlSkinImageList* BuiltIn)
    : builtIn_(BuiltIn), loaded_(std::make_unique<TMlSkinImageList>(nullptr)) {}

TMlSkinResManager::~TMlSkinResManager() = default;

TBitmap32* TMlSkinResManager::GetSkinBitmap(const TMlResID& Name) {
  if (Trimmed(Name).empty()) return nullptr;
  if (!ExistingSkinFile(Name).empty()) {
    try {
      if (TBitmap32* loaded = LoadSkinFile(Name)) return loaded;
    } catch (const std::exception&) {
      // Remembered as unreadable; the built-in image stands in.
    }
  }
  int i = FindBuiltInIndex(Name);
  return i >= 0 ? builtIn_->Bitmaps()->Items(i)->Bitmap() : nullptr;
}

TBitmap32* TMlSkinResManager::LoadSkinFile(const AnsiString& FileName) {
  int i = FindLoadedIndex(FileName);
  if (i >= 0) return loaded_->Bitmaps()->Items(i)->Bitmap();
  if (IsUnreadable(FileName)) return nullptr;

  TMlSkinImage image;
  try {
    AnsiString path = ExistingSkinFile(FileName);
    // A missing file fails to open under the name it was asked for.
    if (path.empty()) path = SkinFilePath(FileName);
    TMemoryStream content;
    ReadSkinPictureFile(path, content);
    size_t dot = FileName.rfind('.');
    if (dot != AnsiString::npos && UpperCaseAscii(FileName.substr(dot)) == ".PNG") {
      bool alphaUsed = false;
      LoadPngToSkinImage(&image, content, alphaUsed);
      image.SetDrawMode(alphaUsed ? dmBlend : dmOpaque);
    } else {
      image.LoadFromStream(content);
    }
  } catch (const std::exception&) {
    // Also running out of memory: the file is not tried again.
    unreadable_.push_back(FileName);
    throw;
  }
  TMlSkinBitmapItem* item = loaded_->Bitmaps()->Add();
  item->SetBitmap(&image);
  item->SetResID(FileName);
  item->SetDescription("");
  return item->Bitmap();
}

int TMlSkinResManager::FindLoadedIndex(const AnsiString& Name) const { return FindIn(loaded_.get(), Name); }

int TMlSkinResManager::FindBuiltInIndex(const AnsiString& Name) const {
  return builtIn_ ? FindIn(builtIn_, Name) : -1;
}

bool TMlSkinResManager::IsUnreadable(const AnsiString& FileName) const {
  for (const AnsiString& name : unreadable_)
    if (SameSkinName(name, FileName)) return true;
  return false;
}

TMlSkinResManager* GetSkinResManager() {
  if (!manager) {
    CreateMlSkinResDM();
    manager = new TMlSkinResManager(MlSkinResDM->MlSkinImageListMain);
  }
  return manager;
}

void InitializeSkinResources() { CreateMlSkinResDM(); }

void FinalizeSkinResources() {
  delete manager;
  manager = nullptr;
  FreeMlSkinResDM();
}
