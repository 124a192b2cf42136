#pragma once
// The data module that carries the built-in skin images.
#include "skin/MlSkinImage.h"

// The number of built-in images and their names in store order.
constexpr int BuiltInSkinImageCount = 79;
extern const char* const BuiltInSkinImageNames[BuiltInSkinImageCount];

// Holds the one image list "MlSkinImageListMain"; its constructor decodes
// every built-in image (dmBlend, nearest-neighbour resampler).
class TMlSkinResDM : public TComponent {
 public:
  explicit TMlSkinResDM(TComponent* AOwner);
  TMlSkinImageList* MlSkinImageListMain = nullptr;
};

// The process's one instance, named "MlSkinResDM"; null until created.
extern TMlSkinResDM* MlSkinResDM;

// Creates MlSkinResDM unless it exists (start-up calls it before the
// application object is used).
void CreateMlSkinResDM();
void FreeMlSkinResDM();
