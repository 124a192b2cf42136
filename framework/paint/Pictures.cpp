// Pictures: bitmaps, icons and the picture that holds either.
#include <cstring>

#include "framework/paint/Graphics.h"
#include "platform/Png.h"

void TGraphic::SaveToStream(TStream&) { throw EInvalidOperation("Saving this kind of picture is not supported"); }

void TGraphic::LoadFromFile(const AnsiString& name) {
  TFileStream f(name, fmOpenRead | fmShareDenyWrite);
  LoadFromStream(f);
}

TBitmap::TBitmap() : canvas_(new TCanvas) {}

TBitmap::~TBitmap() {
  canvas_->SetHandle(nullptr);
  if (dc_) {
    SelectObject(dc_, old_);
    DeleteDC(dc_);
  }
  if (bmp_) DeleteObject(bmp_);
}

void TBitmap::SetSize(int w, int h) {
  if (w == surface_.width && h == surface_.height) return;
  if (dc_) {
    SelectObject(dc_, old_);
    DeleteDC(dc_);
    dc_ = nullptr;
  }
  if (bmp_) DeleteObject(bmp_);
  bmp_ = nullptr;
  surface_ = {};
  canvas_->SetHandle(nullptr);
  if (w > 0 && h > 0) {
    bmp_ = CreateDIBSection32(w, h, nullptr);
    if (!bmp_) throw EOutOfMemory("Out of memory");
    surface_ = GetBitmapSurface(bmp_);
    dc_ = CreateCompatibleDC(nullptr);
    old_ = SelectObject(dc_, bmp_);
    canvas_->SetHandle(dc_);
  }
  Changed();
}

std::unique_ptr<TGraphic> TBitmap::Clone() const {
  auto b = std::make_unique<TBitmap>();
  b->Assign(this);
  return b;
}

void TBitmap::Assign(const TPersistent* Source) {
  if (auto* b = dynamic_cast<const TBitmap*>(Source)) {
    SetSize(b->Width(), b->Height());
    for (int y = 0; y < surface_.height; ++y)
      std::memcpy(surface_.Row(y), b->surface_.Row(y), static_cast<size_t>(surface_.width) * 4);
    AlphaFormat = b->AlphaFormat;
    SetTransparent(b->Transparent());
    Changed();
    return;
  }
  TGraphic::Assign(Source);
}

void TBitmap::Draw(TCanvas* canvas, const RECT& r) {
  if (!dc_ || !canvas || !canvas->Handle()) return;
  if (AlphaFormat) {
    BLENDFUNCTION bf;
    bf.AlphaFormat = AC_SRC_ALPHA;
    AlphaBlend(canvas->Handle(), r.left, r.top, r.Width(), r.Height(), dc_, 0, 0, Width(), Height(), bf);
  } else {
    StretchBlt(canvas->Handle(), r.left, r.top, r.Width(), r.Height(), dc_, 0, 0, Width(), Height(), SRCCOPY);
  }
}

void TBitmap::LoadFromStream(TStream& s) {
  // BITMAPFILEHEADER (14 bytes) and BITMAPINFOHEADER (40 bytes) of an
  // uncompressed 24- or 32-bit bitmap.
  std::uint8_t h[54];
  s.ReadBuffer(h, sizeof h);
  auto u32 = [&](int o) { return std::uint32_t(h[o]) | (std::uint32_t(h[o + 1]) << 8) | (std::uint32_t(h[o + 2]) << 16) | (std::uint32_t(h[o + 3]) << 24); };
  auto u16 = [&](int o) { return static_cast<unsigned>(h[o] | (h[o + 1] << 8)); };
  if (h[0] != 'B' || h[1] != 'M') throw EInvalidArgument("Bitmap image is not valid");
  std::int32_t w = static_cast<std::int32_t>(u32(18)), hh = static_cast<std::int32_t>(u32(22));
  unsigned bpp = u16(28), comp = u32(30);
  if (w <= 0 || hh == 0 || w > 32768 || hh > 32768 || hh < -32768 || (bpp != 24 && bpp != 32) || (comp != 0 && comp != 3))
    throw EInvalidArgument("Bitmap image is not valid");
  bool topDown = hh < 0;
  int height = topDown ? -hh : hh;
  s.SetPosition(u32(10));
  size_t stride = ((static_cast<size_t>(w) * bpp / 8) + 3) & ~size_t(3);
  std::vector<std::uint8_t> row(stride);
  SetSize(w, height);
  for (int y = 0; y < height; ++y) {
    s.ReadBuffer(row.data(), static_cast<std::int64_t>(stride));
    std::uint32_t* dst = surface_.Row(topDown ? y : height - 1 - y);
    for (int x = 0; x < w; ++x) {
      const std::uint8_t* p = &row[static_cast<size_t>(x) * bpp / 8];
      dst[x] = (bpp == 32 ? std::uint32_t(p[3]) << 24 : 0) | (std::uint32_t(p[2]) << 16) | (std::uint32_t(p[1]) << 8) | p[0];
    }
  }
  Changed();
}

