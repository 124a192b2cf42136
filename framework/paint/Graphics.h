#pragma once
// Colours, fonts, brushes, pens and the canvas that draws with them on a DC;
// the picture classes that controls show.
#include <functional>
#include <map>
#include <memory>

#include "core/Classes.h"
#include "core/Colors.h"
#include "core/Streams.h"
#include "framework/paint/Gdi.h"


// A colour as an RGB value, system colours resolved.
COLORREF ColorToRGB(TColor c);

enum TFontStyle : unsigned { fsBold = 1, fsItalic = 2, fsUnderline = 4, fsStrikeOut = 8 };
using TFontStyles = unsigned;
enum class TFontQuality { fqDefault, fqDraft, fqProof, fqNonAntialiased, fqAntialiased, fqClearType, fqClearTypeNatural };

class TFont : public TPersistent {
 public:
  TFont();
  ~TFont() override;
  void Assign(const TPersistent* Source) override;

  const AnsiString& Name() const { return name_; }
  void SetName(const AnsiString& v);
  int Height() const { return height_; }
  void SetHeight(int v);
  int Size() const;  // points at the pixels-per-inch of the font
  void SetSize(int points);
  TColor Color() const { return color_; }
  void SetColor(TColor v);
  TFontStyles Style() const { return style_; }
  void SetStyle(TFontStyles v);
  BYTE Charset() const { return charset_; }
  void SetCharset(BYTE v);
  TFontQuality Quality() const { return quality_; }
  void SetQuality(TFontQuality v);
  int PixelsPerInch() const { return ppi_; }

  HFONT Handle();  // made when first asked, remade after a change
  TNotifyEvent OnChange;

 private:
  void Changed();
  AnsiString name_ = "MS Sans Serif";
  int height_ = -11;
  TColor color_ = clWindowText;
  TFontStyles style_ = 0;
  BYTE charset_ = DEFAULT_CHARSET;
  TFontQuality quality_ = TFontQuality::fqDefault;
  int ppi_ = 96;
  HFONT handle_ = nullptr;
};

enum class TBrushStyle { bsSolid, bsClear };

class TBrush : public TPersistent {
 public:
  ~TBrush() override;
  void Assign(const TPersistent* Source) override;
  TColor Color() const { return color_; }
  void SetColor(TColor c);
  TBrushStyle Style() const { return style_; }
  void SetStyle(TBrushStyle s);
  HBRUSH Handle();
  TNotifyEvent OnChange;

 private:
  void Changed();
  TColor color_ = clWhite;
  TBrushStyle style_ = TBrushStyle::bsSolid;
  HBRUSH handle_ = nullptr;
};

class TPen : public TPersistent {
 public:
  ~TPen() override;
  void Assign(const TPersistent* Source) override;
  TColor Color() const { return color_; }
  void SetColor(TColor c);
  int Width() const { return width_; }
  void SetWidth(int w);
  HPEN Handle();
  TNotifyEvent OnChange;

 private:
  void Changed();
  TColor color_ = clBlack;
  int width_ = 1;
  HPEN handle_ = nullptr;
};

class TGraphic;

// Draws on a device context with its font, brush and pen.
class TCanvas : public TPersistent {
 public:
  TCanvas();
  ~TCanvas() override;
  HDC Handle();
  void SetHandle(HDC dc);
  bool HandleAllocated() const { return dc_ != nullptr; }
  TFont* Font() { return font_.get(); }
  TBrush* Brush() { return brush_.get(); }
  TPen* Pen() { return pen_.get(); }

  void FillRect(const RECT& r);
  void FrameRect(const RECT& r);
  void Rectangle(const RECT& r);
  void MoveTo(int x, int y);
  void LineTo(int x, int y);
  void TextOut(int x, int y, const AnsiString& text);
  void TextRect(const RECT& r, int x, int y, const AnsiString& text);
  // DrawText with the canvas's font and colours; returns the text height.
  int DrawText(RECT& r, const AnsiString& text, UINT flags);
  SIZE TextExtent(const AnsiString& text);
  int TextWidth(const AnsiString& text) { return TextExtent(text).cx; }
  int TextHeight(const AnsiString& text) { return TextExtent(text).cy; }
  void Draw(int x, int y, TGraphic* g);
  void StretchDraw(const RECT& r, TGraphic* g);
  void CopyRect(const RECT& dst, TCanvas* src, const RECT& srcRect);
  COLORREF Pixel(int x, int y);
  void SetPixel(int x, int y, TColor c);
  RECT ClipRect();
  void Lock() {}
  void Unlock() {}

