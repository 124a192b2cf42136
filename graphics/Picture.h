#pragma once
// Decoded pictures: a graphic of one of the published formats (Windows
// bitmap, PNG, JPEG) and the picture object that holds one.
// FIXME: stands in for the framework's picture and graphic objects until it has them.
#include <memory>
#include <vector>

#include "framework/Streams.h"
#include "graphics/Color32.h"
#include "graphics/GraphicsErrors.h"

QUELBO_DECLARE_EXCEPTION(EInvalidGraphic, Exception);

enum class TGraphicKind { Bitmap, Icon, Metafile, Other };

class TGraphic : public TPersistent {
 public:
  virtual TGraphicKind Kind() const = 0;
  virtual void LoadFromStream(TStream& S) = 0;
  void LoadFromFile(const AnsiString& FileName);

  int Width() const { return width_; }
  int Height() const { return height_; }
  bool Empty() const { return width_ == 0 || height_ == 0; }
  // Decoded pixels $AARRGGBB, top row first.
  const std::vector<TColor32>& Pixels() const { return pixels_; }
  // Bits per pixel as stored in the file.
  int BitsPerPixel() const { return bitsPerPixel_; }
  // Drawn with its pixels of TransparentColor left out (bitmaps only).
  bool Transparent() const { return transparent_; }
  void SetTransparent(bool v) { transparent_ = v; }
  TColor TransparentColor() const { return transparentColor_; }
  void SetTransparentColor(TColor c) { transparentColor_ = c; }

  // Draws the graphic at (0, 0) on a W x H 32-bit surface the way the
  // platform draws this kind: bitmaps copy all four bytes, other pictures
  // blend by their alpha.
  virtual void Draw(TColor32* Bits, int W, int H) const;

 protected:
  void SetImage(int w, int h, std::vector<TColor32> px, int bpp);

 private:
  int width_ = 0, height_ = 0, bitsPerPixel_ = 0;
  std::vector<TColor32> pixels_;
  bool transparent_ = false;
  TColor transparentColor_ = 0;
};

// A Windows bitmap (our own reader: 1, 4, 8, 16, 24 and 32 bits per pixel,
// uncompressed or with bit fields, bottom-up or top-down).
class TBitmapGraphic : public TGraphic {
 public:
  TGraphicKind Kind() const override { return TGraphicKind::Bitmap; }
  void LoadFromStream(TStream& S) override;
};

class TPngGraphic : public TGraphic {
 public:
  TGraphicKind Kind() const override { return TGraphicKind::Other; }
  void LoadFromStream(TStream& S) override;
  // The colour type of the file (0, 2, 3, 4 or 6) and whether it carried a
  // transparency chunk; the pixels already hold the alpha either gives.
  int ColorType() const { return colorType_; }
  bool HasTransparencyChunk() const { return hasTrns_; }
  // Per-pixel alpha: colour type 4 or 6, or a transparency chunk.
  bool HasAlpha() const { return colorType_ == 4 || colorType_ == 6 || hasTrns_; }
  // Writes the pixels as an 8-bit RGBA PNG.
  static void SavePixels(TStream& S, const TColor32* Bits, int W, int H);

 private:
  int colorType_ = 0;
  bool hasTrns_ = false;
};

class TJpegGraphic : public TGraphic {
 public:
  TGraphicKind Kind() const override { return TGraphicKind::Other; }
  void LoadFromStream(TStream& S) override;
};

// Reads the graphic whose format the stream's first bytes announce.
std::unique_ptr<TGraphic> LoadGraphicFromStream(TStream& S);

class TPicture : public TPersistent {
 public:
  const TGraphic* Graphic() const { return graphic_.get(); }
  TGraphic* Graphic() { return graphic_.get(); }
  void SetGraphic(std::unique_ptr<TGraphic> g) { graphic_ = std::move(g); }
  int Width() const { return graphic_ ? graphic_->Width() : 0; }
  int Height() const { return graphic_ ? graphic_->Height() : 0; }
  void LoadFromFile(const AnsiString& FileName);
  void LoadFromStream(TStream& S) { graphic_ = LoadGraphicFromStream(S); }

 private:
  std::unique_ptr<TGraphic> graphic_;
};

// Encoded pictures larger than this are refused before they are read.
constexpr std::int64_t MaxEncodedPictureSize = 512LL << 20;
// The whole rest of a stream, refusing more than Limit bytes.
std::vector<unsigned char> ReadRestOfStream(TStream& S, std::int64_t Limit);
