#pragma once
// The one lookup that turns a skin image name into a bitmap: an existing
// image file of that name first, then the built-in image.
#include <cstdint>
#include <memory>
#include <vector>

#include "skin/MlSkinImage.h"

// Names are equal after trimming characters up to #32 at both ends and
// upper-casing ASCII letters.
bool SameSkinName(const AnsiString& A, const AnsiString& B);

// The path a skin file name stands for: an absolute name as it is, a
// relative one inside the program's directory.
AnsiString SkinFilePath(const AnsiString& FileName);

// The largest picture a skin file may hold, in pixels: enough for a picture
// that covers a 3840 x 2160 screen (the built-in images are at most 360 x 40),
// 32 MB as a bitmap. A file that declares more is refused before it is decoded.
constexpr long long MaxSkinPicturePixels = 1LL << 23;
// The largest skin file read at all: such a picture stored uncompressed with
// 16-bit channels, and room for its headers.
constexpr std::int64_t MaxSkinFileBytes = MaxSkinPicturePixels * 8 + (1 << 20);

class TMlSkinResManager : public TPersistent {
 public:
  // BuiltIn is not owned.
  explicit TMlSkinResManager(TMlSkinImageList* BuiltIn);
  ~TMlSkinResManager() override;
  TMlSkinResManager(const TMlSkinResManager&) = delete;
  TMlSkinResManager& operator=(const TMlSkinResManager&) = delete;

  // The bitmap of the name: the file of that name (spelled in other letter
  // case when no file has the name exactly), else the built-in image; null
  // when the name is blank or unknown. A file of the name that cannot be read
  // (damaged, too large) is passed over for the built-in image of the name:
  // no error of a picture reaches the caller, so none can stop a start or a
  // paint. The store owns the bitmap.
  TBitmap32* GetSkinBitmap(const TMlResID& Name);
  // The file's bitmap, read on the first request and kept for the run. A
  // file that cannot be read, or that declares a picture of more than
  // MaxSkinPicturePixels, raises its error once; later requests give null.
  TBitmap32* LoadSkinFile(const AnsiString& FileName);
  int FindLoadedIndex(const AnsiString& Name) const;
  int FindBuiltInIndex(const AnsiString& Name) const;

  const TMlSkinImageList* LoadedList() const { return loaded_.get(); }

 private:
  bool IsUnreadable(const AnsiString& FileName) const;

  TMlSkinImageList* builtIn_;
  std::unique_ptr<TMlSkinImageList> loaded_;
  // Files that failed to load, so that a paint does not fail again and again.
  std::vector<AnsiString> unreadable_;
};

// The process's manager, made on the first call over MlSkinImageListMain
// (creating the data module if start-up has not).
TMlSkinResManager* GetSkinResManager();
inline TBitmap32* GetSkinBitmap(const TMlResID& Name) { return GetSkinResManager()->GetSkinBitmap(Name); }

// Process-wide set-up and tear-down of the skin stores: the built-in images
// first; at the end the manager goes before the data module.
void InitializeSkinResources();
void FinalizeSkinResources();
