#pragma once
// The Windows bitmap file headers, read from little-endian bytes.
#include <cstdint>

constexpr std::uint16_t BitmapFileSignature = 0x4D42;  // "BM"
constexpr int BitmapFileHeaderSize = 14;
constexpr int BitmapInfoHeaderSize = 40;
constexpr int BitmapCoreHeaderSize = 12;
constexpr std::uint32_t BI_RGB = 0, BI_RLE8 = 1, BI_RLE4 = 2, BI_BITFIELDS = 3;

struct TBitmapFileHeader {
  std::uint16_t Type = 0;
  std::uint32_t Size = 0;
  std::uint32_t OffBits = 0;
};

struct TBitmapInfoHeader {
  std::uint32_t HeaderSize = 0;
  std::int32_t Width = 0, Height = 0;
  std::uint16_t Planes = 0, BitCount = 0;
  std::uint32_t Compression = 0, SizeImage = 0, ClrUsed = 0;
  // Bit-field masks (from the header or after it).
  std::uint32_t RedMask = 0, GreenMask = 0, BlueMask = 0, AlphaMask = 0;
};

inline std::uint16_t GetLE16(const unsigned char* p) { return static_cast<std::uint16_t>(p[0] | p[1] << 8); }
inline std::uint32_t GetLE32(const unsigned char* p) {
  return p[0] | p[1] << 8 | p[2] << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}
inline void PutLE16(unsigned char* p, std::uint32_t v) {
  p[0] = v & 0xFF;
  p[1] = (v >> 8) & 0xFF;
}
inline void PutLE32(unsigned char* p, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = (v >> (8 * i)) & 0xFF;
}

// The 54-byte header of a 32 bits-per-pixel uncompressed bitmap file.
void WriteBitmap32Header(unsigned char (&h)[54], int Width, int Height, bool TopDown);
