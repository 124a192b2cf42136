// The Windows bitmap reader: the file header, then the device-independent
// bitmap (uncompressed, bit fields, or run lengths).
#include <cstring>

#include "graphics/Backends.h"
#include "graphics/BmpFormat.h"
#include "graphics/DibDecoding.h"

namespace {

// What a run-length image may claim: this many pixels whatever its data, and
// beyond that this many per byte of data (a skipped row costs 2 bytes).
constexpr long long kMinRunLengthPixels = 1 << 20;
constexpr unsigned long long kRunLengthPixelsPerByte = 65536;

int MaskShift(std::uint32_t m) {
  int s = 0;
  while (m && !(m & 1)) m >>= 1, ++s;
  return s;
}
int MaskBits(std::uint32_t m) {
  m >>= MaskShift(m);
  int n = 0;
  while (m & 1) m >>= 1, ++n;
  return n;
}
// A masked field scaled to 0..255.
unsigned Field(std::uint32_t v, std::uint32_t mask) {
  if (!mask) return 0;
  int bits = MaskBits(mask);
  std::uint32_t f = (v & mask) >> MaskShift(mask);
  if (bits >= 8) return f >> (bits - 8);
  return bits ? (f * 255 + ((1u << bits) - 1) / 2) / ((1u << bits) - 1) : 0;
}

}  // namespace

void WriteBitmap32Header(unsigned char (&h)[54], int Width, int Height, bool TopDown) {
  std::memset(h, 0, sizeof h);
  std::uint32_t image = static_cast<std::uint32_t>(Width) * static_cast<std::uint32_t>(Height) * 4;
  PutLE16(h, BitmapFileSignature);
  PutLE32(h + 2, 54 + image);
  PutLE32(h + 10, 54);
  PutLE32(h + 14, BitmapInfoHeaderSize);
  PutLE32(h + 18, static_cast<std::uint32_t>(Width));
  PutLE32(h + 22, static_cast<std::uint32_t>(TopDown ? -Height : Height));
  PutLE16(h + 26, 1);
  PutLE16(h + 28, 32);
  PutLE32(h + 30, BI_RGB);
  PutLE32(h + 34, image);
}

