// Picture strips: frames cut from a strip image, frame sizes, and which
// setters notify.
#include <gtest/gtest.h>

#include "skin/MlSkinPng.h"
#include "skin/MlSkinResManager.h"
#include "skin/PngPictures.h"
#include "SkinTestSupport.h"

namespace {

// The frame cut by hand: the source rectangle's pixels taken through the
// eight blending passes one by one.
void ExpectHandCut(const TMlSkinImage& frame, TBitmap32& image, const TRect& src) {
  ASSERT_EQ(frame.Width(), src.Width());
  ASSERT_EQ(frame.Height(), src.Height());
  for (int y = 0; y < src.Height(); ++y)
    for (int x = 0; x < src.Width(); ++x)
      ASSERT_EQ(frame.PixelAt(x, y), FramePixel(image.PixelAt(src.left + x, src.top + y))) << x << "," << y;
}

std::string WriteStripFile(const ScratchDir& dir, int w, int h) {
  TBitmap32 b;
  b.Resize(w, h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) b.PixelAt(x, y) = 0xFF000000u | TColor32(x) << 8 | TColor32(y);
  const std::string path = dir / "strip.png";
  std::unique_ptr<TPngImage> png = BitmapToPng(&b);
  TFileStream f(path, fmCreate);
  png->SaveToStream(f);
  return path;
}

}  // namespace

TEST(PngPictures, FlatButtonFramesMatchAHandCut) {
  TPngPictures strip;
  strip.SetImage("MlSkinFlatBtn");
  TBitmap32* image = GetSkinBitmap("MlSkinFlatBtn");
  ASSERT_NE(image, nullptr);
  ASSERT_EQ(strip.Bitmap(), image);
  EXPECT_EQ(strip.FrameWidth(), 22);
  EXPECT_EQ(strip.FrameHeight(), 22);
  for (int i = 0; i < 3; ++i) {
    SCOPED_TRACE(i);
    std::unique_ptr<TMlSkinImage> frame = strip.GetFrame(i);
    ASSERT_NE(frame, nullptr);
    EXPECT_EQ(frame->DrawMode(), dmBlend);
    EXPECT_EQ(frame->ResamplerClassName(), "TNearestResampler");
    ExpectHandCut(*frame, *image, Rect(22 * i, 0, 22 * i + 22, 22));
  }
  EXPECT_EQ(strip.GetFrame(3), nullptr);
  EXPECT_EQ(strip.GetFrame(-1), nullptr);
  // The translucent pixels only approach the source: eight passes, not one.
  std::unique_ptr<TMlSkinImage> hot = strip.GetHotFrame();
  EXPECT_NE(hot->PixelAt(5, 5), FramePixel(image->PixelAt(27, 5), 1));
}

TEST(PngPictures, VerticalStripsStackTheirFrames) {
  TPngPictures strip;
  strip.SetImage("MlSkinBrower_up");  // 29 x 120, four frames
  strip.SetCount(4);
  strip.SetMultiLineMode(true);
  EXPECT_EQ(strip.FrameWidth(), 29);
  EXPECT_EQ(strip.FrameHeight(), 30);
  std::unique_ptr<TMlSkinImage> pressed = strip.GetPressedFrame();
  ASSERT_NE(pressed, nullptr);
  ExpectHandCut(*pressed, *strip.Bitmap(), Rect(0, 60, 29, 90));
}

TEST(PngPictures, FramesOfAnUnevenStripDropTheLastColumns) {
  ScratchDir dir;
  TPngPictures strip;
  strip.SetImage(WriteStripFile(dir, 100, 4));
  EXPECT_EQ(strip.FrameWidth(), 33);
  std::unique_ptr<TMlSkinImage> last = strip.GetFrame(2);
  ASSERT_NE(last, nullptr);
  ASSERT_EQ(last->Width(), 33);
  // Opaque pixels come over exactly: columns 66 to 98.
  EXPECT_EQ(last->PixelAt(0, 1), 0xFF000000u | 66u << 8 | 1u);
  EXPECT_EQ(last->PixelAt(32, 3), 0xFF000000u | 98u << 8 | 3u);
}

