#pragma once
// PNG files to and from 32-bit pixels $AARRGGBB (not premultiplied), through libpng.
#include <cstdint>
#include <string>
#include <vector>

namespace platform {

struct PngInfo {
  int colorType = 0;                 // as stored: 0 grey, 2 RGB, 3 palette, 4 grey + alpha, 6 RGBA
  bool hasTransparency = false;      // a tRNS chunk
  bool partialPaletteAlpha = false;  // a palette tRNS with entries other than 0 and 255
};

// Decodes any PNG the standard allows to 8-bit channels, the stored values as
// they stand (no gamma conversion). False, with the reason when asked, for a
// damaged file or one of more than maxPixels pixels.
bool DecodePng(const std::uint8_t* data, size_t size, std::vector<std::uint32_t>& argb, int& width, int& height,
               std::string* error = nullptr, PngInfo* info = nullptr, long long maxPixels = 1LL << 28);
// Encodes the pixels (stride in pixels) as an RGBA PNG.
bool EncodePng(const std::uint32_t* pixels, int width, int height, int stride, std::vector<std::uint8_t>& out);
bool WritePng(const std::string& path, const std::uint32_t* pixels, int width, int height, int stride);

}  // namespace platform
