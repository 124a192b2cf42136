#include "skin/MlSkinPng.h"

#include <algorithm>
#include <string>

#include "platform/Png.h"

namespace {

[[noreturn]] void RaiseDecodeError(const std::string& why, bool signatureOk) {
  if (!signatureOk) throw EPNGInvalidFileHeader("The file is not a PNG image: its signature is wrong");
  if (why.find("CRC") != std::string::npos) throw EPNGInvalidCRC("The PNG image is damaged: " + why);
  throw EPNGError("The PNG image is not valid: " + why);
}

bool HasPngSignature(const std::vector<unsigned char>& data) {
  static const unsigned char signature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  return data.size() >= 8 && std::equal(signature, signature + 8, data.begin());
}

}  // namespace

void LoadPngFileToSkinImage(TMlSkinImage* Target, const AnsiString& FileName, bool& AlphaUsed) {
  TFileStream file(FileName, fmOpenRead | fmShareDenyWrite);
  LoadPngToSkinImage(Target, file, AlphaUsed);
}

void LoadPngToSkinImage(TBitmap32* Target, TStream& Stream, bool& AlphaUsed) {
  AlphaUsed = false;
  std::vector<unsigned char> data = ReadRestOfStream(Stream, MaxEncodedPictureSize);
  std::vector<std::uint32_t> pixels;
  platform::PngInfo info;
  std::string why;
  int w = 0, h = 0;
  if (!platform::DecodePng(data.data(), data.size(), pixels, w, h, &why, &info, MaxSurfacePixels))
    RaiseDecodeError(why, HasPngSignature(data));

  // The decoder already turns a transparent colour or transparent palette
  // entries into alpha 0, and an alpha channel into alpha; only a palette
  // with partial transparency is shown opaque.
  const bool alphaChannel = info.colorType == 4 || info.colorType == 6;
  const bool partialPalette = info.colorType == 3 && info.partialPaletteAlpha;
  if (partialPalette || !(alphaChannel || info.hasTransparency))
    for (std::uint32_t& p : pixels) p |= 0xFF000000u;
  else
    AlphaUsed = true;

  Target->BeginUpdate();
  try {
    Target->Resize(w, h);
    std::copy(pixels.begin(), pixels.end(), Target->Bits());
  } catch (...) {
    Target->EndUpdate();
    throw;
  }
  Target->EndUpdate();
  Target->Changed();
}

std::unique_ptr<TPngImage> BitmapToPng(const TBitmap32* Bitmap) {
  if (!Bitmap || Bitmap->Empty()) return nullptr;
  try {
    TMemoryStream encoded;
    TPngImage::SavePixels(encoded, Bitmap->Bits(), Bitmap->Width(), Bitmap->Height());
    encoded.SetPosition(0);
    auto png = std::make_unique<TPngImage>();
    png->LoadFromStream(encoded);
    return png;
  } catch (const Exception&) {
    return nullptr;
  }
}
