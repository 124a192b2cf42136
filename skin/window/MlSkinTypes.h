#pragma once
// Value types shared by the skinned form and its settings.
#include "framework/Classes.h"

using TMlResID = AnsiString;

enum class TMlSkinStyle { ssColor, ssPicture };
enum class TMlFillStyle { mfsBlur, mfsTile, mfsStretch };
