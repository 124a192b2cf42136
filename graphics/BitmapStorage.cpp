// The stored "Data" form, Windows bitmap files and loading pictures.
#include <algorithm>
#include <cstring>
#include <vector>

#include "graphics/Bitmap32.h"
#include "graphics/BmpFormat.h"
#include "graphics/Picture.h"

namespace {

void ReadPixelRows(TStream& S, TCustomBitmap32& b, bool bottomUp) {
  const std::int64_t rowBytes = static_cast<std::int64_t>(b.Width()) * 4;
  for (int i = 0; i < b.Height(); ++i) S.ReadBuffer(b.ScanLine(bottomUp ? b.Height() - 1 - i : i), rowBytes);
}

std::int64_t Remaining(TStream& S) { return S.Size() - S.Position(); }

}  // namespace

void TCustomBitmap32::ReadData(TStream& S) {
  try {
    unsigned char head[8];
    S.ReadBuffer(head, 8);
    int w = static_cast<std::int32_t>(GetLE32(head)), h = static_cast<std::int32_t>(GetLE32(head + 4));
    if (w < 0) w = 0;
    if (h < 0) h = 0;
    // The size is trusted only once the stream shows it holds the pixels.
    // (Both sizes below 2^31: their product fits, four times it may not.)
    if (static_cast<std::int64_t>(w) * h > Remaining(S) / 4) throw EReadError("Stream read error");
    Resize(w, h);
    if (!Empty()) ReadPixelRows(S, *this, false);
  } catch (...) {
    NotifyChanged();
    throw;
  }
  NotifyChanged();
}

void TCustomBitmap32::WriteData(TStream& S) const {
  unsigned char head[8];
  PutLE32(head, static_cast<std::uint32_t>(Width()));
  PutLE32(head + 4, static_cast<std::uint32_t>(Height()));
  S.WriteBuffer(head, 8);
  if (!Empty()) S.WriteBuffer(bits_, static_cast<std::int64_t>(Width()) * Height() * 4);
}

void TCustomBitmap32::LoadFromStream(TStream& S) {
  const std::int64_t start = S.Position();
  unsigned char h[54] = {};
  std::int64_t got = S.Read(h, sizeof h);
  S.SetPosition(start);
  if (got >= 2 && GetLE16(h) == BitmapFileSignature) {
    if (got == 54 && GetLE32(h + 14) >= BitmapInfoHeaderSize && GetLE16(h + 26) == 1 && GetLE16(h + 28) == 32 &&
        GetLE32(h + 30) == BI_RGB) {
      // Our own format: the pixels are read straight into the bitmap.
      std::int32_t w = static_cast<std::int32_t>(GetLE32(h + 18)), sh = static_cast<std::int32_t>(GetLE32(h + 22));
      std::int64_t height = sh < 0 ? -static_cast<std::int64_t>(sh) : sh;
      std::uint32_t offBits = GetLE32(h + 10);
      if (w <= 0 || height <= 0 || height > INT32_MAX || offBits < 54 ||
          static_cast<std::int64_t>(w) * height * 4 > Remaining(S) - offBits)
        throw EInvalidGraphic("Bitmap image is not valid");
      S.SetPosition(start + offBits);
      BeginUpdate();
      try {
        Resize(w, static_cast<int>(height));
        ReadPixelRows(S, *this, sh > 0);
      } catch (...) {
        EndUpdate();
        throw;
      }
      EndUpdate();
      NotifyChanged();
      return;
    }
    TBitmapFile g;
    g.LoadFromStream(S);
    AssignFromGraphic(g);
    return;
  }
  std::unique_ptr<TGraphic> g = LoadGraphicFromStream(S);
  AssignFromGraphic(*g);
}

void TCustomBitmap32::SaveToStream(TStream& S, bool TopDown) const {
  unsigned char h[54];
  WriteBitmap32Header(h, Width(), Height(), TopDown);
  S.WriteBuffer(h, sizeof h);
  const std::int64_t rowBytes = static_cast<std::int64_t>(Width()) * 4;
  for (int i = 0; i < Height(); ++i) S.WriteBuffer(ScanLine(TopDown ? i : Height() - 1 - i), rowBytes);
}

void TCustomBitmap32::LoadFromFileName(const AnsiString& FileName) {
  TFileStream f(FileName, fmOpenRead | fmShareDenyWrite);
  LoadFromStream(f);
}

void TCustomBitmap32::SaveToFile(const AnsiString& FileName, bool TopDown) const {
  TFileStream f(FileName, fmCreate);
  SaveToStream(f, TopDown);
}

void TCustomBitmap32::AssignFromGraphic(const TGraphic& G) {
  if (G.Empty()) {
    MakeEmpty();
    return;
  }
  // Pictures are drawn through a device context; a plain memory store has none.
  if (!dynamic_cast<TGDIBackend*>(backend_.get())) throw Exception("Inpropriate Backend");
  BeginUpdate();
  try {
    Resize(G.Width(), G.Height());
    const size_t n = static_cast<size_t>(Width()) * Height();
    TColor32* px = bits_;
    Surface32 surface{bits_, Width(), Height(), Width()};
    if (auto* bmp = dynamic_cast<const TBitmap*>(&G)) {
      // A bitmap is block-copied, all four bytes of each pixel.
      std::fill_n(px, n, 0u);
      Surface32 s = bmp->Surface();
      for (int y = 0; y < std::min(s.height, Height()); ++y)
        std::copy_n(s.Row(y), std::min(s.width, Width()), ScanLine(y));
      auto* file = dynamic_cast<const TBitmapFile*>(&G);
      if (file && file->BitsPerPixel() != 32) SetAlphaAll(255);
      if (G.Transparent()) {
        // The transparent colour is the bottom-left pixel's, as for bitmaps
        // whose transparent colour follows their content.
        TColor32 key = PixelAt(0, Height() - 1) & 0x00FFFFFF;
        for (size_t i = 0; i < n; ++i)
          if ((px[i] & 0x00FFFFFF) == key) px[i] &= 0x00FFFFFF;
      }
    } else if (auto* icon = dynamic_cast<const TIcon*>(&G)) {
      std::fill_n(px, n, 0u);
      BlendPicturePixels(surface, icon->Pixels().data(), icon->Width(), icon->Height());
      if (std::all_of(px, px + n, [](TColor32 c) { return AlphaComponent(c) == 0; })) {
        // An icon without alpha is taken like a metafile: drawn over white
        // and over red, a pixel that comes out the same on both is covered.
        std::fill_n(px, n, clWhite32);
        BlendPicturePixels(surface, icon->Pixels().data(), icon->Width(), icon->Height());
        std::vector<TColor32> overRed(n, 0xFFFF0000u);
        BlendPicturePixels({overRed.data(), Width(), Height(), Width()}, icon->Pixels().data(), icon->Width(),
                           icon->Height());
        for (size_t i = 0; i < n; ++i)
          px[i] = ((px[i] ^ overRed[i]) & 0x00FFFFFF) == 0 ? (px[i] | 0xFF000000u) : (px[i] & 0x00FFFFFF);
      }
    } else {
      // Any other picture is drawn over white and made opaque.
      std::fill_n(px, n, clWhite32);
      TCanvas canvas;
      canvas.SetHandle(DeviceContext());
      const_cast<TGraphic&>(G).Draw(&canvas, BoundsRect());
      canvas.SetHandle(nullptr);
      SetAlphaAll(255);
    }
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
  NotifyChanged();
}
