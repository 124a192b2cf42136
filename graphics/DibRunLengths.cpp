// Run-length encoded bitmaps (4 and 8 bits per pixel). The stream is pairs
// of bytes: a count and a colour (a run), or 0 and an escape: end of line,
// end of bitmap, a move (delta), or a literal run padded to a 16-bit word.
// Rows are stored bottom-up. Writes outside the image are dropped, and the
// data ending early simply ends the image.
#include "graphics/DibDecoding.h"

namespace dib {

namespace {
constexpr unsigned char kEscape = 0, kEndOfLine = 0, kEndOfBitmap = 1, kDelta = 2;
}  // namespace

std::vector<TColor32> DecodeRunLengths(const unsigned char* data, std::size_t n, int bitsPerPixel, int w, int h,
                                       const std::vector<TColor32>& palette) {
  std::vector<TColor32> px(static_cast<std::size_t>(w) * static_cast<std::size_t>(h), 0);
  const bool nibbles = bitsPerPixel == 4;
  // x and y count in the stored order: y = 0 is the bottom row.
  long long x = 0, y = 0;
  auto put = [&](unsigned index) {
    if (x < w && y < h)
      px[static_cast<std::size_t>(h - 1 - y) * static_cast<std::size_t>(w) + x] = palette[index & 0xFF] | 0xFF000000u;
    ++x;
  };
  std::size_t i = 0;
  while (i + 1 < n && y < h) {
    const unsigned count = data[i], value = data[i + 1];
    i += 2;
    if (count != kEscape) {
      // A run: the colour (or the two colours of a nibble pair, alternating).
      for (unsigned k = 0; k < count && x < w; ++k) put(nibbles ? (k % 2 ? value & 0x0F : value >> 4) : value);
      continue;
    }
    if (value == kEndOfLine) {
      x = 0;
      ++y;
    } else if (value == kEndOfBitmap) {
      break;
    } else if (value == kDelta) {
      if (i + 1 >= n) break;
      x += data[i];
      y += data[i + 1];
      i += 2;
    } else {
      // A literal run of `value` pixels, its bytes padded to a 16-bit word.
      const std::size_t bytes = nibbles ? (value + 1) / 2 : value;
      if (bytes > n - i) break;
      for (unsigned k = 0; k < value; ++k) {
        const unsigned char b = data[i + (nibbles ? k / 2 : k)];
        put(nibbles ? (k % 2 ? b & 0x0F : b >> 4) : b);
      }
      i += bytes + (bytes % 2);
    }
  }
  return px;
}

}  // namespace dib
