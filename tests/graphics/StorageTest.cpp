// The stored "Data" form, Windows bitmap files, and PNG and JPEG pictures,
// with damaged and hostile input.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "graphics/Bitmap32.h"
#include "platform/Files.h"
#include "platform/Processes.h"
#include "graphics/BmpFormat.h"
#include "graphics/Picture.h"

// After the project's headers, as in the library (its TRUE/FALSE macros).
#include <jpeglib.h>

namespace {

std::string Data(const char* name) { return std::string(QUELBO_TEST_DATA) + "/" + name; }

// A file name of this process in the temporary directory (code page 936).
std::string TempFile(const std::string& name) {
  return testing::TempDir() + "quelbo_" + std::to_string(platform::CurrentProcessId()) + "_" + name;
}

TMemoryStream Bytes(const std::vector<unsigned char>& b) {
  TMemoryStream s;
  if (!b.empty()) s.WriteBuffer(b.data(), static_cast<std::int64_t>(b.size()));
  s.SetPosition(0);
  return s;
}

std::vector<unsigned char> Contents(TMemoryStream& s) {
  auto* p = static_cast<const unsigned char*>(s.Memory());
  return {p, p + s.Size()};
}

void Le32(std::vector<unsigned char>& v, std::uint32_t x) {
  for (int i = 0; i < 4; ++i) v.push_back((x >> (8 * i)) & 0xFF);
}

// A Windows bitmap file with the given bit count, palette and rows (as stored).
std::vector<unsigned char> BmpFile(int w, int h, int bpp, const std::vector<unsigned char>& palette,
                                   const std::vector<unsigned char>& rows) {
  std::vector<unsigned char> f = {'B', 'M'};
  std::uint32_t off = 54 + static_cast<std::uint32_t>(palette.size());
  Le32(f, off + static_cast<std::uint32_t>(rows.size()));
  Le32(f, 0);
  Le32(f, off);
  Le32(f, 40);
  Le32(f, static_cast<std::uint32_t>(w));
  Le32(f, static_cast<std::uint32_t>(h));
  f.push_back(1), f.push_back(0), f.push_back(static_cast<unsigned char>(bpp)), f.push_back(0);
  Le32(f, 0);
  Le32(f, static_cast<std::uint32_t>(rows.size()));
  Le32(f, 0), Le32(f, 0);
  Le32(f, static_cast<std::uint32_t>(palette.size() / 4));  // colours used
  Le32(f, 0);
  f.insert(f.end(), palette.begin(), palette.end());
  f.insert(f.end(), rows.begin(), rows.end());
  return f;
}

std::vector<TColor32> Pixels(const TCustomBitmap32& b) {
  return {b.Bits(), b.Bits() + static_cast<size_t>(b.Width()) * b.Height()};
}

}  // namespace

TEST(StoredData, RoundTripAndEmpty) {
  TBitmap32 a;
  a.Resize(3, 2);
  for (int i = 0; i < 6; ++i) a.Bits()[i] = 0x01020304u * TColor32(i + 1);
  TMemoryStream s;
  a.WriteData(s);
  std::vector<unsigned char> bytes = Contents(s);
  ASSERT_EQ(bytes.size(), 8u + 24u);
  EXPECT_EQ(GetLE32(bytes.data()), 3u);
  EXPECT_EQ(GetLE32(bytes.data() + 4), 2u);
  EXPECT_EQ(GetLE32(bytes.data() + 8 + 4 * 3), 0x01020304u * 4);  // row 1 starts the second row
  TBitmap32 b;
  int changes = 0;
  b.OnChange = [&](TObject*) { ++changes; };
  s.SetPosition(0);
  b.ReadData(s);
  EXPECT_EQ(Pixels(b), Pixels(a));
  EXPECT_GE(changes, 1);

  TMemoryStream zero = Bytes({0, 0, 0, 0, 0, 0, 0, 0});
  b.ReadData(zero);
  EXPECT_TRUE(b.Empty());
}

