#include "graphics/Picture.h"

#include <cstring>

#include "graphics/Backends.h"

namespace {
constexpr unsigned char kPngSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
constexpr unsigned char kJpegSignature[3] = {0xFF, 0xD8, 0xFF};
constexpr unsigned char kBitmapSignature[2] = {'B', 'M'};
}  // namespace

std::vector<unsigned char> ReadRestOfStream(TStream& S, std::int64_t Limit) {
  std::int64_t left = S.Size() - S.Position();
  if (left < 0) left = 0;
  if (left > Limit) throw EInvalidGraphic("Picture file is too large");
  std::vector<unsigned char> data(static_cast<size_t>(left));
  if (left) S.ReadBuffer(data.data(), left);
  return data;
}

void TGraphic::LoadFromFile(const AnsiString& FileName) {
  TFileStream f(FileName, fmOpenRead | fmShareDenyWrite);
  LoadFromStream(f);
}

void TGraphic::SetImage(int w, int h, std::vector<TColor32> px, int bpp) {
  width_ = w;
  height_ = h;
  pixels_ = std::move(px);
  bitsPerPixel_ = bpp;
}

void TGraphic::Draw(TColor32* Bits, int W, int H) const {
  int w = std::min(W, width_), h = std::min(H, height_);
  for (int y = 0; y < h; ++y) {
    const TColor32* s = pixels_.data() + static_cast<size_t>(y) * width_;
    TColor32* d = Bits + static_cast<size_t>(y) * W;
    if (Kind() == TGraphicKind::Bitmap) {
      std::memcpy(d, s, static_cast<size_t>(w) * 4);
      continue;
    }
    for (int x = 0; x < w; ++x) {
      unsigned a = AlphaComponent(s[x]);
      TColor32 r = 0;
      for (int sh = 0; sh < 24; sh += 8) {
        unsigned c = (((s[x] >> sh) & 0xFF) * a + ((d[x] >> sh) & 0xFF) * (255 - a) + 127) / 255;
        r |= c << sh;
      }
      unsigned da = AlphaComponent(d[x]);
      d[x] = r | ((a * 255 + da * (255 - a) + 127) / 255) << 24;
    }
  }
}

std::unique_ptr<TGraphic> LoadGraphicFromStream(TStream& S) {
  unsigned char head[8] = {};
  std::int64_t start = S.Position();
  std::int64_t got = S.Read(head, sizeof head);
  S.SetPosition(start);
  std::unique_ptr<TGraphic> g;
  if (got >= 8 && std::memcmp(head, kPngSignature, 8) == 0)
    g = std::make_unique<TPngGraphic>();
  else if (got >= 3 && std::memcmp(head, kJpegSignature, 3) == 0)
    g = std::make_unique<TJpegGraphic>();
  else if (got >= 2 && std::memcmp(head, kBitmapSignature, 2) == 0)
    g = std::make_unique<TBitmapGraphic>();
  else
    throw EInvalidGraphic("Unknown picture file format");
  g->LoadFromStream(S);
  return g;
}

void TPicture::LoadFromFile(const AnsiString& FileName) {
  TFileStream f(FileName, fmOpenRead | fmShareDenyWrite);
  graphic_ = LoadGraphicFromStream(f);
}
