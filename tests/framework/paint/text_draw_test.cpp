// Text on a 32-bit memory DC with the real fonts: DrawText placement, the
// calculated rectangle, wrapping, ellipsis, prefixes, font fallback and the
// coverage rules.
#include <gtest/gtest.h>

#include "framework/paint/FontResolver.h"
#include "tests/framework/paint/gdi_surface.h"

namespace {

constexpr std::uint32_t kWhite = 0xFFFFFFFF;  // opaque, so written alpha 0 shows

HFONT MakeFont(const char* face, int height, BYTE quality = DEFAULT_QUALITY) {
  LOGFONT lf;
  lf.lfHeight = height;
  lf.lfFaceName = face;
  lf.lfQuality = quality;
  return CreateFontIndirect(lf);
}

class TextOnSurface : public ::testing::Test {
 protected:
  void SetUp() override {
    SetBkMode(m.dc(), TRANSPARENT);
    SetTextColor(m.dc(), RGB(0, 0, 0));
    TEXTMETRIC tm;
    ASSERT_TRUE(GetTextMetrics(m.dc(), &tm));
    H = tm.tmHeight;
  }
  int Extent(const std::u16string& s) {
    SIZE sz;
    GetTextExtentPoint32W(m.dc(), s, &sz);
    return sz.cx;
  }
  RECT Ink() { return m.InkBounds(kWhite); }
  std::vector<std::uint32_t> Draw(const std::u16string& s, RECT r, UINT flags) {
    m.Fill(kWhite);
    DrawTextW(m.dc(), s, &r, flags);
    return m.Pixels();
  }