TEST(StoredData, DamagedDataIsAnErrorAfterWhichTheListenersAreTold) {
  struct Case {
    const char* name;
    std::vector<unsigned char> bytes;
  } cases[] = {
      {"short header", {3, 0, 0}},
      {"pixels missing", {2, 0, 0, 0, 1, 0, 0, 0, 1, 2, 3, 4}},
      {"a huge size declared by a few bytes", {0xFF, 0xFF, 0, 0, 0xFF, 0xFF, 0, 0, 1, 2, 3, 4}},
      // Width times height times four is beyond 64 bits.
      {"the largest sizes", {0xFF, 0xFF, 0xFF, 0x7F, 0xFF, 0xFF, 0xFF, 0x7F, 1, 2, 3, 4}},
  };
  for (const Case& c : cases) {
    TBitmap32 b;
    b.Resize(2, 2);
    int changes = 0;
    b.OnChange = [&](TObject*) { ++changes; };
    TMemoryStream s = Bytes(c.bytes);
    EXPECT_THROW(b.ReadData(s), EReadError) << c.name;
    EXPECT_EQ(changes, 1) << c.name;
  }
  // Negative sizes count as 0.
  TBitmap32 b;
  TMemoryStream neg = Bytes({0xFF, 0xFF, 0xFF, 0xFF, 5, 0, 0, 0});
  b.ReadData(neg);
  EXPECT_TRUE(b.Empty());
}

TEST(BitmapFiles, SaveAndLoadBothDirections) {
  TBitmap32 a;
  a.Resize(3, 2);
  for (int i = 0; i < 6; ++i) a.Bits()[i] = 0x80102030u + TColor32(i);
  for (bool topDown : {false, true}) {
    TMemoryStream s;
    a.SaveToStream(s, topDown);
    std::vector<unsigned char> bytes = Contents(s);
    ASSERT_EQ(bytes.size(), 54u + 24u);
    EXPECT_EQ(bytes[0], 'B');
    EXPECT_EQ(GetLE32(bytes.data() + 2), 78u);
    EXPECT_EQ(GetLE32(bytes.data() + 10), 54u);
    EXPECT_EQ(static_cast<std::int32_t>(GetLE32(bytes.data() + 22)), topDown ? -2 : 2);
    EXPECT_EQ(GetLE32(bytes.data() + 54), topDown ? a.PixelAt(0, 0) : a.PixelAt(0, 1));
    for (bool dib : {true, false}) {
      std::unique_ptr<TCustomBitmap32> b(dib ? new TBitmap32 : new TCustomBitmap32);
      s.SetPosition(0);
      b->LoadFromStream(s);  // 32 bits per pixel: read directly, alpha kept
      EXPECT_EQ(Pixels(*b), Pixels(a));
    }
  }
  // Through a file name (code page 936 path).
  std::string path = TempFile("bitmap_\xb2\xe2\xca\xd4.bmp");
  a.SaveToFile(path);
  TBitmap32 c;
  c.LoadFromFileName(path);
  EXPECT_EQ(Pixels(c), Pixels(a));
  EXPECT_TRUE(platform::DeleteFile(path));
}

TEST(BitmapFiles, OtherBitCountsComeThroughTheReaderOpaque) {
  // 24 bits per pixel, 2 x 2, bottom-up, rows padded to 4 bytes.
  std::vector<unsigned char> rows = {0x30, 0x20, 0x10, 0xFF, 0xFF, 0xFF, 0, 0,   // bottom row
                                     0x00, 0x00, 0xFF, 0x00, 0xFF, 0x00, 0, 0};  // top row
  TMemoryStream s = Bytes(BmpFile(2, 2, 24, {}, rows));
  TBitmap32 b;
  b.LoadFromStream(s);
  EXPECT_EQ(Pixels(b), (std::vector<TColor32>{0xFFFF0000, 0xFF00FF00, 0xFF102030, 0xFFFFFFFF}));

  // 4 bits per pixel with a palette, then transparent: the bottom-left
  // pixel's colour loses its alpha.
  std::vector<unsigned char> pal = {0, 0, 0, 0, 0xFF, 0, 0, 0};  // black, blue
  std::vector<unsigned char> rows4 = {0x01, 0, 0, 0};           // one row: black, blue
  TMemoryStream s4 = Bytes(BmpFile(2, 1, 4, pal, rows4));
  TBitmapFile file;
  file.LoadFromStream(s4);
  EXPECT_EQ(file.BitsPerPixel(), 4);
  b.Assign(&file);
  EXPECT_EQ(Pixels(b), (std::vector<TColor32>{0xFF000000, 0xFF0000FF}));
  file.SetTransparent(true);
  b.Assign(&file);
  EXPECT_EQ(Pixels(b), (std::vector<TColor32>{0x00000000, 0xFF0000FF}));
  // Through the picture classes, by extension.
  std::string path = TempFile("four_bits.bmp");
  {
    TFileStream f(path, fmCreate);
    std::vector<unsigned char> bytes = BmpFile(2, 1, 4, pal, rows4);
    f.WriteBuffer(bytes.data(), static_cast<std::int64_t>(bytes.size()));
  }
  TPicture pic;
  pic.LoadFromFile(path);
  EXPECT_TRUE(platform::DeleteFile(path));
  b.Assign(&pic);
  EXPECT_EQ(Pixels(b), (std::vector<TColor32>{0xFF000000, 0xFF0000FF}));

  // Memory-backed bitmaps cannot take pictures.
  TCustomBitmap32 m;
  s.SetPosition(0);
  try {
    m.LoadFromStream(s);
    FAIL();
  } catch (const Exception& e) {
    EXPECT_STREQ(e.what(), "Inpropriate Backend");
  }
}

