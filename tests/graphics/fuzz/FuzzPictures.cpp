// Fuzz entry point for the picture readers: the first byte picks the reader
// (stored "Data", a bitmap file through the bitmap, PNG, JPEG, an icon file),
// the rest is the input. Every input must end in a picture or an exception.
#include <cstddef>
#include <cstdint>

#include "graphics/Bitmap32.h"
#include "graphics/Picture.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1) return 0;
  TMemoryStream s;
  if (size > 1) s.WriteBuffer(data + 1, static_cast<std::int64_t>(size - 1));
  s.SetPosition(0);
  try {
    switch (data[0] % 5) {
      case 0: {
        TBitmap32 b;
        b.ReadData(s);
        break;
      }
      case 1: {
        TBitmap32 b;
        b.LoadFromStream(s);
        break;
      }
      case 2: {
        TPngImage p;
        p.LoadFromStream(s);
        break;
      }
      case 3: {
        TJPEGImage j;
        j.LoadFromStream(s);
        break;
      }
      default: {
        TIconFile i;
        i.LoadFromStream(s);
        break;
      }
    }
  } catch (const Exception&) {
  }
  return 0;
}
