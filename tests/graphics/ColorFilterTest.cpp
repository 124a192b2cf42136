// Colour shifts and the integer HSL conversions.
#include <gtest/gtest.h>

#include "graphics/PictureFilters.h"

TEST(ShiftColor, ReferenceResults) {
  struct Case {
    TColor in;
    int hue, sat, bright;
    TColor expected;
  } cases[] = {
      {0x00336699, 0, 0, 0, 0x00336699},  {0x000000FF, 120, 0, 0, 0x0000FF00},
      {0x000000FF, 60, 0, 0, 0x0000FFFE}, {0x000000FF, -120, 0, 0, 0x00FF0000},
      {0x000000FF, 0, -100, 0, 0x007F7F7F}, {0x000000FF, 0, 0, 100, 0x00FFFFFF},
      {0x000000FF, 0, 0, -100, 0x00000000},
      // red 153, green 102, blue 51
      {0x00336699, 0, 0, 50, 0x0098B2CB},   {0x00336699, 0, 0, -50, 0x001A344D},
      // A positive saturation shift brightens first; a negative one after.
      {0x00336699, 0, 20, 20, 0x005184B7},  {0x00336699, 0, -20, 20, 0x006384A5},
      // Greys keep their hue and saturation.
      {0x00808080, 90, 0, 0, 0x00808080},   {0x00808080, 0, 80, 0, 0x00808080},
      {0x00808080, -200, -50, 0, 0x00808080},
  };
  for (const Case& c : cases)
    EXPECT_EQ(ShiftColor(c.in, c.hue, c.sat, c.bright), c.expected)
        << std::hex << c.in << " " << std::dec << c.hue << "/" << c.sat << "/" << c.bright;
}

TEST(ShiftColor, ExtremeInputsStayInRange) {
  // A dark near-grey has saturation 0; boosting it must not divide by zero.
  TColor r = ShiftColor(0x00010000, 0, 100, 0);
  EXPECT_EQ(r & ~0xFFFFFF, 0);
  for (int hue : {-1000, -300, 359, 360, 361, 1000})
    for (int sat : {-100, -1, 1, 100, 200})
      EXPECT_EQ(ShiftColor(0x00123456, hue, sat, 0) & ~0xFFFFFF, 0) << hue << " " << sat;
}

TEST(Hsl, ReferenceResults) {
  EXPECT_EQ(HSLToColor(0, 255, 127, 255), 0xFFFD0101u);
  EXPECT_EQ(HSLToColor(85, 255, 127, 255), 0xFF03FD01u);
  EXPECT_EQ(HSLToColor(170, 255, 127, 255), 0xFF0105FDu);
  EXPECT_EQ(HSLToColor(0, 0, 128, 255), 0xFF808080u);
  EXPECT_EQ(HSLToColor(10, 200, 0, 17), 0xFF000000u) << "black ignores A";
  EXPECT_EQ(HSLToColor(0, 0, 128, 0x40), 0x40808080u);
  EXPECT_EQ(ColorToHSL(0xFFFF0010), (THsl{252, 255, 127}));
  EXPECT_EQ(ColorToHSL(0xFF808080), (THsl{0, 0, 128}));
  EXPECT_EQ(ColorToHSL(0xFF00FF00), (THsl{85, 255, 127}));
  EXPECT_EQ(ColorToHSL(0xFF0000FF), (THsl{170, 255, 127}));
}

TEST(ShiftBitmapColors, MakesEveryPixelOpaqueThroughTheConversion) {
  TBitmap32 b;
  b.Resize(3, 1);
  b.PixelAt(0, 0) = 0x80FF0000;
  b.PixelAt(1, 0) = 0xFFFFFFFF;
  b.PixelAt(2, 0) = 0x00000000;
  int changes = 0;
  b.OnChange = [&](TObject*) { ++changes; };
  ShiftBitmapColors(&b, 0, 0, 0);
  EXPECT_EQ(b.PixelAt(0, 0), 0xFFFD0101u);
  EXPECT_EQ(b.PixelAt(1, 0), 0xFFFFFFFFu);
  EXPECT_EQ(b.PixelAt(2, 0), 0xFF000000u);
  EXPECT_EQ(changes, 0);
  // A third of a turn moves red to green; lightness and saturation shifts clamp.
  b.PixelAt(0, 0) = 0xFFFF0000;
  ShiftBitmapColors(&b, 85, 0, 0);
  EXPECT_EQ(b.PixelAt(0, 0), HSLToColor(85, 255, 127, 255));
  ShiftBitmapColors(&b, 0, -100, 0);
  EXPECT_EQ(b.PixelAt(0, 0), HSLToColor(85, 0, 127, 255));
  ShiftBitmapColors(&b, -300, 500, 500);
  EXPECT_EQ(b.PixelAt(1, 0), 0xFFFFFFFFu);
  ShiftBitmapColors(nullptr, 1, 1, 1);
  TBitmap32 empty;
  ShiftBitmapColors(&empty, 1, 1, 1);
}