TEST(BitmapFiles, DamagedFilesAreErrorsNotCrashes) {
  std::vector<std::vector<unsigned char>> bad = {
      {'B', 'M'},
      BmpFile(70000, 70000, 32, {}, {1, 2, 3, 4}),
      BmpFile(2, 2, 24, {}, {1, 2, 3}),
      BmpFile(-5, 2, 24, {}, std::vector<unsigned char>(64)),
      BmpFile(2, 2, 7, {}, std::vector<unsigned char>(64)),
      BmpFile(2, 1, 8, {}, std::vector<unsigned char>(4)),  // palette missing
  };
  for (size_t i = 0; i < bad.size(); ++i) {
    TMemoryStream s = Bytes(bad[i]);
    TBitmap32 b;
    EXPECT_THROW(b.LoadFromStream(s), Exception) << "case " << i;
  }
  // Random damage to a valid file: each load ends in an image or an error.
  std::vector<unsigned char> good = BmpFile(3, 3, 8, std::vector<unsigned char>(1024, 7), std::vector<unsigned char>(12, 1));
  {
    TMemoryStream s = Bytes(good);
    TBitmap32 b;
    b.LoadFromStream(s);
    EXPECT_EQ(b.PixelAt(2, 2), 0xFF070707u);
  }
  std::mt19937 rng(5);
  for (int n = 0; n < 2000; ++n) {
    std::vector<unsigned char> v = good;
    for (int k = 0; k < 4; ++k) v[rng() % 60] = static_cast<unsigned char>(rng());
    if (rng() % 4 == 0) v.resize(rng() % v.size());
    TMemoryStream s = Bytes(v);
    TBitmap32 b;
    try {
      b.LoadFromStream(s);
    } catch (const Exception&) {
    }
  }
}

TEST(PngPictures, ColourTypesAlphaAndInterlacing) {
  // Interlaced and plain files of one kind decode to the same pixels.
  for (const char* kind : {"0g01", "0g08", "2c08", "3p08", "4a08", "6a08", "6a16", "2c16"}) {
    TPngImage plain, interlaced;
    plain.LoadFromFile(Data(("ps_basn" + std::string(kind) + ".png").c_str()));
    interlaced.LoadFromFile(Data(("ps_basi" + std::string(kind) + ".png").c_str()));
    EXPECT_EQ(plain.Width(), 32);
    EXPECT_EQ(plain.Pixels(), interlaced.Pixels()) << kind;
  }
  TPngImage rgba, rgb, keyed;
  rgba.LoadFromFile(Data("ps_basn6a08.png"));
  rgb.LoadFromFile(Data("ps_basn2c08.png"));
  keyed.LoadFromFile(Data("ps_tbrn2c08.png"));
  EXPECT_EQ(rgba.ColorType(), 6);
  EXPECT_TRUE(rgba.HasAlpha());
  EXPECT_EQ(rgb.ColorType(), 2);
  EXPECT_FALSE(rgb.HasAlpha());
  EXPECT_TRUE(keyed.HasTransparencyChunk());
  std::set<unsigned> alphas;
  for (TColor32 p : rgba.Pixels()) alphas.insert(AlphaComponent(p));
  EXPECT_GT(alphas.size(), 10u);
  for (TColor32 p : rgb.Pixels()) ASSERT_EQ(AlphaComponent(p), 255u);
  // The transparency colour (white) gives alpha 0 exactly on its pixels.
  int transparent = 0;
  for (TColor32 p : keyed.Pixels()) {
    ASSERT_EQ(AlphaComponent(p) == 0, (p & 0x00FFFFFF) == 0x00FFFFFF);
    transparent += AlphaComponent(p) == 0;
  }
  EXPECT_GT(transparent, 0);
  // Grey 8-bit: the stored grey value in every colour channel, no gamma.
  TPngImage grey;
  grey.LoadFromFile(Data("ps_basn0g08.png"));
  for (TColor32 p : grey.Pixels()) ASSERT_TRUE(RedComponent(p) == GreenComponent(p) && GreenComponent(p) == BlueComponent(p));
}