 protected:
  // Asked for a DC when drawing starts without one (control canvases).
  virtual void CreateHandle() {}
  void Select();

 private:
  HDC dc_ = nullptr;
  std::unique_ptr<TFont> font_;
  std::unique_ptr<TBrush> brush_;
  std::unique_ptr<TPen> pen_;
};

// A picture kind: bitmap, icon, or a decoded file format.
class TGraphic : public TPersistent {
 public:
  virtual int Width() const = 0;
  virtual int Height() const = 0;
  virtual bool Empty() const { return Width() == 0 || Height() == 0; }
  virtual bool Transparent() const { return transparent_; }
  virtual void SetTransparent(bool t) { transparent_ = t; }
  virtual void Draw(TCanvas* canvas, const RECT& r) = 0;
  virtual void LoadFromStream(TStream& s) = 0;
  virtual std::unique_ptr<TGraphic> Clone() const = 0;
  virtual void SaveToStream(TStream& s);
  void LoadFromFile(const AnsiString& name);
  TNotifyEvent OnChange;

 protected:
  void Changed() {
    if (OnChange) OnChange(this);
  }

 private:
  bool transparent_ = false;
};

// A 32-bit DIB with its own memory DC.
class TBitmap : public TGraphic {
 public:
  TBitmap();
  ~TBitmap() override;
  void Assign(const TPersistent* Source) override;
  int Width() const override { return surface_.width; }
  int Height() const override { return surface_.height; }
  void SetSize(int w, int h);
  void Draw(TCanvas* canvas, const RECT& r) override;
  void LoadFromStream(TStream& s) override;  // 32/24-bit BMP files
  std::unique_ptr<TGraphic> Clone() const override;
  TCanvas* Canvas() { return canvas_.get(); }
  HBITMAP Handle() const { return bmp_; }
  Surface32 Surface() const { return surface_; }
  // Premultiplied per-pixel alpha decides how Draw combines it.
  bool AlphaFormat = false;

 private:
  HDC dc_ = nullptr;
  HBITMAP bmp_ = nullptr;
  HGDIOBJ old_ = nullptr;
  Surface32 surface_;
  std::unique_ptr<TCanvas> canvas_;
};

// An image with per-pixel alpha used as a window icon ($AARRGGBB, not premultiplied).
class TIcon : public TGraphic {
 public:
  void Assign(const TPersistent* Source) override;
  int Width() const override { return w_; }
  int Height() const override { return h_; }
  void SetPixels(int w, int h, std::vector<std::uint32_t> argb);
  const std::vector<std::uint32_t>& Pixels() const { return px_; }
  void Draw(TCanvas* canvas, const RECT& r) override;
  void LoadFromStream(TStream& s) override;  // a PNG file
  std::unique_ptr<TGraphic> Clone() const override { return std::make_unique<TIcon>(*this); }

 private:
  int w_ = 0, h_ = 0;
  std::vector<std::uint32_t> px_;
};

// Holds one graphic of any registered kind.
class TPicture : public TPersistent {
 public:
  using Factory = std::function<std::unique_ptr<TGraphic>()>;
  // Readers register the file extensions they decode (".png", ".bmp", ...).
  static void RegisterFileFormat(const AnsiString& ext, Factory f);
  static std::unique_ptr<TGraphic> CreateGraphicFor(const AnsiString& ext);
  // Graphic classes by their exact class name, as stored pictures name them.
  static void RegisterGraphicClass(const AnsiString& className, Factory f);
  static std::unique_ptr<TGraphic> CreateGraphicOfClass(const AnsiString& className);
  // A stored picture: one byte n, n bytes of the graphic's class name, then
  // the graphic's own stream. An unknown class raises EInvalidArgument.
  void ReadData(TStream& s);

  void Assign(const TPersistent* Source) override;
  TGraphic* Graphic() const { return graphic_.get(); }
  void SetGraphic(std::unique_ptr<TGraphic> g);
  void LoadFromFile(const AnsiString& name);
  int Width() const { return graphic_ ? graphic_->Width() : 0; }
  int Height() const { return graphic_ ? graphic_->Height() : 0; }
  TNotifyEvent OnChange;

 private:
  std::unique_ptr<TGraphic> graphic_;
  static std::map<AnsiString, Factory>& Formats();
  static std::map<AnsiString, Factory>& Classes();
};
