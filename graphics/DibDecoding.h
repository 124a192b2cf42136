#pragma once
// Device-independent bitmaps, the pixel part shared by bitmap files and icon
// files. Every size and offset is checked against the data before use.
#include <cstddef>
#include <vector>

#include "graphics/Picture.h"

namespace dib {

// Where the pixels of a bitmap start: at an offset stated by a file header,
// or right after the header, masks and palette (as in icon files).
constexpr std::size_t PixelsAfterPalette = static_cast<std::size_t>(-1);

struct TDib {
  TDecodedImage Image;
  // Offset (from the info header) just past the colour pixels.
  std::size_t PixelEnd = 0;
};

// Decodes the bitmap whose info header starts at info; n bytes are readable
// from there. An icon's bitmap holds the colour image and its mask and
// states their combined height; only the colour image is decoded here.
// Raises EInvalidGraphic "Bitmap image is not valid".
TDib DecodeDib(const unsigned char* info, std::size_t n, std::size_t pixelOffset, bool iconHeight);

// Expands run-length encoded pixels (4 or 8 bits per pixel) into w x h
// pixels, top row first, through the palette. Pixels the data never reaches
// (skipped by a delta or an early end of line) stay 0: transparent.
std::vector<TColor32> DecodeRunLengths(const unsigned char* data, std::size_t n, int bitsPerPixel, int w, int h,
                                       const std::vector<TColor32>& palette);

[[noreturn]] void Invalid();

}  // namespace dib
