// Fuzz entry for one picture reader (FUZZ_READER): the stored "Data" form, a
// bitmap file through the bitmap, PNG, JPEG or an icon file. Every input must
// end in a picture or an exception.
#include <cstddef>
#include <cstdint>

#include "graphics/Bitmap32.h"
#include "graphics/Picture.h"

#define READER_DATA 1
#define READER_BMP 2
#define READER_PNG 3
#define READER_JPEG 4
#define READER_ICON 5

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
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
