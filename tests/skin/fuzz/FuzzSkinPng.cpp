// Fuzz entry for the skin's PNG loader: every input ends in a skin image
// whose transparency follows the file, or in a PNG error.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "skin/MlSkinPng.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  TMemoryStream s;
  if (size > 0) s.WriteBuffer(data, static_cast<std::int64_t>(size));
  s.SetPosition(0);
  TMlSkinImage image;
  bool alphaUsed = false;
  try {
    LoadPngToSkinImage(&image, s, alphaUsed);
  } catch (const EPNGError&) {
    return 0;
  }
  // A picture the loader gives back can be made a PNG again.
  if (!image.Empty() && !BitmapToPng(&image)) std::abort();
  return 0;
}