  MemoryDC m{240, 90, kWhite};
  Selected font{m.dc(), MakeFont("MS Sans Serif", -12)};
  int H = 0;
};

struct DrawCase {
  const char* name;
  std::u16string text;
  UINT flags;
  std::u16string fitTo;  // the rectangle is this text's width + 1; empty: 200
  std::vector<std::u16string> lines;
};

TEST_F(TextOnSurface, CalculatedRectangleAndInkFollowTheLines) {
  const DrawCase cases[] = {
      {"one line", u"Hello", DT_SINGLELINE, u"", {u"Hello"}},
      {"line breaks", u"Hello\r\nWorld wide", DT_LEFT, u"", {u"Hello", u"World wide"}},
      {"word break at the width", u"one two three four", DT_WORDBREAK, u"three four", {u"one two", u"three four"}},
      {"CJK wraps between characters", u"正在检测版本...", DT_WORDBREAK, u"正在检测", {u"正在检测", u"版本..."}},
      {"prefix removed", u"&File", DT_SINGLELINE, u"", {u"File"}},
      {"no prefix keeps the ampersand", u"&File", DT_SINGLELINE | DT_NOPREFIX, u"", {u"&File"}},
  };
  for (const DrawCase& c : cases) {
    const RECT r = Bounds(10, 5, c.fitTo.empty() ? 200 : Extent(c.fitTo) + 1, 80);
    int widest = 0;
    for (const auto& l : c.lines) widest = std::max(widest, Extent(l));
    const int height = H * static_cast<int>(c.lines.size());

    RECT calc = r;
    EXPECT_EQ(DrawTextW(m.dc(), c.text, &calc, c.flags | DT_CALCRECT), height) << c.name;
    EXPECT_EQ(calc, Bounds(r.left, r.top, widest, height)) << c.name;
    EXPECT_EQ(Ink(), RECT{}) << c.name << ": DT_CALCRECT draws nothing";

    RECT drawn = r;
    EXPECT_EQ(DrawTextW(m.dc(), c.text, &drawn, c.flags), height) << c.name;
    EXPECT_EQ(drawn, r) << c.name;
    RECT ink = Ink();
    EXPECT_GE(ink.left, r.left - 1) << c.name;
    EXPECT_LE(ink.right, r.left + widest + 1) << c.name;
    EXPECT_GE(ink.top, r.top) << c.name;
    EXPECT_LE(ink.bottom, r.top + height) << c.name;
    for (size_t i = 0; i < c.lines.size(); ++i) {
      int top = r.top + H * static_cast<int>(i);
      bool inked = false;
      for (int y = top; y < top + H && !inked; ++y)
        for (int x = 0; x < m.width(); ++x) inked |= m.At(x, y) != kWhite;
      EXPECT_TRUE(inked) << c.name << ": line " << i;
    }
    m.Fill(kWhite);
  }
}

TEST_F(TextOnSurface, AlignmentMovesTheInkByTheFreeSpace) {
  const std::u16string text = u"Quelbo自动更新";
  const RECT r = Rect(7, 3, 201, 60);
  const int w = Extent(text);
  struct Case {
    UINT flags;
    int dx, dy;
  } cases[] = {
      {DT_CENTER | DT_VCENTER | DT_SINGLELINE, (r.left + r.right - w) / 2 - r.left, (r.top + r.bottom - H) / 2 - r.top},
      {DT_RIGHT | DT_BOTTOM | DT_SINGLELINE, r.right - w - r.left, r.bottom - H - r.top},
      {DT_CENTER | DT_VCENTER, (r.left + r.right - w) / 2 - r.left, 0},  // DT_VCENTER needs DT_SINGLELINE
  };
  Draw(text, r, DT_LEFT | DT_TOP | DT_SINGLELINE);
  RECT base = Ink();
  ASSERT_FALSE(base.IsEmpty());
  for (const Case& c : cases) {
    m.Fill(kWhite);
    RECT rr = r;
    int ret = DrawTextW(m.dc(), text, &rr, c.flags);
    EXPECT_EQ(Ink(), OffsetRect(base, c.dx, c.dy)) << std::hex << c.flags;
    // The return value reaches from the rectangle's top to the text's bottom.
    EXPECT_EQ(ret, c.dy + H) << std::hex << c.flags;
  }
}

TEST_F(TextOnSurface, TextIsClippedToTheRectangleUnlessNoClip) {
  const RECT r = Rect(10, 10, 40, 20);  // narrower and lower than the text
  Draw(u"A long line of text", r, DT_SINGLELINE);
  RECT ink = Ink();
  EXPECT_FALSE(ink.IsEmpty());
  EXPECT_EQ(IntersectRect(ink, r), ink);
  Draw(u"A long line of text", r, DT_SINGLELINE | DT_NOCLIP);
  EXPECT_GT(Ink().right, r.right + 20);
}

TEST_F(TextOnSurface, EveryEllipsisKindMakesTheTextFit) {
  const std::u16string text = u"C:\\Program Files\\Quelbo\\updater.exe";
  const RECT r = Bounds(10, 10, 120, 20);
  Draw(text, r, DT_SINGLELINE | DT_NOCLIP);
  ASSERT_GT(Ink().right, r.right + 10) << "the text must be too wide to begin with";
  std::vector<std::vector<std::uint32_t>> seen;
  for (UINT kind : {DT_END_ELLIPSIS, DT_PATH_ELLIPSIS, DT_WORD_ELLIPSIS}) {
    RECT calc = r;
    DrawTextW(m.dc(), text, &calc, DT_SINGLELINE | kind | DT_CALCRECT);
    EXPECT_LE(calc.right, r.right) << std::hex << kind;
    EXPECT_GT(calc.right, r.left + 40) << std::hex << kind << ": shortened, not emptied";
    seen.push_back(Draw(text, r, DT_SINGLELINE | DT_NOCLIP | kind));
    EXPECT_LE(Ink().right, r.right + 1) << std::hex << kind;
  }
  EXPECT_NE(seen[0], seen[1]) << "path ellipsis keeps the file name, end ellipsis does not";
}

TEST_F(TextOnSurface, PrefixUnderlinesTheNextCharacterAndDoubledIsOneAmpersand) {
  const RECT r = Rect(10, 10, 200, 40);
  EXPECT_EQ(Draw(u"A&&B", r, DT_SINGLELINE), Draw(u"A&B", r, DT_SINGLELINE | DT_NOPREFIX));

  std::vector<std::uint32_t> plain = Draw(u"File", r, DT_SINGLELINE | DT_NOPREFIX);
  std::vector<std::uint32_t> marked = Draw(u"&File", r, DT_SINGLELINE);
  TEXTMETRIC tm;
  GetTextMetrics(m.dc(), &tm);
  const int fWidth = Extent(u"F");
  int differing = 0;
  for (int y = 0; y < m.height(); ++y)
    for (int x = 0; x < m.width(); ++x) {
      size_t i = static_cast<size_t>(y * m.width() + x);
      if (plain[i] == marked[i]) continue;
      ++differing;
      EXPECT_TRUE(x >= r.left && x < r.left + fWidth && y >= r.top + tm.tmAscent && y < r.top + H)
          << "underline pixel at " << x << "," << y;
    }
  EXPECT_GT(differing, 0);
}

TEST_F(TextOnSurface, AnsiTextIsCodePage936) {
  const RECT r = Rect(5, 5, 200, 40);
  std::vector<std::uint32_t> wide = Draw(u"正在更新", r, DT_SINGLELINE);
  m.Fill(kWhite);
  RECT rr = r;
  DrawTextA(m.dc(), "\xD5\xFD\xD4\xDA\xB8\xFC\xD0\xC2", &rr, DT_SINGLELINE);
  EXPECT_EQ(m.Pixels(), wide);
}

TEST_F(TextOnSurface, EmptyTextDrawsNothingAndKeepsTheRectangle) {
  RECT r = Rect(1, 2, 3, 4);
  EXPECT_EQ(DrawTextW(m.dc(), u"", &r, DT_CALCRECT), 0);
  EXPECT_EQ(r, Rect(1, 2, 3, 4));
}

TEST_F(TextOnSurface, OpaqueBackgroundFillsExactlyTheTextCell) {
  SetBkMode(m.dc(), OPAQUE);
  SetBkColor(m.dc(), RGB(255, 0, 0));
  TextOutW(m.dc(), 20, 10, u"Hi 你好");
  EXPECT_EQ(Ink(), Bounds(20, 10, Extent(u"Hi 你好"), H));
  for (int y = 10; y < 10 + H; ++y) EXPECT_EQ(m.At(20, y) >> 24, 0u);
}

TEST_F(TextOnSurface, UnknownAndWindowsFacesFallBackToTheCjkFace) {
  const std::u16string text = u"Quelbo自动更新";
  const RECT r = Rect(5, 5, 230, 40);
  std::vector<std::uint32_t> reference = Draw(text, r, DT_SINGLELINE);
  ASSERT_FALSE(Ink().IsEmpty());
  for (const char* face : {"No Such Face Qz", "Tahoma", "\xCB\xCE\xCC\xE5" /* 宋体 */, ""}) {
    Selected other(m.dc(), MakeFont(face, -12));
    EXPECT_EQ(Draw(text, r, DT_SINGLELINE), reference) << face;
  }
}

TEST_F(TextOnSurface, AnInstalledLatinFaceBorrowsCjkGlyphs) {
  if (ResolveFontFile("DejaVu Sans", false, false).path == FallbackFontFile(false, false).path)
    GTEST_SKIP() << "DejaVu Sans is not installed";
  Selected latin(m.dc(), MakeFont("DejaVu Sans", -12));
  const RECT r = Rect(5, 5, 230, 40);
  std::vector<std::uint32_t> latinOnly = Draw(u"Ab", r, DT_SINGLELINE);
  Draw(u"Ab中文", r, DT_SINGLELINE);
  RECT ink = Ink();
  EXPECT_GE(ink.right, r.left + Extent(u"Ab") + Extent(u"中文") - 2);
  EXPECT_NE(m.Pixels(), latinOnly);
}

TEST_F(TextOnSurface, NonAntialiasedTextHasOnlyTwoColours) {
  const RECT r = Rect(5, 5, 230, 40);
  Draw(u"Quelbo自动更新 gjpq", r, DT_SINGLELINE);
  bool grey = false;
  for (std::uint32_t p : m.Pixels()) grey |= p != kWhite && p != 0;
  ASSERT_TRUE(grey) << "anti-aliased text should have intermediate values";

  Selected mono(m.dc(), MakeFont("MS Sans Serif", -12, NONANTIALIASED_QUALITY));
  Draw(u"Quelbo自动更新 gjpq", r, DT_SINGLELINE);
  ASSERT_FALSE(Ink().IsEmpty());
  for (std::uint32_t p : m.Pixels()) ASSERT_TRUE(p == kWhite || p == 0) << std::hex << p;
}

TEST_F(TextOnSurface, WhiteTextOnTransparentBlackLeavesCoverageInBlueAndAlphaZero) {
  m.Fill(0);
  SetTextColor(m.dc(), RGB(255, 255, 255));
  RECT r = Rect(0, 0, 230, 40);
  DrawTextW(m.dc(), u"更新完毕！", &r, DT_SINGLELINE);
  int partial = 0, full = 0;
  for (std::uint32_t p : m.Pixels()) {
    std::uint32_t b = p & 0xFF;
    ASSERT_EQ(p >> 24, 0u);
    ASSERT_EQ(p, b | b << 8 | b << 16) << std::hex << p;
    partial += b > 0 && b < 255;
    full += b == 255;
  }
  EXPECT_GT(partial, 0);
  EXPECT_GT(full, 0);
}

TEST_F(TextOnSurface, FontHeightsFollowThePlatformRules) {
  struct Case {
    int lfHeight;
    int cell;  // expected tmHeight, or 0 to check the em height instead
  } cases[] = {{-12, 0}, {-20, 0}, {20, 20}, {13, 13}, {0, 13}};
  for (const Case& c : cases) {
    Selected f(m.dc(), MakeFont("MS Sans Serif", c.lfHeight));
    TEXTMETRIC tm;
    GetTextMetrics(m.dc(), &tm);
    EXPECT_EQ(tm.tmHeight, tm.tmAscent + tm.tmDescent);
    if (c.cell) EXPECT_EQ(tm.tmHeight, c.cell) << c.lfHeight;
    else EXPECT_EQ(tm.tmHeight - tm.tmInternalLeading, -c.lfHeight) << c.lfHeight;
    SIZE sz;
    GetTextExtentPoint32W(m.dc(), u"x", &sz);
    EXPECT_EQ(sz.cy, tm.tmHeight);
  }
}

TEST_F(TextOnSurface, BoldItalicAndUnderlineChangeTheDrawing) {
  const RECT r = Rect(5, 5, 230, 40);
  const std::u16string text = u"Bold 粗体";
  std::vector<std::uint32_t> regular = Draw(text, r, DT_SINGLELINE);
  RECT regularInk = Ink();
  int regularWidth = Extent(text);
  LOGFONT lf;
  lf.lfHeight = -12;
  lf.lfFaceName = "MS Sans Serif";
  lf.lfWeight = FW_BOLD;
  {
    Selected bold(m.dc(), CreateFontIndirect(lf));
    EXPECT_GT(Extent(text), regularWidth);
  }
  lf.lfWeight = FW_NORMAL;
  lf.lfItalic = 1;
  {
    Selected italic(m.dc(), CreateFontIndirect(lf));
    EXPECT_NE(Draw(text, r, DT_SINGLELINE), regular);
  }
  lf.lfItalic = 0;
  lf.lfUnderline = 1;
  {
    Selected underlined(m.dc(), CreateFontIndirect(lf));
    Draw(text, r, DT_SINGLELINE);
    RECT ink = Ink();
    EXPECT_EQ(ink.left, std::min(regularInk.left, r.left));
    EXPECT_EQ(ink.right, std::max(regularInk.right, r.left + regularWidth));
    // A full row of ink under the text.
    bool fullRow = false;
    for (int y = r.top + H / 2; y < r.top + H; ++y) {
      bool all = true;
      for (int x = r.left; x < r.left + regularWidth; ++x) all &= m.At(x, y) == 0;
      fullRow |= all;
    }
    EXPECT_TRUE(fullRow);
  }
}

}  // namespace
