// Realising fonts with FreeType: the platform's size rules (negative heights
// are em heights, positive ones cell heights), its metrics from the font's
// Windows ascent and descent, synthetic bold and italic where the file has
// none, and monochrome or grey-scale glyphs by the asked quality.
#include "framework/paint/FontFace.h"

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_OUTLINE_H
#include FT_TRUETYPE_TABLES_H

#include <algorithm>
#include <cmath>
#include <map>
#include <mutex>
#include <string>

#include "framework/paint/FontResolver.h"
#include "platform/CodePage.h"

namespace {

// A label's font realised at 13 pixels when the height is left at 0.
constexpr int kDefaultCellHeight = 13;
// Heights beyond this are no text anyone reads; they are capped so that
// sizes from stored forms cannot make FreeType allocate without bound.
constexpr int kMaxPixelHeight = 1000;
constexpr size_t kMaxCachedGlyphs = 4096;
constexpr size_t kMaxCachedFaces = 64;

FT_Library Library() {
  static FT_Library lib = [] {
    FT_Library l = nullptr;
    if (FT_Init_FreeType(&l) != 0) l = nullptr;
    return l;
  }();
  return lib;
}

FT_Face OpenFace(const FontFileRef& ref) {
  if (!ref.Found() || !Library()) return nullptr;
  FT_Face face = nullptr;
  if (FT_New_Face(Library(), ref.path.c_str(), ref.index, &face) != 0) return nullptr;
  if (!FT_IS_SCALABLE(face) || face->units_per_EM == 0) {
    FT_Done_Face(face);
    return nullptr;
  }
  FT_Select_Charmap(face, FT_ENCODING_UNICODE);
  return face;
}

int RoundScaled(long units, double scale) { return static_cast<int>(std::lround(units * scale)); }

std::string CacheKey(const LOGFONT& lf) {
  std::string name;
  for (char c : lf.lfFaceName) name += (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
  return name + '|' + std::to_string(lf.lfHeight) + '|' + (lf.lfWeight >= 600 ? 'b' : '-') +
         (lf.lfItalic ? 'i' : '-') + (lf.lfUnderline ? 'u' : '-') + (lf.lfStrikeOut ? 's' : '-') +
         (lf.lfQuality == NONANTIALIASED_QUALITY ? 'm' : '-');
}

}  // namespace

struct FontFace::Impl {
  struct Source {
    FT_Face face = nullptr;
    bool synthBold = false, synthItalic = false;
  };
  // The file's own style decides what is synthesised. fontconfig's answer
  // cannot tell: its configuration reports a regular face as bold or oblique
  // when it means the renderer to embolden or slant it.
  static Source Open(const FontFileRef& ref, bool bold, bool italic) {
    Source s;
    s.face = OpenFace(ref);
    if (!s.face) return s;
    auto* os2 = static_cast<TT_OS2*>(FT_Get_Sfnt_Table(s.face, FT_SFNT_OS2));
    bool fileBold = (s.face->style_flags & FT_STYLE_FLAG_BOLD) || (os2 && os2->version != 0xFFFF && os2->usWeightClass >= 600);
    bool fileItalic = (s.face->style_flags & FT_STYLE_FLAG_ITALIC) != 0;
    s.synthBold = bold && !fileBold;
    s.synthItalic = italic && !fileItalic;
    return s;
  }
  Source primary, fallback;
  bool mono = false;
  int ppem = 0;
};

FontFace::FontFace() : impl_(std::make_unique<Impl>()) {}

FontFace::~FontFace() {
  if (impl_->fallback.face) FT_Done_Face(impl_->fallback.face);
  if (impl_->primary.face) FT_Done_Face(impl_->primary.face);
}

std::shared_ptr<FontFace> FontFace::For(const LOGFONT& lf) {
  static std::mutex m;
  static std::map<std::string, std::shared_ptr<FontFace>> cache;
  std::lock_guard<std::mutex> lock(m);
  std::string key = CacheKey(lf);
  auto it = cache.find(key);
  if (it != cache.end()) return it->second;
  if (cache.size() >= kMaxCachedFaces) {
    // Drop the faces no font object holds any more.
    for (auto i = cache.begin(); i != cache.end();) i = i->second.use_count() == 1 ? cache.erase(i) : std::next(i);
  }
  std::shared_ptr<FontFace> face(new FontFace);
  face->Realise(lf);
  cache.emplace(key, face);
  return face;
}

void FontFace::Realise(const LOGFONT& lf) {
  const bool bold = lf.lfWeight >= 600, italic = lf.lfItalic != 0;
  underline_ = lf.lfUnderline != 0;
  strikeOut_ = lf.lfStrikeOut != 0;
  impl_->mono = lf.lfQuality == NONANTIALIASED_QUALITY;

  FontFileRef mainRef = ResolveFontFile(platform::Cp936ToUtf8(lf.lfFaceName), bold, italic);
  FontFileRef fallRef = FallbackFontFile(bold, italic);
  impl_->primary = Impl::Open(mainRef, bold, italic);
  if (fallRef.path != mainRef.path || fallRef.index != mainRef.index) impl_->fallback = Impl::Open(fallRef, bold, italic);
  if (!impl_->primary.face) std::swap(impl_->primary, impl_->fallback);

  // The cell is the font's Windows ascent plus descent, as on the platform.
  FT_Face f = impl_->primary.face;
  long upem = f ? f->units_per_EM : 1000, ascU = f ? f->ascender : 800, descU = f ? -f->descender : 200;
  long gapU = 0;
  auto* os2 = f ? static_cast<TT_OS2*>(FT_Get_Sfnt_Table(f, FT_SFNT_OS2)) : nullptr;
  auto* hhea = f ? static_cast<TT_HoriHeader*>(FT_Get_Sfnt_Table(f, FT_SFNT_HHEA)) : nullptr;
  if (os2 && os2->version != 0xFFFF && os2->usWinAscent + os2->usWinDescent > 0) {
    ascU = os2->usWinAscent;
    descU = os2->usWinDescent;
  }
  if (ascU + descU <= 0) ascU = upem * 4 / 5, descU = upem / 5;
  if (hhea) gapU = std::max<long>(0, hhea->Line_Gap - ((ascU + descU) - (hhea->Ascender - hhea->Descender)));

  int height = lf.lfHeight == 0 ? kDefaultCellHeight : std::clamp(lf.lfHeight, -kMaxPixelHeight, kMaxPixelHeight);
  TEXTMETRIC& tm = metrics_;
  if (height > 0) {
    double scale = static_cast<double>(height) / static_cast<double>(ascU + descU);
    impl_->ppem = std::max(1, RoundScaled(upem, scale));
    tm.tmAscent = RoundScaled(ascU, scale);
    tm.tmDescent = height - tm.tmAscent;
  } else {
    impl_->ppem = -height;
    double scale = static_cast<double>(impl_->ppem) / static_cast<double>(upem);
    tm.tmAscent = RoundScaled(ascU, scale);
    tm.tmDescent = RoundScaled(descU, scale);
  }
  const double scale = static_cast<double>(impl_->ppem) / static_cast<double>(upem);
  tm.tmHeight = tm.tmAscent + tm.tmDescent;
  tm.tmInternalLeading = std::max(0, tm.tmHeight - impl_->ppem);
  tm.tmExternalLeading = RoundScaled(gapU, scale);
  for (Impl::Source* s : {&impl_->primary, &impl_->fallback})
    if (s->face) FT_Set_Pixel_Sizes(s->face, 0, static_cast<FT_UInt>(impl_->ppem));
  tm.tmAveCharWidth = os2 && os2->version != 0xFFFF && os2->xAvgCharWidth > 0 ? RoundScaled(os2->xAvgCharWidth, scale)
                                                                              : Advance(U'x');
  tm.tmMaxCharWidth = f ? RoundScaled(f->max_advance_width, scale) : tm.tmAveCharWidth;

  lineThickness_ = std::max(1, f ? RoundScaled(f->underline_thickness, scale) : 1);
  int below = std::max(1, f && f->underline_position ? RoundScaled(-f->underline_position, scale) : 1);
  underlineTop_ = std::max(tm.tmAscent, std::min(tm.tmAscent + below, tm.tmHeight - lineThickness_));
  int above = os2 && os2->version != 0xFFFF && os2->yStrikeoutPosition > 0 ? RoundScaled(os2->yStrikeoutPosition, scale)
                                                                           : tm.tmAscent * 3 / 10;
  strikeTop_ = std::max(0, tm.tmAscent - above);
}

const GlyphImage& FontFace::Glyph(char32_t ch) {
  auto it = glyphs_.find(ch);
  if (it != glyphs_.end()) return it->second;
  if (glyphs_.size() >= kMaxCachedGlyphs) glyphs_.clear();
  return glyphs_.emplace(ch, Render(ch)).first->second;
}

GlyphImage FontFace::Render(char32_t ch) {
  GlyphImage g;
  // Control characters have no look and no width.
  if (ch < 0x20 || ch == 0x7F) return g;
  Impl::Source* src = &impl_->primary;
  if (!src->face) return g;
  FT_UInt index = FT_Get_Char_Index(src->face, ch);
  if (index == 0 && impl_->fallback.face) {
    FT_UInt other = FT_Get_Char_Index(impl_->fallback.face, ch);
    if (other != 0) src = &impl_->fallback, index = other;
  }
  FT_Int32 flags = FT_LOAD_NO_BITMAP | (impl_->mono ? FT_LOAD_TARGET_MONO : FT_LOAD_TARGET_LIGHT);
  if (FT_Load_Glyph(src->face, index, flags) != 0) return g;
  FT_GlyphSlot slot = src->face->glyph;
  FT_Pos extra = 0;
  if (slot->format == FT_GLYPH_FORMAT_OUTLINE) {
    if (src->synthItalic) {
      // About 12 degrees of slant, the lean of the platform's synthetic italic.
      FT_Matrix shear{0x10000, 0x0366A, 0, 0x10000};
      FT_Outline_Transform(&slot->outline, &shear);
    }
    if (src->synthBold) {
      // Thicker strokes; the glyph grows to the right by the same amount.
      extra = std::max<FT_Pos>(64, impl_->ppem * 64 / 24);
      FT_Outline_EmboldenXY(&slot->outline, extra, 0);
    }
  }
  g.advance = static_cast<int>((slot->advance.x + extra + 32) >> 6);
  if (FT_Render_Glyph(slot, impl_->mono ? FT_RENDER_MODE_MONO : FT_RENDER_MODE_NORMAL) != 0) return g;

  const FT_Bitmap& bm = slot->bitmap;
  g.left = slot->bitmap_left;
  g.top = slot->bitmap_top;
  g.width = static_cast<int>(bm.width);
  g.rows = static_cast<int>(bm.rows);
  g.coverage.assign(static_cast<size_t>(g.width) * static_cast<size_t>(g.rows), 0);
  const int grays = bm.num_grays > 1 ? bm.num_grays - 1 : 255;
  for (int y = 0; y < g.rows; ++y) {
    const unsigned char* row = bm.pitch >= 0 ? bm.buffer + static_cast<ptrdiff_t>(y) * bm.pitch
                                             : bm.buffer + static_cast<ptrdiff_t>(g.rows - 1 - y) * -bm.pitch;
    std::uint8_t* out = &g.coverage[static_cast<size_t>(y) * static_cast<size_t>(g.width)];
    for (int x = 0; x < g.width; ++x) {
      if (bm.pixel_mode == FT_PIXEL_MODE_MONO) out[x] = ((row[x >> 3] >> (7 - (x & 7))) & 1) ? 255 : 0;
      else if (bm.pixel_mode == FT_PIXEL_MODE_GRAY) out[x] = static_cast<std::uint8_t>(row[x] * 255 / grays);
    }
  }
  return g;
}