void TIcon::Assign(const TPersistent* Source) {
  if (auto* i = dynamic_cast<const TIcon*>(Source)) {
    w_ = i->w_;
    h_ = i->h_;
    px_ = i->px_;
    Changed();
    return;
  }
  TGraphic::Assign(Source);
}

void TIcon::SetPixels(int w, int h, std::vector<std::uint32_t> argb) {
  if (w < 0 || h < 0 || argb.size() != static_cast<size_t>(w) * static_cast<size_t>(h))
    throw EInvalidArgument("Invalid icon size");
  w_ = w;
  h_ = h;
  px_ = std::move(argb);
  Changed();
}

void TIcon::Draw(TCanvas* canvas, const RECT& r) {
  if (Empty() || !canvas || !canvas->Handle()) return;
  std::uint32_t* bits = nullptr;
  HBITMAP bmp = CreateDIBSection32(w_, h_, &bits);
  if (!bmp) return;
  for (size_t i = 0; i < px_.size(); ++i) {
    std::uint32_t p = px_[i], a = p >> 24;
    auto pm = [&](int sh) { return (((p >> sh) & 0xFF) * a + 127) / 255; };
    bits[i] = (a << 24) | (pm(16) << 16) | (pm(8) << 8) | pm(0);
  }
  HDC dc = CreateCompatibleDC(nullptr);
  HGDIOBJ old = SelectObject(dc, bmp);
  BLENDFUNCTION bf;
  bf.AlphaFormat = AC_SRC_ALPHA;
  AlphaBlend(canvas->Handle(), r.left, r.top, r.Width(), r.Height(), dc, 0, 0, w_, h_, bf);
  SelectObject(dc, old);
  DeleteDC(dc);
  DeleteObject(bmp);
}

void TIcon::LoadFromStream(TStream& s) {
  std::vector<std::uint8_t> data(static_cast<size_t>(s.Size() - s.Position()));
  if (!data.empty()) s.ReadBuffer(data.data(), static_cast<std::int64_t>(data.size()));
  std::vector<std::uint32_t> px;
  int w = 0, h = 0;
  std::string err;
  if (!platform::DecodePng(data.data(), data.size(), px, w, h, &err)) throw EInvalidArgument("Invalid icon: " + err);
  SetPixels(w, h, std::move(px));
}

// ---- TPicture ----

std::map<AnsiString, TPicture::Factory>& TPicture::Formats() {
  static std::map<AnsiString, Factory> formats{
      {".bmp", [] { return std::unique_ptr<TGraphic>(new TBitmap); }},
  };
  return formats;
}

void TPicture::RegisterFileFormat(const AnsiString& ext, Factory f) { Formats()[LowerCaseAscii(ext)] = std::move(f); }

std::unique_ptr<TGraphic> TPicture::CreateGraphicFor(const AnsiString& ext) {
  auto it = Formats().find(LowerCaseAscii(ext));
  return it == Formats().end() ? nullptr : it->second();
}

std::map<AnsiString, TPicture::Factory>& TPicture::Classes() {
  static std::map<AnsiString, Factory> classes;
  return classes;
}

void TPicture::RegisterGraphicClass(const AnsiString& className, Factory f) { Classes()[className] = std::move(f); }

std::unique_ptr<TGraphic> TPicture::CreateGraphicOfClass(const AnsiString& className) {
  auto it = Classes().find(className);
  return it == Classes().end() ? nullptr : it->second();
}

void TPicture::ReadData(TStream& s) {
  unsigned char n = 0;
  s.ReadBuffer(&n, 1);
  AnsiString className(n, '\0');
  if (n) s.ReadBuffer(className.data(), n);
  std::unique_ptr<TGraphic> g = CreateGraphicOfClass(className);
  if (!g) throw EInvalidArgument(Format("Unknown picture class (%s)", className.c_str()));
  g->LoadFromStream(s);
  SetGraphic(std::move(g));
}

void TPicture::Assign(const TPersistent* Source) {
  if (!Source) {
    SetGraphic(nullptr);
    return;
  }
  if (auto* p = dynamic_cast<const TPicture*>(Source)) {
    SetGraphic(p->graphic_ ? p->graphic_->Clone() : nullptr);
    return;
  }
  if (auto* g = dynamic_cast<const TGraphic*>(Source)) {
    SetGraphic(g->Clone());
    return;
  }
  TPersistent::Assign(Source);
}

void TPicture::SetGraphic(std::unique_ptr<TGraphic> g) {
  graphic_ = std::move(g);
  if (graphic_) graphic_->OnChange = [this](TObject*) {
      if (OnChange) OnChange(this);
    };
  if (OnChange) OnChange(this);
}

void TPicture::LoadFromFile(const AnsiString& name) {
  size_t dot = name.rfind('.');
  AnsiString ext = dot == AnsiString::npos ? AnsiString() : name.substr(dot);
  std::unique_ptr<TGraphic> g = CreateGraphicFor(ext);
  if (!g) throw EInvalidArgument(Format("Unknown picture file extension (%s)", ext.c_str()));
  g->LoadFromFile(name);
  SetGraphic(std::move(g));
}