TEST(PngPictures, AssignedPicturesAreDrawnOverWhiteAndOpaque) {
  TBitmap32 b;
  b.LoadFromFileName(Data("ps_basn6a08.png"));
  TPngImage g;
  g.LoadFromFile(Data("ps_basn6a08.png"));
  ASSERT_EQ(b.Width(), 32);
  for (int i = 0; i < 32 * 32; ++i) {
    TColor32 s = g.Pixels()[static_cast<size_t>(i)], d = b.Bits()[i];
    ASSERT_EQ(AlphaComponent(d), 255u);
    unsigned a = AlphaComponent(s);
    unsigned want = (RedComponent(s) * a + 255 * (255 - a) + 127) / 255;
    ASSERT_EQ(RedComponent(d), want) << i;
  }
  // Saving and reading back through the PNG writer keeps every byte.
  TMemoryStream s;
  TPngImage::SavePixels(s, g.Pixels().data(), g.Width(), g.Height());
  s.SetPosition(0);
  TPngImage back;
  back.LoadFromStream(s);
  EXPECT_EQ(back.Pixels(), g.Pixels());
}

TEST(PngPictures, CorruptFilesAreErrors) {
  for (const char* name : {"ps_xc1n0g08.png", "ps_xc9n2c08.png", "ps_xcrn0g04.png", "ps_xcsn0g01.png",
                           "ps_xd0n2c08.png", "ps_xd3n2c08.png", "ps_xd9n2c08.png", "ps_xdtn0g01.png",
                           "ps_xhdn0g08.png", "ps_xlfn0g04.png", "ps_xs1n0g01.png", "ps_xs2n0g01.png",
                           "ps_xs4n0g01.png", "ps_xs7n0g01.png"}) {
    TBitmap32 b;
    EXPECT_THROW(b.LoadFromFileName(Data(name)), Exception) << name;
  }
  TBitmap32 b;
  EXPECT_THROW(b.LoadFromFileName(Data("no_such_file.png")), EFOpenError);
  TMemoryStream junk = Bytes({'J', 'U', 'N', 'K'});
  EXPECT_THROW(b.LoadFromStream(junk), EInvalidGraphic);
}

TEST(JpegPictures, DecodeAndReject) {
  // Encode a small picture with the library, then read it back.
  const int w = 16, h = 8;
  std::vector<unsigned char> rgb(static_cast<size_t>(w) * h * 3);
  for (int i = 0; i < w * h; ++i) rgb[size_t(i) * 3] = 200, rgb[size_t(i) * 3 + 1] = 100, rgb[size_t(i) * 3 + 2] = 50;
  jpeg_compress_struct c;
  jpeg_error_mgr err;
  c.err = jpeg_std_error(&err);
  jpeg_create_compress(&c);
  unsigned char* out = nullptr;
  unsigned long outSize = 0;
  jpeg_mem_dest(&c, &out, &outSize);
  c.image_width = w;
  c.image_height = h;
  c.input_components = 3;
  c.in_color_space = JCS_RGB;
  jpeg_set_defaults(&c);
  jpeg_set_quality(&c, 95, TRUE);
  jpeg_start_compress(&c, TRUE);
  for (int y = 0; y < h; ++y) {
    JSAMPROW row = rgb.data() + size_t(y) * w * 3;
    jpeg_write_scanlines(&c, &row, 1);
  }
  jpeg_finish_compress(&c);
  std::vector<unsigned char> file(out, out + outSize);
  jpeg_destroy_compress(&c);
  std::free(out);

  TMemoryStream s = Bytes(file);
  TBitmap32 b;
  b.LoadFromStream(s);
  ASSERT_EQ(b.Width(), w);
  ASSERT_EQ(b.Height(), h);
  TColor32 p = b.PixelAt(5, 5);
  EXPECT_EQ(AlphaComponent(p), 255u);
  EXPECT_NEAR(double(RedComponent(p)), 200, 3);
  EXPECT_NEAR(double(GreenComponent(p)), 100, 3);
  EXPECT_NEAR(double(BlueComponent(p)), 50, 3);

  file.resize(file.size() / 2);
  TMemoryStream cut = Bytes(file);
  TBitmap32 c2;
  // A cut file either decodes what is there or fails; it never crashes.
  try {
    c2.LoadFromStream(cut);
  } catch (const Exception&) {
  }
  TMemoryStream header = Bytes({0xFF, 0xD8, 0xFF, 0xE0, 0, 0});
  EXPECT_THROW(c2.LoadFromStream(header), EInvalidGraphic);
}
