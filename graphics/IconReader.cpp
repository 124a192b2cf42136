// Icon files: a directory of images, each a PNG file or a device-independent
// bitmap followed by its 1-bit transparency mask.
#include <cstring>

#include "graphics/Backends.h"
#include "graphics/BmpFormat.h"
#include "graphics/DibDecoding.h"
#include "platform/Png.h"

namespace {

constexpr std::size_t kIconHeaderSize = 6, kIconEntrySize = 16;
constexpr std::uint16_t kIconType = 1;
constexpr unsigned char kPngSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};

[[noreturn]] void Invalid() { throw EInvalidGraphic("Icon image is not valid"); }

struct IconEntry {
  int width = 0, height = 0, bitCount = 0;
  std::uint32_t size = 0, offset = 0;
};

TDecodedImage DecodePngEntry(const unsigned char* p, std::size_t n) {
  std::vector<std::uint32_t> px;
  int w = 0, h = 0;
  if (!platform::DecodePng(p, n, px, w, h, nullptr, nullptr, MaxSurfacePixels)) Invalid();
  return {w, h, 32, std::move(px)};
}

// The colour image, then the mask: a set mask bit is a transparent pixel.
// An image without any alpha takes its transparency from the mask alone.
TDecodedImage DecodeBitmapEntry(const unsigned char* p, std::size_t n) {
  dib::TDib d = dib::DecodeDib(p, n, dib::PixelsAfterPalette, true);
  TDecodedImage& img = d.Image;
  bool anyAlpha = false;
  if (img.BitsPerPixel == 32)
    for (TColor32 c : img.Pixels) anyAlpha = anyAlpha || AlphaComponent(c) != 0;
  if (anyAlpha) return std::move(img);
  const std::size_t w = static_cast<std::size_t>(img.Width), h = static_cast<std::size_t>(img.Height);
  const std::size_t stride = ((w + 31) / 32) * 4;
  const bool haveMask = d.PixelEnd <= n && (n - d.PixelEnd) / stride >= h;
  for (std::size_t row = 0; row < h; ++row) {
    // The mask is stored bottom-up, like the colour image.
    const unsigned char* m = haveMask ? p + d.PixelEnd + (h - 1 - row) * stride : nullptr;
    for (std::size_t x = 0; x < w; ++x) {
      TColor32& c = img.Pixels[row * w + x];
      const bool transparent = m && ((m[x / 8] >> (7 - x % 8)) & 1);
      c = transparent ? 0 : (c | 0xFF000000u);
    }
  }
  return std::move(img);
}

}  // namespace

TDecodedImage DecodeIconFile(TStream& S) {
  std::vector<unsigned char> d = ReadRestOfStream(S, MaxEncodedPictureSize);
  const std::size_t n = d.size();
  if (n < kIconHeaderSize || GetLE16(d.data()) != 0 || GetLE16(d.data() + 2) != kIconType) Invalid();
  const std::size_t count = GetLE16(d.data() + 4);
  if (count == 0 || count > (n - kIconHeaderSize) / kIconEntrySize) Invalid();
  // The largest image, and of those the one with the most colours.
  IconEntry best;
  bool found = false;
  for (std::size_t i = 0; i < count; ++i) {
    const unsigned char* e = d.data() + kIconHeaderSize + i * kIconEntrySize;
    IconEntry c{e[0] ? e[0] : 256, e[1] ? e[1] : 256, GetLE16(e + 6), GetLE32(e + 8), GetLE32(e + 12)};
    if (c.offset > n || c.size > n - c.offset || c.size == 0) continue;
    const long long area = 1LL * c.width * c.height, bestArea = 1LL * best.width * best.height;
    if (!found || area > bestArea || (area == bestArea && c.bitCount > best.bitCount)) best = c, found = true;
  }
  if (!found) Invalid();
  const unsigned char* image = d.data() + best.offset;
  if (best.size >= sizeof kPngSignature && std::memcmp(image, kPngSignature, sizeof kPngSignature) == 0)
    return DecodePngEntry(image, best.size);
  return DecodeBitmapEntry(image, best.size);
}

void TIconFile::LoadFromStream(TStream& S) {
  TDecodedImage img = DecodeIconFile(S);
  SetPixels(img.Width, img.Height, std::move(img.Pixels));
}
