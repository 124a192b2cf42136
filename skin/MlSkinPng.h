#pragma once
// PNG files to skin images with their transparency, and skin images back to
// PNG pictures.
#include <memory>

#include "graphics/Picture.h"
#include "skin/MlSkinImage.h"

// The PNG decoder's errors: a wrong signature, a damaged chunk, any other
// fault of the file.
QUELBO_DECLARE_EXCEPTION(EPNGError, EInvalidGraphic);
QUELBO_DECLARE_EXCEPTION(EPNGInvalidFileHeader, EPNGError);
QUELBO_DECLARE_EXCEPTION(EPNGInvalidCRC, EPNGError);

// Opens the file read-only and reads it with LoadPngToSkinImage.
void LoadPngFileToSkinImage(TMlSkinImage* Target, const AnsiString& FileName, bool& AlphaUsed);

// Reads the PNG at the stream's position into Target. The colours are the
// file's; the alpha follows the file's transparency:
//   grey or colour with a transparent colour, palette whose transparency
//   entries are all 0 or 255: alpha 0 on the transparent pixels, 255 elsewhere;
//   grey or colour with alpha: the file's alpha;
//   palette with partial transparency, or no transparency: opaque.
// AlphaUsed tells whether any alpha was taken from the file. Raises an EPNGError.
void LoadPngToSkinImage(TBitmap32* Target, TStream& Stream, bool& AlphaUsed);

// A PNG picture with the bitmap's pixels and alpha, or null when the
// bitmap is empty or the conversion fails.
std::unique_ptr<TPngImage> BitmapToPng(const TBitmap32* Bitmap);
