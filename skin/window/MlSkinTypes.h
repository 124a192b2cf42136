#pragma once
// Value types shared by the skinned form and its settings.
#include "skin/MlSkinImage.h"

enum class TMlSkinStyle { ssColor, ssPicture };
enum class TMlFillStyle { mfsBlur, mfsTile, mfsStretch };
