#pragma once
// Skin images and the named image lists that hold them.
#include <memory>
#include <vector>

#include "core/Classes.h"
#include "graphics/Bitmap32.h"

// Names a skin image: a built-in name such as "MlSkinBar_cur", or an image
// file path.
using TMlResID = AnsiString;

// Every bitmap the skin makes (loaded files, cut frames, stretched bars).
class TMlSkinImage : public TBitmap32 {};

// The part of Src inside Part as a new image with Src's properties, made the
// way picture strips cut their frames: eight translating passes, each in
// Src's draw mode, so translucent pixels come out only near the source.
std::unique_ptr<TMlSkinImage> CutSkinImage(TBitmap32* Src, const TRect& Part);

using TDynMlSkinImage = std::vector<TMlSkinImage*>;
// Frees every element that is set and empties the array.
void ReleaseSkinImages(TDynMlSkinImage& Images);

class TMlSkinBitmapCollection;

// One named image. The item owns its bitmap; writing Bitmap copies into it.
class TMlSkinBitmapItem : public TPersistent {
 public:
  explicit TMlSkinBitmapItem(TMlSkinBitmapCollection* Collection);
  ~TMlSkinBitmapItem() override;
  // From another item: ResID, Description and the bitmap's contents.
  void Assign(const TPersistent* Source) override;

  const AnsiString& ResID() const { return resID_; }
  void SetResID(const AnsiString& v) { resID_ = v; }
  TBitmap32* Bitmap() const { return bitmap_.get(); }
  void SetBitmap(const TBitmap32* v) { bitmap_->Assign(v); }
  const AnsiString& Description() const { return description_; }
  void SetDescription(const AnsiString& v) { description_ = v; }
  TMlSkinBitmapCollection* Collection() const { return collection_; }

 private:
  TMlSkinBitmapCollection* collection_;
  AnsiString resID_;
  std::unique_ptr<TBitmap32> bitmap_;
  AnsiString description_;
};

class TMlSkinBitmapCollection : public TPersistent {
 public:
  explicit TMlSkinBitmapCollection(TPersistent* Owner) : owner_(Owner) {}
  TMlSkinBitmapCollection(const TMlSkinBitmapCollection&) = delete;
  TMlSkinBitmapCollection& operator=(const TMlSkinBitmapCollection&) = delete;

  TPersistent* Owner() const { return owner_; }
  TMlSkinBitmapItem* Add();
  // EListError for an index out of range.
  TMlSkinBitmapItem* Items(int Index) const;
  int Count() const { return static_cast<int>(items_.size()); }

 private:
  TPersistent* owner_;
  std::vector<std::unique_ptr<TMlSkinBitmapItem>> items_;
};

class TMlSkinImageList : public TComponent {
 public:
  explicit TMlSkinImageList(TComponent* AOwner) : TComponent(AOwner), bitmaps_(this) {}
  TMlSkinBitmapCollection* Bitmaps() { return &bitmaps_; }
  const TMlSkinBitmapCollection* Bitmaps() const { return &bitmaps_; }

 private:
  TMlSkinBitmapCollection bitmaps_;
};
