#pragma once
// The 32-bit ARGB bitmap that every composed pixel goes through.
//
// TCustomBitmap32 keeps its pixels in memory (new pixels opaque black);
// TBitmap32 keeps them in a DIB section with a device context, a canvas and
// a font (new pixels transparent black). Pixels are row-major, top row first,
// without padding.
#include <functional>
#include <memory>

#include "core/Streams.h"
#include "framework/paint/Graphics.h"
#include "graphics/Backends.h"
#include "graphics/Color32.h"
#include "graphics/GraphicsErrors.h"
#include "graphics/Persistent32.h"

class TCustomResampler;

enum TDrawMode { dmOpaque, dmBlend, dmCustom, dmTransparent };
enum TCombineMode { cmBlend, cmMerge };
enum TWrapMode { wmClamp, wmRepeat, wmMirror };

// F is the source pixel, B the destination pixel, M the master alpha.
using TPixelCombineEvent = std::function<void(TColor32 F, TColor32& B, TColor32 M)>;
using TAreaChangedEvent = std::function<void(TObject* Sender, const TRect& Area, unsigned Info)>;

// The flags word of an area notification.
constexpr unsigned AREAINFO_RECT = 0x80000000u;
constexpr unsigned AREAINFO_LINE = 0x40000000u;

class TCustomBitmap32 : public TCustomMap {
 public:
  TCustomBitmap32();
  ~TCustomBitmap32() override;
  TCustomBitmap32(const TCustomBitmap32&) = delete;
  TCustomBitmap32& operator=(const TCustomBitmap32&) = delete;

  // A null source empties the bitmap; a bitmap is copied with its drawing
  // properties; a picture or graphic is drawn into the bitmap.
  void Assign(const TPersistent* Source) override;

  // ---- Pixels
  TColor32* Bits() { return bits_; }
  const TColor32* Bits() const { return bits_; }
  TColor32* ScanLine(int y) { return bits_ + static_cast<std::ptrdiff_t>(y) * Width(); }
  const TColor32* ScanLine(int y) const { return bits_ + static_cast<std::ptrdiff_t>(y) * Width(); }
  // Unchecked.
  TColor32& PixelAt(int X, int Y) { return bits_[X + static_cast<std::ptrdiff_t>(Y) * Width()]; }
  TColor32 PixelAt(int X, int Y) const { return bits_[X + static_cast<std::ptrdiff_t>(Y) * Width()]; }
  TRect BoundsRect() const { return {0, 0, Width(), Height()}; }

  // ---- Drawing properties
  const TRect& ClipBounds() const { return clipRect_; }
  // Limited to the bitmap's bounds.
  void SetClipBounds(const TRect& r);
  bool Clipping() const { return clipping_; }
  TDrawMode DrawMode() const { return drawMode_; }
  void SetDrawMode(TDrawMode v);
  TCombineMode CombineMode() const { return combineMode_; }
  void SetCombineMode(TCombineMode v);
  TWrapMode WrapMode() const { return wrapMode_; }
  void SetWrapMode(TWrapMode v);
  unsigned MasterAlpha() const { return masterAlpha_; }
  // Values above 255 count as 255.
  void SetMasterAlpha(unsigned v);
  TColor32 OuterColor() const { return outerColor_; }
  void SetOuterColor(TColor32 v) { outerColor_ = v; }
  TCustomResampler* Resampler() const { return resampler_.get(); }
  // Takes ownership; the previous resampler is freed. Null is ignored.
  void SetResampler(TCustomResampler* r);
  AnsiString ResamplerClassName() const;
  // An unknown name, or the current one, changes nothing.
  void SetResamplerClassName(const AnsiString& name);

  TAreaChangedEvent OnAreaChanged;
  TPixelCombineEvent OnPixelCombine;

  // ---- Notification
  // Whole-bitmap notification: OnAreaChanged then OnChange, each only while
  // no update is open.
  virtual void NotifyChanged();
  virtual void Changed(const TRect& Area, unsigned Info = AREAINFO_RECT);
  void Changed() override { NotifyChanged(); }

  // ---- Fills and pixels
  void Clear() { Clear(clBlack32); }
  void Clear(TColor32 C);
  void SetAlphaAll(unsigned A = 255);
  void BlendPixelClipped(int X, int Y, TColor32 C);
  void HorzRun(int X1, int Y, int X2, TColor32 C);
  void FillArea(int X1, int Y1, int X2, int Y2, TColor32 C);
  void FillAreaClipped(int X1, int Y1, int X2, int Y2, TColor32 C);
  void FillAreaBlended(int X1, int Y1, int X2, int Y2, TColor32 C);
  void FrameAreaClipped(const TRect& R, TColor32 C);
  void DrawLine(int X1, int Y1, int X2, int Y2, TColor32 C, bool IncludeLast);

