// What scripted tests rely on in the in-memory display: hit testing that
// honours window shapes, a composed screen that honours opacity and
// per-pixel alpha, and a snapshot that any PNG reader can read.
#include <gtest/gtest.h>
#include <png.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>

#include "platform/headless/HeadlessDisplay.h"

using platform::HeadlessDisplay;
using platform::IntRect;
using platform::NativeWindow;
using platform::NativeWindowParams;

namespace {

constexpr std::uint32_t kDesktop = 0xFF3A6EA5;

NativeWindow Filled(HeadlessDisplay& d, NativeWindowParams p, std::uint32_t argb) {
  NativeWindow w = d.CreateWindow(p);
  std::vector<std::uint32_t> px(size_t(p.width) * p.height, argb);
  d.Present(w, px.data(), p.width, p.height, p.width, {{0, 0, p.width, p.height}});
  d.Show(w, false);
  return w;
}

}  // namespace

TEST(HeadlessDisplay, WindowAtHonoursShapesStackingAndVisibility) {
  HeadlessDisplay d(400, 300);
  NativeWindow below = Filled(d, {0, 0, 200, 200}, 0xFF000000);
  NativeWindow above = Filled(d, {50, 50, 100, 100}, 0xFFFFFFFF);
  // A ring: the middle of the upper window is cut out.
  d.SetShape(above, {{0, 0, 100, 10}, {0, 90, 100, 100}, {0, 10, 10, 90}, {90, 10, 100, 90}});
  struct Case {
    int x, y;
    NativeWindow want;
  } cases[] = {
      {55, 55, above},   {100, 100, below},  // the hole shows the window below
      {149, 149, above}, {150, 150, below},  // right and bottom edges are exclusive
      {199, 199, below}, {200, 10, 0},       {-1, 0, 0},
  };
  for (const Case& c : cases) EXPECT_EQ(d.WindowAt(c.x, c.y), c.want) << c.x << "," << c.y;

  d.Minimize(above);
  EXPECT_EQ(d.WindowAt(55, 55), below);
  d.Show(above, false);
  d.Hide(below);
  EXPECT_EQ(d.WindowAt(100, 100), 0u);
  d.SetShape(above, {});
  EXPECT_EQ(d.WindowAt(100, 100), above) << "an empty list removes the shape";
}

// One window over the desktop colour; the expected channel values are the
// ideal blend, and the composed screen may round each by one.
struct ComposeCase {
  const char* name;
  bool perPixelAlpha;
  std::uint8_t opacity;
  std::uint32_t pixel;  // premultiplied when perPixelAlpha
  double red, green, blue;
};

void PrintTo(const ComposeCase& c, std::ostream* os) { *os << c.name; }

class HeadlessCompose : public ::testing::TestWithParam<ComposeCase> {};

TEST_P(HeadlessCompose, BlendsOverTheDesktop) {
  const ComposeCase& c = GetParam();
  HeadlessDisplay d(64, 48);
  NativeWindowParams p{10, 10, 20, 20};
  p.perPixelAlpha = c.perPixelAlpha;
  NativeWindow w = Filled(d, p, c.pixel);
  d.SetOpacity(w, c.opacity);
  std::vector<std::uint32_t> screen = d.ComposeScreen();
  ASSERT_EQ(screen.size(), 64u * 48u);
  EXPECT_EQ(screen[0], kDesktop) << "outside the window";
  std::uint32_t got = screen[size_t(15) * 64 + 15];
  EXPECT_EQ(got >> 24, 0xFFu);
  EXPECT_NEAR((got >> 16) & 0xFF, c.red, 1.0);
  EXPECT_NEAR((got >> 8) & 0xFF, c.green, 1.0);
  EXPECT_NEAR(got & 0xFF, c.blue, 1.0);
}

constexpr double kR = 0x3A, kG = 0x6E, kB = 0xA5;  // the desktop
constexpr double kHalf = 128.0 / 255.0;

INSTANTIATE_TEST_SUITE_P(
    Cases, HeadlessCompose,
    ::testing::Values(
        ComposeCase{"Opaque", false, 255, 0x00102030, 0x10, 0x20, 0x30},  // alpha ignored without per-pixel alpha
        ComposeCase{"HalfOpacity", false, 128, 0xFF000000, kR * (1 - kHalf), kG * (1 - kHalf), kB * (1 - kHalf)},
        ComposeCase{"PerPixelHalf", true, 255, 0x80400000, 64 + kR * (1 - kHalf), kG * (1 - kHalf),
                    kB * (1 - kHalf)},
        ComposeCase{"PerPixelClear", true, 255, 0x00000000, kR, kG, kB},
        ComposeCase{"PerPixelAndOpacity", true, 128, 0xFFFFFFFF, 255 * kHalf + kR * (1 - kHalf),
                    255 * kHalf + kG * (1 - kHalf), 255 * kHalf + kB * (1 - kHalf)}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(HeadlessDisplay, SaveScreenPngWritesWhatComposeScreenShows) {
  HeadlessDisplay d(32, 24);
  NativeWindowParams p{4, 4, 10, 8};
  p.perPixelAlpha = true;
  Filled(d, p, 0x80402010);
  Filled(d, {16, 2, 8, 8}, 0xFFFF8000);
  std::vector<std::uint32_t> screen = d.ComposeScreen();

  char path[] = "/tmp/quelbo-headless-XXXXXX";
  int fd = mkstemp(path);
  ASSERT_GE(fd, 0);
  close(fd);
  ASSERT_TRUE(d.SaveScreenPng(path));

  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  ASSERT_TRUE(png_image_begin_read_from_file(&image, path)) << image.message;
  EXPECT_EQ(image.width, 32u);
  EXPECT_EQ(image.height, 24u);
  image.format = PNG_FORMAT_BGRA;  // one little-endian word is $AARRGGBB
  std::vector<std::uint32_t> read(size_t(image.width) * image.height);
  ASSERT_TRUE(png_image_finish_read(&image, nullptr, read.data(), 0, nullptr)) << image.message;
  std::remove(path);
  EXPECT_EQ(read, screen);
}
