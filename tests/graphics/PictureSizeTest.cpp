// The size a picture declares, read from its header alone: for every format
// the readers take, it is the size the reader then decodes (the reader is the
// oracle), and it is found in a file that holds nothing past the header.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "graphics/Bitmap32.h"
#include "graphics/Picture.h"
#include "graphics/PictureSize.h"

#include <jpeglib.h>

namespace {

using Bytes = std::vector<unsigned char>;

Bytes ReadData(const char* name) {
  std::ifstream f(std::string(QUELBO_TEST_DATA) + "/" + name, std::ios::binary);
  return {std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>()};
}

void Le16(Bytes& v, unsigned x) { v.push_back(x & 0xFF), v.push_back((x >> 8) & 0xFF); }
void Le32(Bytes& v, std::uint32_t x) { Le16(v, x & 0xFFFF), Le16(v, x >> 16); }
void Be16(Bytes& v, std::size_t at, unsigned x) { v[at] = (x >> 8) & 0xFF, v[at + 1] = x & 0xFF; }
void Be32(Bytes& v, std::size_t at, std::uint32_t x) { Be16(v, at, x >> 16), Be16(v, at + 2, x & 0xFFFF); }

// A JPEG of w x h grey pixels, made by libjpeg.
Bytes Jpeg(int w, int h) {
  jpeg_compress_struct c;
  jpeg_error_mgr err;
  c.err = jpeg_std_error(&err);
  jpeg_create_compress(&c);
  unsigned char* out = nullptr;
  unsigned long outSize = 0;
  jpeg_mem_dest(&c, &out, &outSize);
  c.image_width = static_cast<JDIMENSION>(w);
  c.image_height = static_cast<JDIMENSION>(h);
  c.input_components = 1;
  c.in_color_space = JCS_GRAYSCALE;
  jpeg_set_defaults(&c);
  jpeg_start_compress(&c, TRUE);
  Bytes row(static_cast<std::size_t>(w), 128);
  for (int y = 0; y < h; ++y) {
    JSAMPROW r = row.data();
    jpeg_write_scanlines(&c, &r, 1);
  }
  jpeg_finish_compress(&c);
  Bytes file(out, out + outSize);
  jpeg_destroy_compress(&c);
  std::free(out);
  return file;
}

// A 32-bit bitmap file of the framework's own writer.
Bytes BitmapFile(int w, int h, bool topDown) {
  TBitmap32 b;
  b.Resize(w, h);
  b.Clear(0xFF336699);
  TMemoryStream s;
  b.SaveToStream(s, topDown);
  const auto* p = static_cast<const unsigned char*>(s.Memory());
  return Bytes(p, p + s.Size());
}

// A bitmap file with the old 12-byte core header, 24 bits a pixel.
Bytes CoreBitmapFile(int w, int h) {
  const std::uint32_t stride = (static_cast<std::uint32_t>(w) * 3 + 3) & ~3u;
  Bytes f = {'B', 'M'};
  Le32(f, 26 + stride * h), Le32(f, 0), Le32(f, 26);
  Le32(f, 12), Le16(f, w), Le16(f, h), Le16(f, 1), Le16(f, 24);
  f.resize(f.size() + stride * h, 0x40);
  return f;
}

// An image of an icon file (a PNG file or a bitmap with its mask) and the
// size the icon's directory states for it, which the reader chooses by.
struct IconImage {
  Bytes data;
  unsigned char width, height;
};

Bytes IconFile(const std::vector<IconImage>& images) {
  Bytes f;
  Le16(f, 0), Le16(f, 1), Le16(f, static_cast<unsigned>(images.size()));
  std::uint32_t offset = 6 + 16 * static_cast<std::uint32_t>(images.size());
  for (const IconImage& im : images) {
    f.insert(f.end(), {im.width, im.height, 0, 0});
    Le16(f, 1), Le16(f, 32), Le32(f, static_cast<std::uint32_t>(im.data.size())), Le32(f, offset);
    offset += static_cast<std::uint32_t>(im.data.size());
  }
  for (const IconImage& im : images) f.insert(f.end(), im.data.begin(), im.data.end());
  return f;
}

// An icon's bitmap: the info header states the colour image and mask together.
Bytes IconBitmap(int w, int h) {
  Bytes d;
  Le32(d, 40), Le32(d, w), Le32(d, h * 2), Le16(d, 1), Le16(d, 32);
  for (int i = 0; i < 6; ++i) Le32(d, 0);
  d.resize(d.size() + static_cast<std::size_t>(w) * h * 4 + static_cast<std::size_t>((w + 31) / 32 * 4) * h, 0);
  return d;
}

std::optional<TPictureSize> Declared(const Bytes& b) { return DeclaredPictureSize(b.data(), b.size()); }

TEST(PictureSize, IsTheSizeTheReadersDecode) {
  const Bytes pngInsideIcon = ReadData("ps_basn6a08.png");
  const struct {
    const char* name;
    Bytes file;
  } cases[] = {
      {"PNG, colour", ReadData("ps_basn2c08.png")},
      {"PNG, interlaced grey", ReadData("ps_basi0g01.png")},
      {"JPEG", Jpeg(37, 11)},
      {"bitmap, bottom-up", BitmapFile(5, 3, false)},
      {"bitmap, top-down", BitmapFile(4, 7, true)},
      {"bitmap, core header", CoreBitmapFile(6, 2)},
      {"icon of a bitmap and a larger PNG", IconFile({{IconBitmap(20, 12), 20, 12}, {pngInsideIcon, 32, 32}})},
      {"icon of a PNG and a larger bitmap", IconFile({{pngInsideIcon, 32, 32}, {IconBitmap(40, 36), 40, 36}})},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TMemoryStream s;
    s.WriteBuffer(c.file.data(), static_cast<std::int64_t>(c.file.size()));
    s.SetPosition(0);
    std::unique_ptr<TGraphic> decoded = LoadGraphicFromStream(s);
    const std::optional<TPictureSize> size = Declared(c.file);
    ASSERT_TRUE(size.has_value());
    EXPECT_EQ(size->Width, decoded->Width());
    EXPECT_EQ(size->Height, decoded->Height());
  }
}

TEST(PictureSize, IsReadFromTheHeaderAlone) {
  // Headers of pictures far too large to decode, cut right after the header.
  Bytes png = ReadData("ps_basn2c08.png");
  png.resize(33);
  Be32(png, 16, 16384), Be32(png, 20, 10000);
  // The JPEG's frame header (SOF0: length, precision, height, width), cut at
  // the start of its scan.
  Bytes jpeg = Jpeg(8, 8);
  std::size_t sof = 2, sos = 2;
  while (sof + 1 < jpeg.size() && !(jpeg[sof] == 0xFF && jpeg[sof + 1] == 0xC0)) ++sof;
  while (sos + 1 < jpeg.size() && !(jpeg[sos] == 0xFF && jpeg[sos + 1] == 0xDA)) ++sos;
  ASSERT_LT(sos, jpeg.size());
  Be16(jpeg, sof + 5, 50000), Be16(jpeg, sof + 7, 60000);
  jpeg.resize(sos + 14);
  Bytes bitmap = BitmapFile(1, 1, true);
  bitmap.resize(54);
  bitmap[18] = 0, bitmap[19] = 0, bitmap[20] = 1, bitmap[21] = 0;        // width 65536
  bitmap[22] = 0, bitmap[23] = 0, bitmap[24] = 0xFF, bitmap[25] = 0xFF;  // height -65536
  Bytes iconBitmap = IconBitmap(1, 1);
  iconBitmap[4] = 0, iconBitmap[5] = 0x90;                         // width 36864
  iconBitmap[8] = 0, iconBitmap[9] = 0x20, iconBitmap[10] = 0x01;  // height 73728, halved
  iconBitmap.resize(40);
  const struct {
    const char* name;
    Bytes file;
    long long width, height;
  } cases[] = {
      {"PNG", png, 16384, 10000},
      {"JPEG", jpeg, 60000, 50000},
      {"bitmap", bitmap, 65536, 65536},
      // The reader trusts an image's own header over the directory, which
      // claims a small picture here: whichever it chooses, it is no larger.
      {"icon of a small PNG and a huge PNG", IconFile({{ReadData("ps_basn6a08.png"), 32, 32}, {png, 16, 16}}), 16384,
       10000},
      {"icon of a huge bitmap", IconFile({{iconBitmap, 16, 16}}), 36864, 36864},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const std::optional<TPictureSize> size = Declared(c.file);
    ASSERT_TRUE(size.has_value());
    EXPECT_EQ(size->Width, c.width);
    EXPECT_EQ(size->Height, c.height);
  }
}

TEST(PictureSize, IsUnknownWithoutAReadableHeader) {
  Bytes png = ReadData("ps_basn2c08.png");
  const Bytes cases[] = {
      {},
      {'J', 'U', 'N', 'K'},
      Bytes(png.begin(), png.begin() + 20),  // cut inside the header chunk
      {'B', 'M', 0, 0, 0, 0},
      {0xFF, 0xD8, 0xFF, 0xE0, 0x00},
      {0, 0, 1, 0, 0, 0},  // an icon without images
  };
  for (const Bytes& c : cases) EXPECT_FALSE(Declared(c).has_value()) << c.size() << " bytes";
  EXPECT_FALSE(DeclaredPictureSize(nullptr, 10).has_value());
}

}  // namespace
