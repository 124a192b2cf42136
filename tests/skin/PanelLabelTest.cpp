// The skinned panel's colour layer and borders, and the label's size, text
// flags and ellipsis.
#include "ControlsFixture.h"
#include "platform/CodePage.h"
#include "skin/GlowText.h"
#include "skin/MlSkinLabel.h"
#include "tests/support/SkinFormulas.h"

namespace {

using skintest::SkinControls;
using namespace platform::literals;

TColor32 Resolved(TColor c) {
  const COLORREF rgb = c < 0 ? GetSysColor(c & 0xFF) : static_cast<COLORREF>(c);
  return MakeColor32(GetRValue(rgb), GetGValue(rgb), GetBValue(rgb), 255);
}

// Each border line leaves out its end point and later sides overwrite
// earlier ones: outer lines 'O', white inner lines 'W', anything else '-'.
TEST_F(SkinControls, PanelBordersEndWhereTheirLinesEnd) {
  struct Case {
    const char* name;
    TSides sides;
    bool doubleBorder;
    TColor borderColor;
    std::vector<std::tuple<int, int, char>> points;  // on a 40 x 30 panel
  } cases[] = {
      {"double, all sides", kAllSides, true, 14273466,
       {{0, 0, 'O'}, {39, 0, 'O'}, {0, 29, 'O'}, {39, 29, 'O'}, {1, 1, 'W'}, {38, 1, 'W'}, {39, 1, 'O'},
        {1, 28, 'W'}, {1, 29, 'O'}, {38, 28, 'W'}, {38, 29, 'O'}, {2, 2, '-'}, {37, 27, '-'}, {20, 1, 'W'}}},
      {"single, all sides", kAllSides, false, 14273466,
       {{0, 0, 'O'}, {39, 29, 'O'}, {1, 1, '-'}, {38, 28, '-'}, {39, 15, 'O'}, {20, 29, 'O'}}},
      {"left and top", sdLeft | sdTop, true, 14273466,
       {{0, 29, 'O'}, {1, 29, 'W'}, {39, 0, 'O'}, {39, 1, 'W'}, {39, 15, '-'}, {20, 29, '-'}, {38, 28, '-'}}},
      {"right and bottom", sdRight | sdBottom, true, 14273466,
       {{39, 0, 'O'}, {38, 0, '-'}, {38, 1, 'W'}, {38, 28, 'W'}, {0, 29, 'O'}, {0, 28, '-'}, {1, 28, 'W'},
        {0, 0, '-'}}},
      {"system colour border", kAllSides, false, clBtnFace, {{0, 0, 'O'}, {39, 29, 'O'}}},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.name);
    auto* p = new TMlSkinPanel(form);
    p->SetParent(form);
    p->SetBounds(10, 10, 40, 30);
    p->SetAlpha(0);
    p->SetBorderSides(k.sides);
    p->SetDoubleBorder(k.doubleBorder);
    p->SetBorderColor(k.borderColor);
    Show();
    PaintNow(p);
    const TColor32 outer = Resolved(k.borderColor), inner = MakeColor32(255, 255, 255, 255);
    for (auto [x, y, want] : k.points) {
      const TColor32 got = p->Buffer()->PixelAt(x, y);
      const char kind = got == outer ? 'O' : got == inner ? 'W' : '-';
      EXPECT_EQ(kind, want) << x << "," << y;
      if (want == '-') {
        EXPECT_EQ(got, Behind(p, x, y)) << x << "," << y;
      }
    }
    delete p;
  }
}

// The colour layer blends the resolved colour at Alpha over the captured
// background: Lerp(F, B, a) = (B x 256 + 128 + (F - B) x a) >> 8.
TEST_F(SkinControls, PanelColourLayerUsesTheResolvedColour) {
  for (int alpha : {0, 128, 192}) {
    SCOPED_TRACE(alpha);
    auto* p = new TMlSkinPanel(form);
    p->SetParent(form);
    p->SetBounds(10, 10, 40, 30);
    p->SetBorderSides(0);
    p->SetColor(clBtnFace);
    p->SetAlpha(alpha);
    Show();
    PaintNow(p);
    const std::uint32_t face = Resolved(clBtnFace) & 0xFFFFFF;
    for (auto [x, y] : {std::pair{0, 0}, std::pair{20, 15}, std::pair{39, 29}}) {
      const std::uint32_t under = Behind(p, x, y) & 0xFFFFFF;
      const std::uint32_t want = alpha == 0 ? under : skintest::Over(face | std::uint32_t(alpha) << 24, under);
      EXPECT_EQ(p->Buffer()->PixelAt(x, y) & 0xFFFFFF, want) << x << "," << y;
    }
    delete p;
  }
}

