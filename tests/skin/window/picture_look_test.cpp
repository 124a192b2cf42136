// The picture look: a background picture faded into its average colour,
// including pictures smaller than the fade band.
#include <unistd.h>

#include <vector>

#include "SkinnedFormFixture.h"
#include "platform/Png.h"

namespace {

// Skin images blend: an opaque pixel F over B gives, per channel,
// (F * 255 + 128) >> 8 + B - (B * 255 + 128) >> 8.
std::uint32_t OpaqueOver(std::uint32_t f, std::uint32_t b) {
  std::uint32_t out = 0;
  for (int s : {16, 8, 0}) {
    unsigned fc = (f >> s) & 0xFF, bc = (b >> s) & 0xFF;
    out |= (((fc * 255 + 128) >> 8) + bc - ((bc * 255 + 128) >> 8)) << s;
  }
  return out;
}
constexpr std::uint32_t kRed = 0xFF0000, kBlue = 0x0000FF;
// The picture's average, (255 * 600) div 1200 in red and blue.
constexpr std::uint32_t kAverage = 0x7F007F;

class PictureLook : public skintest::SkinnedForm {
 protected:
  void TearDown() override {
    skintest::SkinnedForm::TearDown();
    unlink(path.c_str());
  }
  // A w x h picture: the left half red, the right half blue.
  void UsePicture(int w, int h) {
    std::vector<std::uint32_t> px(static_cast<size_t>(w) * h);
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) px[static_cast<size_t>(y) * w + x] = x < w / 2 ? 0xFFFF0000 : 0xFF0000FF;
    ASSERT_TRUE(platform::WritePng(path, px.data(), w, h, w));
    skin->SetStyle(TMlSkinStyle::ssPicture);
    skin->SetCustomPicture(path);
  }
  std::string path = ::testing::TempDir() + "/look-" + std::to_string(getpid()) + ".png";
};

TEST_F(PictureLook, SmallPictureFadesInsideItselfAndShows) {
  UsePicture(40, 30);
  Show();
  // The fade band is half the picture: its top-left quarter shows as it is.
  EXPECT_EQ(Pixel(5, 5), OpaqueOver(kRed, kAverage));
  EXPECT_EQ(Pixel(12, 12), OpaqueOver(kRed, kAverage));
  // Beyond the picture lies its average colour.
  EXPECT_EQ(Pixel(100, 60), kAverage);
  EXPECT_EQ(Pixel(300, 12), kAverage);
}

TEST_F(PictureLook, TiledPictureRepeatsFromTheWindowCorner) {
  skin->SetFillStyle(TMlFillStyle::mfsTile);
  UsePicture(40, 30);
  Show();
  // Tiles land on a fresh, transparent black background.
  EXPECT_EQ(Pixel(45, 35), OpaqueOver(kRed, 0));
  EXPECT_EQ(Pixel(75, 35), OpaqueOver(kBlue, 0));
  EXPECT_EQ(Pixel(125, 95), OpaqueOver(kRed, 0));
}

}  // namespace
