#pragma once
// Picture readers of the published formats as graphics of the framework's
// picture classes: PNG (libpng), JPEG (libjpeg-turbo) and our own Windows
// bitmap and icon readers.
#include <memory>
#include <vector>

#include "core/Streams.h"
#include "framework/paint/Graphics.h"
#include "graphics/Color32.h"
#include "graphics/GraphicsErrors.h"

QUELBO_DECLARE_EXCEPTION(EInvalidGraphic, Exception);

// Encoded pictures larger than this are refused before they are read.
constexpr std::int64_t MaxEncodedPictureSize = 512LL << 20;

// A decoded image: $AARRGGBB pixels, top row first, not premultiplied.
struct TDecodedImage {
  int Width = 0, Height = 0;
  int BitsPerPixel = 0;  // as stored in the file
  std::vector<TColor32> Pixels;
};

// Reads a Windows bitmap file: 1, 4, 8, 16, 24 and 32 bits per pixel,
// uncompressed or with bit fields, bottom-up or top-down, or run-length
// encoded with 4 or 8 bits per pixel. Pixels of files without alpha come out
// opaque, except those that run lengths skip, which stay transparent. Raises
// EInvalidGraphic.
TDecodedImage DecodeBitmapFile(TStream& S);

// Reads an icon file: of its images the largest, and of those the one with
// the most colours; a PNG image, or a bitmap of any bit count with its
// transparency mask (an image with its own alpha keeps that alpha). Raises
// EInvalidGraphic.
TDecodedImage DecodeIconFile(TStream& S);

// A picture held as decoded pixels; drawn by blending with its alpha.
class TDecodedGraphic : public TGraphic {
 public:
  int Width() const override { return image_.Width; }
  int Height() const override { return image_.Height; }
  const std::vector<TColor32>& Pixels() const { return image_.Pixels; }
  int BitsPerPixel() const { return image_.BitsPerPixel; }
  // Blends the pixels (stretched to r by nearest neighbour) onto the
  // canvas's surface with their alpha; the alpha bytes accumulate coverage.
  void Draw(TCanvas* canvas, const RECT& r) override;

 protected:
  void SetImage(TDecodedImage img);

 private:
  TDecodedImage image_;
};

class TPngImage : public TDecodedGraphic {
 public:
  void LoadFromStream(TStream& S) override;
  std::unique_ptr<TGraphic> Clone() const override { return std::make_unique<TPngImage>(*this); }
  void SaveToStream(TStream& S) override { SavePixels(S, Pixels().data(), Width(), Height()); }
  // The colour type of the file (0, 2, 3, 4 or 6) and whether it carried a
  // transparency chunk; the pixels already hold the alpha either gives.
  int ColorType() const { return colorType_; }
  bool HasTransparencyChunk() const { return hasTrns_; }
  // Per-pixel alpha: colour type 4 or 6, or a transparency chunk.
  bool HasAlpha() const { return colorType_ == 4 || colorType_ == 6 || hasTrns_; }
  // Writes W x H pixels as an 8-bit RGBA PNG.
  static void SavePixels(TStream& S, const TColor32* Bits, int W, int H);

 private:
  int colorType_ = 0;
  bool hasTrns_ = false;
};

class TJPEGImage : public TDecodedGraphic {
 public:
  void LoadFromStream(TStream& S) override;
  std::unique_ptr<TGraphic> Clone() const override { return std::make_unique<TJPEGImage>(*this); }
};

// The platform bitmap, read with our own reader (every bit count).
class TBitmapFile : public TBitmap {
 public:
  void LoadFromStream(TStream& S) override;
  std::unique_ptr<TGraphic> Clone() const override;
  // The bit count of the file last read (32 for bitmaps made in memory).
  int BitsPerPixel() const { return bitsPerPixel_; }

 private:
  int bitsPerPixel_ = 32;
};

// An icon read from an icon file.
class TIconFile : public TIcon {
 public:
  void LoadFromStream(TStream& S) override;
  std::unique_ptr<TGraphic> Clone() const override { return std::make_unique<TIconFile>(*this); }
};

// Blends W x H pixels with their alpha onto a surface at (0, 0), the way
// pictures with alpha are drawn: each colour channel by the source alpha,
// the alpha bytes accumulating coverage.
void BlendPicturePixels(Surface32 Dst, const TColor32* Src, int W, int H);

// Reads the picture whose format the stream's first bytes announce.
std::unique_ptr<TGraphic> LoadGraphicFromStream(TStream& S);
// Registers ".png", ".jpg", ".jpeg" and ".jpe" with the picture classes
// (unless someone registered them already), and ".bmp" and ".ico" with our
// readers.
// Idempotent; bitmaps call it when they are made.
void RegisterPictureFormats();

// The whole rest of a stream, refusing more than Limit bytes.
std::vector<unsigned char> ReadRestOfStream(TStream& S, std::int64_t Limit);