namespace dib {

void Invalid() { throw EInvalidGraphic("Bitmap image is not valid"); }

TDib DecodeDib(const unsigned char* p, std::size_t n, std::size_t pixelOffset, bool iconHeight) {
  if (n < 4) Invalid();
  TBitmapInfoHeader ih;
  ih.HeaderSize = GetLE32(p);
  if (ih.HeaderSize > n) Invalid();
  if (ih.HeaderSize == BitmapCoreHeaderSize) {
    ih.Width = GetLE16(p + 4);
    ih.Height = static_cast<std::int16_t>(GetLE16(p + 6));
    ih.Planes = GetLE16(p + 8);
    ih.BitCount = GetLE16(p + 10);
  } else if (ih.HeaderSize >= BitmapInfoHeaderSize) {
    ih.Width = static_cast<std::int32_t>(GetLE32(p + 4));
    ih.Height = static_cast<std::int32_t>(GetLE32(p + 8));
    ih.Planes = GetLE16(p + 12);
    ih.BitCount = GetLE16(p + 14);
    ih.Compression = GetLE32(p + 16);
    ih.SizeImage = GetLE32(p + 20);
    ih.ClrUsed = GetLE32(p + 32);
  } else {
    Invalid();
  }
  const bool topDown = ih.Height < 0;
  long long h = topDown ? -static_cast<long long>(ih.Height) : ih.Height;
  if (iconHeight) h /= 2;
  const long long w = ih.Width;
  if (w <= 0 || h <= 0 || w * h > MaxSurfacePixels || ih.Planes != 1) Invalid();

  // Colour masks: explicit bit fields, or the defaults of 16 and 32 bits.
  std::size_t afterHeader = ih.HeaderSize;
  const int bpp = ih.BitCount;
  const bool runLengths = ih.Compression == BI_RLE8 || ih.Compression == BI_RLE4;
  if (ih.Compression == BI_BITFIELDS) {
    if (bpp != 16 && bpp != 32) Invalid();
    const std::size_t m = ih.HeaderSize >= 52 ? 40 : afterHeader;
    if (m + 12 > n) Invalid();
    ih.RedMask = GetLE32(p + m);
    ih.GreenMask = GetLE32(p + m + 4);
    ih.BlueMask = GetLE32(p + m + 8);
    if (ih.HeaderSize >= 56) ih.AlphaMask = GetLE32(p + 52);
    if (ih.HeaderSize < 52) afterHeader += 12;
  } else if (ih.Compression == BI_RGB) {
    if (bpp == 16) ih.RedMask = 0x7C00, ih.GreenMask = 0x03E0, ih.BlueMask = 0x001F;
    if (bpp == 32) ih.RedMask = 0xFF0000, ih.GreenMask = 0xFF00, ih.BlueMask = 0xFF, ih.AlphaMask = 0xFF000000;
  } else if (runLengths) {
    // Each kind has its one bit count, and its rows are stored bottom-up.
    if (bpp != (ih.Compression == BI_RLE8 ? 8 : 4) || topDown) Invalid();
  } else {
    Invalid();
  }

  // The palette of 1, 4 and 8 bits per pixel.
  std::vector<TColor32> palette;
  std::size_t paletteEnd = afterHeader;
  if (bpp == 1 || bpp == 4 || bpp == 8) {
    std::size_t count = ih.ClrUsed ? ih.ClrUsed : (1u << bpp);
    if (count > 256) Invalid();
    std::size_t entry = ih.HeaderSize == BitmapCoreHeaderSize ? 3 : 4;
    if (afterHeader > n || count * entry > n - afterHeader) Invalid();
    palette.resize(256, 0);
    for (std::size_t i = 0; i < count; ++i) {
      const unsigned char* e = p + afterHeader + i * entry;
      palette[i] = MakeColor32(e[2], e[1], e[0], 0);
    }
    paletteEnd = afterHeader + count * entry;
  } else if (bpp != 16 && bpp != 24 && bpp != 32) {
    Invalid();
  }
  const std::size_t start = pixelOffset == PixelsAfterPalette ? paletteEnd : pixelOffset;
  if (start > n) Invalid();

  TDib out;
  out.Image = {static_cast<int>(w), static_cast<int>(h), bpp, {}};
  if (runLengths) {
    // The stated size of the encoded data, where there is one, bounds it.
    std::size_t length = n - start;
    if (ih.SizeImage != 0 && ih.SizeImage < length) length = ih.SizeImage;
    // A few bytes of runs can claim a huge, nearly empty image; such a claim
    // is refused before its memory is taken.
    if (w * h > kMinRunLengthPixels && static_cast<unsigned long long>(w * h) / kRunLengthPixelsPerByte > length)
      Invalid();
    out.Image.Pixels = DecodeRunLengths(p + start, length, bpp, static_cast<int>(w), static_cast<int>(h), palette);
    out.PixelEnd = start + length;
    return out;
  }

  const long long stride = ((w * bpp + 31) / 32) * 4;
  if (static_cast<long long>(n - start) < stride * h) Invalid();
  std::vector<TColor32>& px = out.Image.Pixels;
  px.resize(static_cast<size_t>(w * h));
  for (long long row = 0; row < h; ++row) {
    const unsigned char* s = p + start + (topDown ? row : h - 1 - row) * stride;
    TColor32* o = px.data() + row * w;
    for (long long x = 0; x < w; ++x) {
      switch (bpp) {
        case 1: o[x] = palette[(s[x / 8] >> (7 - x % 8)) & 1]; break;
        case 4: o[x] = palette[(s[x / 2] >> (x % 2 ? 0 : 4)) & 0xF]; break;
        case 8: o[x] = palette[s[x]]; break;
        case 24: o[x] = MakeColor32(s[x * 3 + 2], s[x * 3 + 1], s[x * 3], 0); break;
        default: {
          std::uint32_t v = bpp == 16 ? GetLE16(s + x * 2) : GetLE32(s + x * 4);
          o[x] =
              MakeColor32(Field(v, ih.RedMask), Field(v, ih.GreenMask), Field(v, ih.BlueMask), Field(v, ih.AlphaMask));
        }
      }
    }
  }
  // Bit counts without an alpha channel are opaque.
  if (ih.AlphaMask == 0)
    for (TColor32& c : px) c |= 0xFF000000u;
  out.PixelEnd = start + static_cast<std::size_t>(stride * h);
  return out;
}

}  // namespace dib

TDecodedImage DecodeBitmapFile(TStream& S) {
  std::vector<unsigned char> d = ReadRestOfStream(S, MaxEncodedPictureSize);
  const size_t n = d.size();
  if (n < BitmapFileHeaderSize + 4 || GetLE16(d.data()) != BitmapFileSignature) dib::Invalid();
  const std::uint32_t offBits = GetLE32(d.data() + 10);
  if (offBits < BitmapFileHeaderSize) dib::Invalid();
  return dib::DecodeDib(d.data() + BitmapFileHeaderSize, n - BitmapFileHeaderSize, offBits - BitmapFileHeaderSize,
                        false)
      .Image;
}
