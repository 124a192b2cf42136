#pragma once
// A font realised for drawing: FreeType faces at one pixel size, the metrics
// the text interface reports, and a cache of rendered glyphs. Fonts with the
// same description share one FontFace, so a label that repaints often, or a
// font object that is recreated for every paint, renders each glyph once.
#include <cstdint>
#include <memory>
#include <unordered_map>
#include <vector>

#include "framework/paint/Gdi.h"

// One glyph's coverage image, 0 (none) to 255 (full), placed relative to the
// pen position on the baseline.
struct GlyphImage {
  int left = 0;  // from the pen position to the first column
  int top = 0;   // from the baseline up to the first row
  int width = 0, rows = 0;
  int advance = 0;  // whole pixels
  std::vector<std::uint8_t> coverage;
};

struct FontFace {
  // The shared face for a font description; never null, even when no font
  // file can be had (text then measures by its metrics and draws nothing).
  static std::shared_ptr<FontFace> For(const LOGFONT& lf);

  ~FontFace();
  FontFace(const FontFace&) = delete;
  FontFace& operator=(const FontFace&) = delete;

  const TEXTMETRIC& Metrics() const { return metrics_; }
  // Underline and strike-out lines, as offsets below the cell top.
  int UnderlineTop() const { return underlineTop_; }
  int StrikeOutTop() const { return strikeTop_; }
  int LineThickness() const { return lineThickness_; }
  bool Underlined() const { return underline_; }
  bool StruckOut() const { return strikeOut_; }

  const GlyphImage& Glyph(char32_t ch);
  int Advance(char32_t ch) { return Glyph(ch).advance; }

 private:
  struct Impl;
  FontFace();
  void Realise(const LOGFONT& lf);
  GlyphImage Render(char32_t ch);

  std::unique_ptr<Impl> impl_;
  TEXTMETRIC metrics_;
  int underlineTop_ = 0, strikeTop_ = 0, lineThickness_ = 1;
  bool underline_ = false, strikeOut_ = false;
  std::unordered_map<char32_t, GlyphImage> glyphs_;
};