TEST(PngPictures, WithoutAnImageThereAreNoFrames) {
  TPngPictures strip;
  strip.SetImage("MlSkinNoSuchStrip");
  EXPECT_EQ(strip.Bitmap(), nullptr);
  for (int i : {-1, 0, 1, 2, 3}) EXPECT_EQ(strip.GetFrame(i), nullptr);
  EXPECT_EQ(strip.FrameWidth(), 0);
  EXPECT_EQ(strip.FrameHeight(), 0);
  strip.SetImage("MlSkinFlatBtn");
  strip.SetCount(0);
  EXPECT_EQ(strip.GetFrame(0), nullptr);
  EXPECT_EQ(strip.FrameWidth(), 0);
}

TEST(PngPictures, SettersNotifyByTheirOwnRules) {
  TPngPictures strip;
  int calls = 0;
  strip.SetPicturesChanged([&](TObject*) { ++calls; });
  EXPECT_EQ(calls, 1);  // hooking the event notifies at once
  struct Step {
    const char* what;
    std::function<void()> set;
    int notified;
  } steps[] = {
      {"Hot to its value", [&] { strip.SetHot(strip.Hot()); }, 1},
      {"Normal to its value", [&] { strip.SetNormal(strip.Normal()); }, 1},
      {"Disable to its value", [&] { strip.SetDisable(strip.Disable()); }, 1},
      {"Count to its value", [&] { strip.SetCount(strip.Count()); }, 1},
      {"Active to its value", [&] { strip.SetActive(strip.Active()); }, 1},
      {"Pressed to a new value", [&] { strip.SetPressed(7); }, 0},
      {"MultiLineMode to a new value", [&] { strip.SetMultiLineMode(true); }, 0},
      {"Image to a new name", [&] { strip.SetImage("MlSkinFlatBtn"); }, 1},
      {"Image to the same text", [&] { strip.SetImage("MlSkinFlatBtn"); }, 0},
      {"Image in other letter case", [&] { strip.SetImage("mlskinflatbtn"); }, 1},
  };
  for (const Step& s : steps) {
    calls = 0;
    s.set();
    EXPECT_EQ(calls, s.notified) << s.what;
  }
  EXPECT_EQ(strip.Pressed(), 7);
  EXPECT_EQ(strip.Bitmap(), GetSkinBitmap("MlSkinFlatBtn"));
}

TEST(PngPictures, CopyingTakesEveryPropertyThroughTheSetters) {
  TPngPictures from, to;
  from.SetActive(true);
  from.SetImage("MlSkinFlatBtn");
  from.SetCount(4);
  from.SetNormal(3);
  from.SetHot(2);
  from.SetPressed(1);
  from.SetDisable(0);
  from.SetMultiLineMode(true);
  int calls = 0;
  to.SetPicturesChanged([&](TObject*) { ++calls; });
  calls = 0;
  to.Assign(&from);
  EXPECT_TRUE(to.Active());
  EXPECT_EQ(to.Image(), "MlSkinFlatBtn");
  EXPECT_EQ(to.Bitmap(), from.Bitmap());
  EXPECT_EQ(to.Count(), 4);
  EXPECT_EQ(to.Normal(), 3);
  EXPECT_EQ(to.Hot(), 2);
  EXPECT_EQ(to.Pressed(), 1);
  EXPECT_EQ(to.Disable(), 0);
  EXPECT_TRUE(to.MultiLineMode());
  EXPECT_EQ(calls, 6);  // Active, Image, Count, Normal, Hot, Disable
}

// A damaged picture file stops nothing: a strip on it draws nothing, and a
// strip on a built-in name keeps the built-in image (the updater's window
// makes such a strip while it is created).
TEST(PngPictures, AStripOnABrokenFileRaisesNothing) {
  ScratchDir dir;
  const std::string path = dir / "broken.png";
  WriteBytes(path, ReadBytes(SkinTestData("ps_xcsn0g01.png")));
  for (int i = 0; i < 2; ++i) {
    TPngPictures strip;
    EXPECT_NO_THROW(strip.SetImage(path));
    EXPECT_EQ(strip.Bitmap(), nullptr);
    EXPECT_EQ(strip.GetFrame(0), nullptr);
  }
  const std::string planted = SkinFilePath("MlSkinFlatBtn");
  WriteBytes(planted, ReadBytes(SkinTestData("ps_xcsn0g01.png")));
  TPngPictures flat;
  EXPECT_NO_THROW(flat.SetImage("MlSkinFlatBtn"));
  std::remove(planted.c_str());
  ASSERT_NE(flat.Bitmap(), nullptr);
  EXPECT_EQ(flat.Bitmap()->Width(), 66);
  EXPECT_NE(flat.GetFrame(1), nullptr);
}