  // ---- Copies
  void DrawFrom(int X, int Y, TCustomBitmap32* Src);
  void DrawFrom(int X, int Y, const TRect& SrcRect, TCustomBitmap32* Src);
  void DrawFrom(const TRect& DstRect, const TRect& SrcRect, TCustomBitmap32* Src);
  void DrawOnto(TCustomBitmap32* Dst, int X, int Y);
  void DrawOnto(TCustomBitmap32* Dst, const TRect& DstRect);
  void DrawOnto(TCustomBitmap32* Dst, const TRect& DstRect, const TRect& SrcRect);
  // Dst takes this bitmap's drawing properties and a resampler of the same
  // class with the same settings.
  virtual void CopyPropertiesTo(TCustomBitmap32* Dst) const;

  // ---- Storage
  // The stored "Data" form: 32-bit width, height, then the pixels top-down.
  void ReadData(TStream& S);
  void WriteData(TStream& S) const;
  // Whether a stored form carries "Data": only for a bitmap with pixels.
  bool DataStored() const { return !Empty(); }
  // Windows bitmap files: 32 bits per pixel BMPs are read directly, others
  // through the picture readers.
  virtual void LoadFromStream(TStream& S);
  virtual void SaveToStream(TStream& S, bool TopDown = false) const;
  void LoadFromFileName(const AnsiString& FileName);
  void SaveToFile(const AnsiString& FileName, bool TopDown = false) const;

  // ---- Platform access (present on the DIB-backed bitmap only)
  HDC DeviceContext() const { return backend_->DeviceContext(); }

 protected:
  explicit TCustomBitmap32(std::unique_ptr<TCustomBackend> backend);
  TCustomBackend& Backend() const { return *backend_; }
  void ChangeSize(int& W, int& H, int NewWidth, int NewHeight) override;
  void Resized() override;
  virtual void BackendChanged() {}
  // Draws a decoded picture in, by its kind (assign-from a picture).
  void AssignFromGraphic(const TGraphic& G);

 private:
  void ResetClipRect();

  std::unique_ptr<TCustomBackend> backend_;
  TColor32* bits_ = nullptr;
  TRect clipRect_{};
  bool clipping_ = false;
  TDrawMode drawMode_ = dmOpaque;
  TCombineMode combineMode_ = cmBlend;
  TWrapMode wrapMode_ = wmClamp;
  unsigned masterAlpha_ = 255;
  TColor32 outerColor_ = 0;
  std::unique_ptr<TCustomResampler> resampler_;
};

class TBitmap32 : public TCustomBitmap32 {
 public:
  TBitmap32();
  ~TBitmap32() override;

  TNotifyEvent OnHandleChanged;

  HBITMAP BitmapHandle() const;
  TFont& Font() { return font_; }
  const TFont& Font() const { return font_; }
  void SetFont(const TFont& f) { font_.Assign(&f); }
  TCanvas& Canvas() { return canvas_; }

  void CopyPropertiesTo(TCustomBitmap32* Dst) const override;

  // ---- Device copies (platform block copies; nothing is blended)
  void BlitToDC(HDC hDst, int X, int Y) const;
  void StretchToDC(HDC hDst, const TRect& DstRect, const TRect& SrcRect) const;
  void BlitFromDC(const TRect& DstRect, const TRect& SrcRect, HDC hSrc);

  // ---- Text through the platform's text drawing
  void TextAt(int X, int Y, const AnsiString& Text);
  void TextInRect(TRect R, UINT Flags, const AnsiString& Text);
  int TextWidthOf(const AnsiString& Text);
  int TextHeightOf(const AnsiString& Text);
  SIZE TextSize(const AnsiString& Text);
  void SmoothText(int X, int Y, const AnsiString& Text, int Level, TColor32 C);
  void SmoothTextInRect(TRect R, UINT Flags, TColor32 C, const AnsiString& Text);

 protected:
  void BackendChanged() override;

 private:
  // Selects the font, text colour and transparent background into the DC;
  // the returned object is the font to select back afterwards.
  HGDIOBJ PrepareText();

  TFont font_;
  // Draws on the bitmap's device context; its handle follows the surface.
  TCanvas canvas_;
};
