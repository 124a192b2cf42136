// What the skinned form paints, checked pixel by pixel against the stated
// formulas: the gradient, the frame-line table, the client background, the
// region, and that painting settles.
#include <cstdint>

#include "tests/support/SkinFormulas.h"
#include "SkinnedFormFixture.h"

namespace {

using skintest::SkinnedForm;

using skintest::kBody;
using skintest::kCaption;
using skintest::Over;
using skintest::Row;
constexpr std::uint32_t O = skintest::kOuterLine, I = skintest::kInnerLine;

TEST(GradientSteps, ReferenceRowsOfTheMainWindow) {
  EXPECT_EQ(Row(0), 0x46C4FFu);    // 70,196,255
  EXPECT_EQ(Row(26), 0x62BBD7u);   // 98,187,215
  EXPECT_EQ(Row(27), 0x63BAD6u);   // 99,186,214
  EXPECT_EQ(Row(140), 0xE0932Au);  // 224,147,42
}

TEST_F(SkinnedForm, GradientRunsFromTheCaptionBandThroughTheClientArea) {
  Show();
  for (int y = 2; y < 139; ++y)
    for (int x : {2, 3, 100, 300, 440, 441}) {
      if (y == 2 && (x == 2 || x == 441)) continue;  // corner pixels, below
      ASSERT_EQ(Pixel(x, y), Row(y)) << x << "," << y;
    }
}

TEST_F(SkinnedForm, FrameLinesFollowTheTable) {
  Show();
  struct Case {
    int x, y;
    std::uint32_t expected;
  } cases[] = {
      // Caption band: the outer line along the top and down both sides, the
      // inner one inside it; the inner lines start together at (1, 1), where
      // the outer corner pixel lands last.
      {100, 0, Over(O, Row(0))},
      {0, 10, Over(O, Row(10))},
      {443, 10, Over(O, Row(10))},
      {100, 1, Over(I, Row(1))},
      {1, 10, Over(I, Row(10))},
      {442, 10, Over(I, Row(10))},
      {1, 1, Over(O, Over(I, Over(I, Row(1))))},
      {442, 1, Over(O, Over(I, Row(1)))},
      {2, 2, Over(I, Row(2))},
      {441, 2, Over(I, Row(2))},
      {0, 26, Over(O, Row(26))},
      // Sides below the caption band.
      {0, 27, Over(O, Row(27))},
      {1, 27, Over(I, Row(27))},
      {443, 100, Over(O, Row(100))},
      {442, 100, Over(I, Row(100))},
      // Bottom: the outer line, the short outer lines over both rows, the
      // inner line and its corner pixels.
      {100, 140, Over(O, Row(140))},
      {100, 139, Over(I, Row(139))},
      {0, 139, Over(O, Row(139))},
      {442, 140, Over(O, Row(140))},
      {443, 139, Over(O, Row(139))},
      {1, 139, Over(O, Over(I, Row(139)))},
      {442, 139, Over(O, Row(139))},
  };
  for (const Case& c : cases) EXPECT_EQ(Pixel(c.x, c.y), c.expected) << c.x << "," << c.y;
}

TEST_F(SkinnedForm, ClientBackgroundIsTheGradientRowEverywhere) {
  Show();
  RECT c = ClientInWindow();
  for (int y = c.top; y < c.bottom; ++y)
    for (int x = c.left; x < c.right; ++x) ASSERT_EQ(Pixel(x, y), Row(y)) << x << "," << y;
}

TEST_F(SkinnedForm, RoundedRegionCutsOnlyTheCornerPixels) {
  Show();
  const auto& shape = Native()->shape;
  ASSERT_FALSE(shape.empty());
  auto in = [&](int x, int y) {
    for (const auto& r : shape)
      if (x >= r.left && x < r.right && y >= r.top && y < r.bottom) return true;
    return false;
  };
  for (POINT p : {POINT{0, 0}, POINT{443, 0}, POINT{0, 140}, POINT{443, 140}}) EXPECT_FALSE(in(p.x, p.y)) << p.x << "," << p.y;
  for (POINT p : {POINT{1, 0}, POINT{0, 1}, POINT{442, 0}, POINT{443, 139}, POINT{1, 140}, POINT{200, 70}})
    EXPECT_TRUE(in(p.x, p.y)) << p.x << "," << p.y;
  EXPECT_FALSE(in(444, 70));
  EXPECT_FALSE(in(200, 141));

  SendMessage(H(), WM_SYSCOMMAND, SC_MAXIMIZE, 0);
  Pump(80);
  ASSERT_EQ(Native()->shape.size(), 1u) << "a maximised window is a plain rectangle";
  EXPECT_EQ(Native()->shape[0].left, 0);
  EXPECT_EQ(Native()->shape[0].top, 0);
}

TEST_F(SkinnedForm, PaintingSettles) {
  Show();
  Pump(100);
  int presents = Native()->presents;
  Pump(300);
  EXPECT_EQ(Native()->presents, presents) << "setting the region must not start another paint each time";
  RECT u;
  EXPECT_FALSE(GetUpdateRect(H(), &u, FALSE));
}

TEST_F(SkinnedForm, ResizeRepaintsTheFrameOnceAfterTheDrag) {
  Show();
  form->SetBounds(form->Left(), form->Top(), 300, 100);
  Pump(100);
  EXPECT_EQ(Pixel(150, 99), Over(O, Row(99)));
  EXPECT_EQ(Pixel(299, 50), Over(O, Row(50)));
  EXPECT_EQ(Pixel(150, 60), Row(60));
}

TEST_F(SkinnedForm, CaptionTextNeverReachesTheCaptionBand) {
  Show();
  std::uint32_t before = Pixel(10, 12);
  form->SetCaption("A long caption that the default frame would draw");
  Pump(60);
  EXPECT_EQ(Pixel(10, 12), before);
  EXPECT_EQ(Pixel(10, 12), Row(12));
}

TEST_F(SkinnedForm, WithoutGradientTheBandIsTheCaptionColourAndTheBodyPlain) {
  skin->SetActiveGradient(false);
  Show();
  EXPECT_EQ(Pixel(100, 10), kCaption);
  EXPECT_EQ(Pixel(100, 60), kBody);
}

TEST_F(SkinnedForm, OnePixelFrameDarkensTheClientsBottomCorners) {
  skin->SetFramWidth(1);
  Show();
  // Client (0, H - 29) and (W - 3, H - 29) of the 442 x 113 client area,
  // at window (1, 139) and (442, 139).
  EXPECT_EQ(Pixel(1, 139), Over(0x40000000, Row(139)));
  EXPECT_EQ(Pixel(442, 139), Over(0x40000000, Row(139)));
  EXPECT_EQ(Pixel(2, 139), Row(139));
}

TEST_F(SkinnedForm, ColourShiftRecolorsTheLook) {
  SkinShift().Brightness = 100;  // every colour to white
  Show();
  SkinShift() = {};
  EXPECT_EQ(Pixel(100, 10), 0xFFFFFFu);
  EXPECT_EQ(Pixel(100, 80), 0xFFFFFFu);
}

TEST_F(SkinnedForm, FormWithoutBorderGetsOnlyItsClientBackground) {
  form->SetBorderStyle(TFormBorderStyle::bsNone);
  Show();
  // The whole window is client area; its background is laid out from the
  // client's top row.
  EXPECT_EQ(Pixel(0, 0), Row(27));
  EXPECT_EQ(Pixel(100, 50), Row(77));
}

}  // namespace
