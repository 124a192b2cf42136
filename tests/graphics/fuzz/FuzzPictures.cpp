// Fuzz entry for one picture reader (FUZZ_READER): the stored "Data" form, a
// bitmap file through the bitmap, PNG, JPEG or an icon file. Every input must
// end in a picture or an exception.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "graphics/Bitmap32.h"
#include "graphics/Picture.h"

#define READER_DATA 1
#define READER_BMP 2
#define READER_PNG 3
#define READER_JPEG 4
#define READER_ICON 5

namespace {
// A file of a few bytes may claim a picture of a gigabyte (a bitmap's runs
// and skips cover it, a JPEG decoder makes up missing rows), which the
// readers allow; such inputs test nothing a small picture does not, and each
// would take milliseconds to seconds and much of the memory limit. Inputs
// claiming over 256 by 256 pixels are left out, read from the headers.
constexpr long long kLargestPicture = 1 << 16;

[[maybe_unused]] std::uint32_t LittleEndian(const std::uint8_t* p, int bytes) {
  std::uint32_t v = 0;
  for (int i = bytes - 1; i >= 0; --i) v = v << 8 | p[i];
  return v;
}

// A bitmap info or core header at `at`.
[[maybe_unused]] bool DibTooLarge(const std::uint8_t* data, std::size_t size, std::size_t at) {
  if (at > size || size - at < 12) return false;
  const std::uint8_t* h = data + at;
  const bool core = LittleEndian(h, 4) == 12;
  const long long width = core ? LittleEndian(h + 4, 2) : static_cast<std::int32_t>(LittleEndian(h + 4, 4));
  const long long height = core ? static_cast<std::int16_t>(LittleEndian(h + 6, 2))
                                : static_cast<std::int32_t>(LittleEndian(h + 8, 4));
  return std::llabs(width) * std::llabs(height) > kLargestPicture;
}

[[maybe_unused]] bool ClaimsHugePicture(const std::uint8_t* data, std::size_t size) {
#if FUZZ_READER == READER_BMP
  return DibTooLarge(data, size, 14);
#elif FUZZ_READER == READER_ICON
  // Each directory entry's image: a bitmap header (or a PNG, held by its own limit).
  const std::size_t count = size >= 6 ? LittleEndian(data + 4, 2) : 0;
  for (std::size_t i = 0; i < count && 6 + 16 * (i + 1) <= size; ++i)
    if (DibTooLarge(data, size, LittleEndian(data + 6 + 16 * i + 12, 4))) return true;
  return false;
#elif FUZZ_READER == READER_JPEG
  // Any start-of-frame marker with its height and width (big-endian).
  for (std::size_t i = 0; i + 9 <= size; ++i) {
    const std::uint8_t m = data[i + 1];
    if (data[i] != 0xFF || m < 0xC0 || m > 0xCF || m == 0xC4 || m == 0xC8 || m == 0xCC) continue;
    const long long height = data[i + 5] << 8 | data[i + 6], width = data[i + 7] << 8 | data[i + 8];
    if (width * height > kLargestPicture) return true;
  }
  return false;
#else
  return false;
#endif
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (ClaimsHugePicture(data, size)) return -1;  // kept out of the corpus
  TMemoryStream s;
  if (size > 0) s.WriteBuffer(data, static_cast<std::int64_t>(size));
  s.SetPosition(0);
  try {
#if FUZZ_READER == READER_DATA
    TBitmap32 b;
    b.ReadData(s);
#elif FUZZ_READER == READER_BMP
    TBitmap32 b;
    b.LoadFromStream(s);
#elif FUZZ_READER == READER_PNG
    TPngImage p;
    p.LoadFromStream(s);
#elif FUZZ_READER == READER_JPEG
    TJPEGImage j;
    j.LoadFromStream(s);
#elif FUZZ_READER == READER_ICON
    TIconFile i;
    i.LoadFromStream(s);
#else
#error "FUZZ_READER must name a reader"
#endif
  } catch (const Exception&) {
  }
  return 0;
}
