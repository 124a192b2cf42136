// PNG pictures: decoded and encoded by the platform's PNG code, kept with the
// colour type they were stored in.
#include "graphics/Backends.h"
#include "graphics/Picture.h"
#include "platform/Png.h"

void TPngImage::LoadFromStream(TStream& S) {
  std::vector<unsigned char> data = ReadRestOfStream(S, MaxEncodedPictureSize);
  platform::PngInfo info;
  std::vector<TColor32> px;
  int w = 0, h = 0;
  if (!platform::DecodePng(data.data(), data.size(), px, w, h, nullptr, &info, MaxSurfacePixels))
    throw EInvalidGraphic("PNG image is not valid");
  colorType_ = info.colorType;
  hasTrns_ = info.hasTransparency;
  int bpp = info.colorType == 6 ? 32 : info.colorType == 2 ? 24 : info.colorType == 4 ? 16 : 8;
  SetImage({w, h, bpp, std::move(px)});
}

void TPngImage::SavePixels(TStream& S, const TColor32* Bits, int W, int H) {
  if (W <= 0 || H <= 0 || !Bits) throw EInvalidGraphic("PNG image is empty");
  std::vector<std::uint8_t> bytes;
  if (!platform::EncodePng(Bits, W, H, W, bytes)) throw EWriteError("Stream write error");
  S.WriteBuffer(bytes.data(), static_cast<std::int64_t>(bytes.size()));
}