// A panel that is not Transparent starts from the control's own colour,
// white, and lays its colour layer over that.
TEST_F(SkinControls, OpaquePanelLaysItsColourOverWhite) {
  constexpr TColor kRed = 0x0000FF;
  for (int alpha : {0, 128, 192, 255}) {
    SCOPED_TRACE(alpha);
    auto* p = new TMlSkinPanel(form);
    p->SetParent(form);
    p->SetBounds(10, 10, 40, 30);
    p->SetBorderSides(0);
    p->SetTransparent(false);
    p->SetColor(kRed);
    p->SetAlpha(alpha);
    Show();
    PaintNow(p);
    EXPECT_EQ(p->Color(), kRed);
    EXPECT_EQ(static_cast<TControl*>(p)->Color(), clWhite) << "the control's own colour stays white";
    const std::uint32_t want = alpha == 0     ? 0xFFFFFF
                               : alpha == 255 ? 0xFF0000
                                              : skintest::Over(0xFF0000 | std::uint32_t(alpha) << 24, 0xFFFFFF);
    for (auto [x, y] : {std::pair{0, 0}, std::pair{20, 15}, std::pair{39, 29}})
      EXPECT_EQ(p->Buffer()->PixelAt(x, y) & 0xFFFFFF, want) << x << "," << y;
    delete p;
  }
}

SIZE Extent(TFont* font, const AnsiString& text) {
  TBitmap32 scratch;
  scratch.Resize(1, 1);
  HDC dc = scratch.DeviceContext();
  HGDIOBJ old = SelectObject(dc, font->Handle());
  const std::u16string wide = platform::Cp936ToUtf16(text);
  SIZE s{MeasureTextWidth(dc, wide), MeasureTextHeight(dc, wide)};
  SelectObject(dc, old);
  return s;
}

TEST_F(SkinControls, LabelSizesItselfToEachNewCaption) {
  auto* l = new TMlSkinLabel(form);
  l->BeginLoading();
  l->SetParent(form);
  l->SetBounds(192, 60, 64, 13);
  l->SetCaption("MlSkinLabel3");
  EXPECT_EQ(l->Width(), 64) << "not while the stored form is read";
  l->EndLoading();
  EXPECT_EQ(l->Width(), Extent(l->Font(), "MlSkinLabel3").cx) << "sized once loaded";
  Show();
  int lastWidth = 0;
  for (AnsiString text : {AnsiString("MlSkinLabel2"), "更新完毕！"_cp936, AnsiString("100%")}) {
    l->SetCaption(text);
    const SIZE want = Extent(l->Font(), text);
    EXPECT_EQ(l->Width(), want.cx) << platform::Cp936ToUtf8(text);
    EXPECT_EQ(l->Height(), want.cy);
    EXPECT_NE(l->Width(), lastWidth);
    lastWidth = l->Width();
    EXPECT_EQ(l->Left(), 192);
  }
  Pump(20);
  EXPECT_EQ(l->Buffer()->Width(), l->Width()) << "the buffer follows";
}

// An ellipsis fixes the width; the text keeps its start and ends in dots
// inside the label instead of being cut at its edge.
TEST_F(SkinControls, LabelWithEllipsisKeepsItsWidth) {
  auto render = [&](TEllipsisPosition e) {
    auto* l = new TMlSkinLabel(form);
    l->SetParent(form);
    l->SetBounds(10, 10, 60, 13);
    l->Light()->SetActive(false);
    if (e == TEllipsisPosition::epNone) l->SetAutoSize(false);
    else l->SetEllipsisPosition(e);
    l->SetCaption("Downloading the update package");
    EXPECT_FALSE(l->AutoSize());
    EXPECT_EQ(l->Width(), 60);
    Show();
    PaintNow(l);
    auto* copy = new TBitmap32;
    copy->Assign(l->Buffer());
    delete l;
    return std::unique_ptr<TBitmap32>(copy);
  };
  auto cut = render(TEllipsisPosition::epNone), dots = render(TEllipsisPosition::epEndEllipsis);
  auto column = [](TBitmap32* b, int x) {
    std::vector<TColor32> c;
    for (int y = 0; y < b->Height(); ++y) c.push_back(b->PixelAt(x, y));
    return c;
  };
  EXPECT_EQ(column(cut.get(), 1), column(dots.get(), 1)) << "same start";
  int differing = 0;
  for (int x = 40; x < 60; ++x) differing += column(cut.get(), x) != column(dots.get(), x);
  EXPECT_GT(differing, 3) << "the end differs";
}

TEST_F(SkinControls, LabelTextFlagsFollowTheAlignments) {
  auto* l = new TMlSkinLabel(form);
  struct Case {
    TAlignment h;
    TVerticalAlignment v;
    UINT flags;
  } cases[] = {
      {TAlignment::taLeftJustify, TVerticalAlignment::taAlignTop, DT_LEFT},
      {TAlignment::taRightJustify, TVerticalAlignment::taAlignBottom, DT_RIGHT | DT_BOTTOM | DT_SINGLELINE},
      {TAlignment::taCenter, TVerticalAlignment::taVerticalCenter, DT_CENTER | DT_SINGLELINE | DT_VCENTER},
  };
  for (const Case& k : cases) {
    l->SetAlignmentHorizontal(k.h);
    l->SetAlignmentVertical(k.v);
    EXPECT_EQ(l->TextFlags(), k.flags);
  }
}

}  // namespace
