#include "framework/paint/TextPaint.h"

#include "framework/paint/GdiPaint.h"

namespace gdi {

namespace {

// Blends the text colour over the pixel by coverage, leaving alpha 0 as the
// platform's text output does in 32-bit surfaces.
inline std::uint32_t Cover(std::uint32_t dst, std::uint32_t color, std::uint32_t cov) {
  if (cov == 255) return color;
  std::uint32_t out = 0, inv = 255 - cov;
  for (int shift = 0; shift <= 16; shift += 8) {
    std::uint32_t c = (color >> shift) & 0xFF, d = (dst >> shift) & 0xFF;
    out |= Div255(c * cov + d * inv) << shift;
  }
  return out;
}

void PaintGlyph(const Surface32& s, const std::vector<RECT>& clip, const GlyphImage& g, int penX, int baseY,
                std::uint32_t color) {
  if (g.width <= 0 || g.rows <= 0) return;
  RECT box = Bounds(penX + g.left, baseY - g.top, g.width, g.rows);
  for (const RECT& c : clip) {
    RECT r = IntersectRect(box, c);
    for (int y = r.top; y < r.bottom; ++y) {
      const std::uint8_t* cov = &g.coverage[static_cast<size_t>(y - box.top) * static_cast<size_t>(g.width)];
      std::uint32_t* out = s.Row(y);
      for (int x = r.left; x < r.right; ++x) {
        std::uint32_t a = cov[x - box.left];
        if (a) out[x] = Cover(out[x], color, a);
      }
    }
  }
}

}  // namespace

FontFace& FaceOf(DeviceContext& dc) {
  HFONT font = dc.state.font ? dc.state.font : static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
  if (!font->face) font->face = FontFace::For(font->lf);
  return *font->face;
}

TextMeasure MeasureOf(FontFace& face, bool expandTabs) {
  TextMeasure m;
  m.advance = [&face](char32_t c) { return face.Advance(c); };
  m.tabWidth = expandTabs ? 8 * std::max(1, face.Metrics().tmAveCharWidth) : 0;
  return m;
}

void PaintLine(DeviceContext& dc, FontFace& face, const TextMeasure& m, const TextRun& line, int x, int y,
               const std::vector<RECT>& clip) {
  if (clip.empty()) return;
  const TEXTMETRIC& tm = face.Metrics();
  const int left = dc.SurfaceX(x), top = dc.SurfaceY(y), base = top + tm.tmAscent;
  const int width = m.Width(line.chars);
  const std::uint32_t color = PixelOf(dc.state.textColor);
  if (dc.state.bkMode == OPAQUE) FillClipped(dc.surface, clip, Bounds(left, top, width, tm.tmHeight), PixelOf(dc.state.bkColor));

  int pen = 0;
  for (size_t i = 0; i < line.size(); ++i) {
    char32_t c = line.chars[i];
    int next = m.Next(pen, c);
    PaintGlyph(dc.surface, clip, face.Glyph(c), left + pen, base, color);
    if (line.marks[i])
      FillClipped(dc.surface, clip, {left + pen, top + face.UnderlineTop(), left + next, top + face.UnderlineTop() + face.LineThickness()},
                  color);
    pen = next;
  }
  if (face.Underlined())
    FillClipped(dc.surface, clip, Bounds(left, top + face.UnderlineTop(), width, face.LineThickness()), color);
  if (face.StruckOut())
    FillClipped(dc.surface, clip, Bounds(left, top + face.StrikeOutTop(), width, face.LineThickness()), color);
}

}  // namespace gdi
