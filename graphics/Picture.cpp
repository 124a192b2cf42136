#include "graphics/Picture.h"

#include <algorithm>
#include <cstring>

namespace {
constexpr unsigned char kPngSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
constexpr unsigned char kJpegSignature[3] = {0xFF, 0xD8, 0xFF};
constexpr unsigned char kBitmapSignature[2] = {'B', 'M'};
// Reserved 0, type 1 (an icon), then a count of images that is not 0.
bool IsIconHeader(const unsigned char* h, std::int64_t got) {
  return got >= 6 && h[0] == 0 && h[1] == 0 && h[2] == 1 && h[3] == 0 && (h[4] | h[5]) != 0;
}
}  // namespace

std::vector<unsigned char> ReadRestOfStream(TStream& S, std::int64_t Limit) {
  std::int64_t left = std::max<std::int64_t>(S.Size() - S.Position(), 0);
  if (left > Limit) throw EInvalidGraphic("Picture file is too large");
  std::vector<unsigned char> data(static_cast<size_t>(left));
  if (left) S.ReadBuffer(data.data(), left);
  return data;
}

void TDecodedGraphic::SetImage(TDecodedImage img) {
  image_ = std::move(img);
  Changed();
}

namespace {
inline TColor32 BlendPicturePixel(TColor32 f, TColor32 d) {
  unsigned a = AlphaComponent(f), da = AlphaComponent(d);
  TColor32 out = 0;
  for (int sh = 0; sh < 24; sh += 8) out |= ((((f >> sh) & 0xFF) * a + ((d >> sh) & 0xFF) * (255 - a) + 127) / 255) << sh;
  return out | ((a * 255 + da * (255 - a) + 127) / 255) << 24;
}
}  // namespace

void BlendPicturePixels(Surface32 Dst, const TColor32* Src, int W, int H) {
  for (int y = 0; y < std::min(H, Dst.height); ++y)
    for (int x = 0; x < std::min(W, Dst.width); ++x)
      Dst.Row(y)[x] = BlendPicturePixel(Src[static_cast<size_t>(y) * W + x], Dst.Row(y)[x]);
}

void TDecodedGraphic::Draw(TCanvas* canvas, const RECT& r) {
  if (Empty() || !canvas || !canvas->Handle() || r.IsEmpty()) return;
  HDC dc = canvas->Handle();
  Surface32 s = GetDCSurface(dc);
  POINT org;
  GetViewportOrgEx(dc, &org);
  RECT clip;
  GetClipBox(dc, &clip);
  RECT dst = IntersectRect(OffsetRect(IntersectRect(r, clip), org.x, org.y), Rect(0, 0, s.width, s.height));
  const long long rw = static_cast<long long>(r.right) - r.left, rh = static_cast<long long>(r.bottom) - r.top;
  for (int y = dst.top; y < dst.bottom; ++y) {
    int sy = static_cast<int>((y - org.y - r.top) * static_cast<long long>(Height()) / rh);
    for (int x = dst.left; x < dst.right; ++x) {
      int sx = static_cast<int>((x - org.x - r.left) * static_cast<long long>(Width()) / rw);
      TColor32& d = s.Row(y)[x];
      d = BlendPicturePixel(image_.Pixels[static_cast<size_t>(sy) * Width() + sx], d);
    }
  }
}

void TBitmapFile::LoadFromStream(TStream& S) {
  TDecodedImage img = DecodeBitmapFile(S);
  SetSize(img.Width, img.Height);
  Surface32 s = Surface();
  for (int y = 0; y < img.Height; ++y)
    std::memcpy(s.Row(y), img.Pixels.data() + static_cast<size_t>(y) * img.Width, static_cast<size_t>(img.Width) * 4);
  bitsPerPixel_ = img.BitsPerPixel;
}

std::unique_ptr<TGraphic> TBitmapFile::Clone() const {
  auto b = std::make_unique<TBitmapFile>();
  b->Assign(this);
  b->bitsPerPixel_ = bitsPerPixel_;
  return b;
}

std::unique_ptr<TGraphic> LoadGraphicFromStream(TStream& S) {
  unsigned char head[8] = {};
  std::int64_t start = S.Position();
  std::int64_t got = S.Read(head, sizeof head);
  S.SetPosition(start);
  std::unique_ptr<TGraphic> g;
  if (got >= 8 && std::memcmp(head, kPngSignature, 8) == 0)
    g = std::make_unique<TPngImage>();
  else if (got >= 3 && std::memcmp(head, kJpegSignature, 3) == 0)
    g = std::make_unique<TJPEGImage>();
  else if (got >= 2 && std::memcmp(head, kBitmapSignature, 2) == 0)
    g = std::make_unique<TBitmapFile>();
  else if (IsIconHeader(head, got))
    g = std::make_unique<TIconFile>();
  else
    throw EInvalidGraphic("Unknown picture file format");
  g->LoadFromStream(S);
  return g;
}

void RegisterPictureFormats() {
  static const bool done = [] {
    auto add = [](const char* ext, TPicture::Factory f) {
      if (!TPicture::CreateGraphicFor(ext)) TPicture::RegisterFileFormat(ext, std::move(f));
    };
    add(".png", [] { return std::make_unique<TPngImage>(); });
    for (const char* ext : {".jpg", ".jpeg", ".jpe"}) add(ext, [] { return std::make_unique<TJPEGImage>(); });
    // Bitmaps of every bit count: our reader replaces the framework's
    // 24/32-bit one, and its graphic is still a TBitmap.
    TPicture::RegisterFileFormat(".bmp", [] { return std::make_unique<TBitmapFile>(); });
    TPicture::RegisterFileFormat(".ico", [] { return std::make_unique<TIconFile>(); });
    return true;
  }();
  (void)done;
}
