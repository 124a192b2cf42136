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

#if FUZZ_READER == READER_BMP
namespace {
// A bitmap file of a few bytes may claim a picture of a gigabyte (runs and
// skips cover it), which the reader allows; such inputs test nothing a small
// picture does not, and each would take milliseconds to seconds and much of
// the memory limit. Their size (over 256 by 256) is read from the bitmap info
// or core header.
constexpr long long kLargestBitmap = 1 << 16;

bool ClaimsHugeBitmap(const std::uint8_t* data, std::size_t size) {
  if (size < 26) return false;
  auto le = [&](std::size_t at, int bytes) {
    std::uint32_t v = 0;
    for (int i = bytes - 1; i >= 0; --i) v = v << 8 | data[at + static_cast<std::size_t>(i)];
    return v;
  };
  const bool core = le(14, 4) == 12;
  const long long w = core ? le(18, 2) : static_cast<std::int32_t>(le(18, 4));
  const long long h = core ? static_cast<std::int16_t>(le(20, 2)) : static_cast<std::int32_t>(le(22, 4));
  return std::llabs(w) * std::llabs(h) > kLargestBitmap;
}
}  // namespace
#endif

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
#if FUZZ_READER == READER_BMP
  if (ClaimsHugeBitmap(data, size)) return -1;  // kept out of the corpus
#endif
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
