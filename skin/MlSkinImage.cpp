#include "skin/MlSkinImage.h"

#include "graphics/Transformation.h"

std::unique_ptr<TMlSkinImage> CutSkinImage(TBitmap32* Src, const TRect& Part) {
  auto image = std::make_unique<TMlSkinImage>();
  Src->CopyPropertiesTo(image.get());
  image->Resize(Part.Width(), Part.Height());
  TAffineTransformation t;
  t.SetSrcRect({float(Part.left), float(Part.top), float(Part.right), float(Part.bottom)});
  t.Translate(float(-Part.left), float(-Part.top));
  for (int pass = 0; pass < 8; ++pass) TransformInto(image.get(), Src, &t);
  return image;
}

void ReleaseSkinImages(TDynMlSkinImage& Images) {
  for (TMlSkinImage* image : Images) delete image;
  Images.clear();
}

TMlSkinBitmapItem::TMlSkinBitmapItem(TMlSkinBitmapCollection* Collection)
    : collection_(Collection), bitmap_(std::make_unique<TBitmap32>()) {}

TMlSkinBitmapItem::~TMlSkinBitmapItem() = default;

void TMlSkinBitmapItem::Assign(const TPersistent* Source) {
  if (auto* item = dynamic_cast<const TMlSkinBitmapItem*>(Source)) {
    resID_ = item->resID_;
    description_ = item->description_;
    bitmap_->Assign(item->bitmap_.get());
    return;
  }
  TPersistent::Assign(Source);
}

TMlSkinBitmapItem* TMlSkinBitmapCollection::Add() {
  items_.push_back(std::make_unique<TMlSkinBitmapItem>(this));
  return items_.back().get();
}

TMlSkinBitmapItem* TMlSkinBitmapCollection::Items(int Index) const {
  if (Index < 0 || Index >= Count()) throw EListError(Format("List index out of bounds (%d)", Index));
  return items_[static_cast<size_t>(Index)].get();
}
