// Run-length encoded bitmaps and icon files, read by our readers and checked
// against the GDK pixbuf loaders (through gdk-pixbuf-pixdata) on the same
// files, plus damaged and hostile input.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "graphics/Bitmap32.h"
#include "graphics/Picture.h"
#include "platform/Processes.h"
#include "tests/support/TestServers.h"

namespace {

using Bytes = std::vector<unsigned char>;

void Le16(Bytes& v, unsigned x) { v.push_back(x & 0xFF), v.push_back((x >> 8) & 0xFF); }
void Le32(Bytes& v, std::uint32_t x) { Le16(v, x & 0xFFFF), Le16(v, x >> 16); }

std::string TempFile(const std::string& name) {
  return testing::TempDir() + "quelbo_" + std::to_string(platform::CurrentProcessId()) + "_" + name;
}

void WriteFile(const std::string& path, const Bytes& b) {
  std::ofstream(path, std::ios::binary)
      .write(reinterpret_cast<const char*>(b.data()), static_cast<std::streamsize>(b.size()));
}

TMemoryStream Stream(const Bytes& b) {
  TMemoryStream s;
  if (!b.empty()) s.WriteBuffer(b.data(), static_cast<std::int64_t>(b.size()));
  s.SetPosition(0);
  return s;
}

// A BITMAPINFOHEADER.
void InfoHeader(Bytes& f, int w, int h, int bpp, std::uint32_t compression, std::uint32_t imageSize, int colours) {
  Le32(f, 40);
  Le32(f, static_cast<std::uint32_t>(w));
  Le32(f, static_cast<std::uint32_t>(h));
  Le16(f, 1);
  Le16(f, static_cast<unsigned>(bpp));
  Le32(f, compression);
  Le32(f, imageSize);
  Le32(f, 0), Le32(f, 0);
  Le32(f, static_cast<std::uint32_t>(colours));
  Le32(f, 0);
}

void Palette(Bytes& f, const std::vector<TColor32>& colours) {
  for (TColor32 c : colours)
    f.push_back(BlueComponent(c)), f.push_back(GreenComponent(c)), f.push_back(RedComponent(c)), f.push_back(0);
}

// A run-length encoded bitmap file (compression 1 for 8 bits, 2 for 4 bits).
Bytes RleBitmap(int w, int h, int bpp, const std::vector<TColor32>& palette, const Bytes& data) {
  Bytes info;
  InfoHeader(info, w, h, bpp, bpp == 8 ? 1 : 2, static_cast<std::uint32_t>(data.size()),
             static_cast<int>(palette.size()));
  Palette(info, palette);
  Bytes f = {'B', 'M'};
  const std::uint32_t off = 14 + static_cast<std::uint32_t>(info.size());
  Le32(f, off + static_cast<std::uint32_t>(data.size()));
  Le32(f, 0);
  Le32(f, off);
  f.insert(f.end(), info.begin(), info.end());
  f.insert(f.end(), data.begin(), data.end());
  return f;
}

// What the GDK pixbuf loaders make of a file: $AARRGGBB, top row first.
struct Oracle {
  int width = 0, height = 0;
  std::vector<TColor32> pixels;
};
Oracle ReadWithPixbuf(const Bytes& file, const std::string& extension) {
  const std::string in = TempFile("oracle" + extension), out = TempFile("oracle.pixdata");
  WriteFile(in, file);
  Oracle o;
  const int status = testsupport::RunCommand({"gdk-pixbuf-pixdata", in, out}).status;
  std::ifstream f(out, std::ios::binary);
  Bytes d((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
  std::remove(in.c_str());
  std::remove(out.c_str());
  if (status != 0 || d.size() < 24) return o;
  auto be32 = [&](std::size_t i) { return std::uint32_t(d[i]) << 24 | d[i + 1] << 16 | d[i + 2] << 8 | d[i + 3]; };
  const std::uint32_t type = be32(8), stride = be32(12);
  o.width = static_cast<int>(be32(16));
  o.height = static_cast<int>(be32(20));
  const int channels = (type & 0xFF) == 2 ? 4 : 3;
  if ((type >> 24) != 1 || d.size() < 24 + std::size_t(stride) * o.height) return {};  // raw encoding only
  for (int y = 0; y < o.height; ++y)
    for (int x = 0; x < o.width; ++x) {
      const unsigned char* p = &d[24 + std::size_t(y) * stride + std::size_t(x) * channels];
      o.pixels.push_back(MakeColor32(p[0], p[1], p[2], channels == 4 ? p[3] : 255));
    }
  return o;
}

void ExpectSameAsPixbuf(const TDecodedImage& ours, const Bytes& file, const std::string& extension,
                        const std::string& what) {
  Oracle o = ReadWithPixbuf(file, extension);
  ASSERT_GT(o.width, 0) << what << ": the oracle read nothing";
  ASSERT_EQ(ours.Width, o.width) << what;
  ASSERT_EQ(ours.Height, o.height) << what;
  for (std::size_t i = 0; i < o.pixels.size(); ++i) {
    // A transparent pixel's colour does not matter.
    TColor32 a = ours.Pixels[i], b = o.pixels[i];
    if (AlphaComponent(a) == 0 && AlphaComponent(b) == 0) continue;
    ASSERT_EQ(a, b) << what << ": pixel " << i % o.width << "," << i / o.width;
  }
}

const std::vector<TColor32> kPalette = {0xFF000000, 0xFFFF0000, 0xFF00FF00, 0xFF0000FF, 0xFFFFFF00, 0xFF00FFFF,
                                        0xFFFF00FF, 0xFF808080, 0xFF102030, 0xFF405060, 0xFF708090, 0xFFA0B0C0,
                                        0xFFD0E0F0, 0xFF123456, 0xFF654321, 0xFFFFFFFF};

// A random well-formed run-length stream for a w x h image.
Bytes RandomRuns(std::mt19937& rng, int w, int h, int bpp) {
  Bytes d;
  int x = 0, y = 0;
  // Indices into the 16 colours of the palette (two per byte with 4 bits).
  auto colour = [&] { return static_cast<unsigned char>(bpp == 8 ? rng() % 16 : (rng() % 16) << 4 | rng() % 16); };
  while (y < h) {
    const int room = w - x;
    const unsigned kind = rng() % 8;
    if (room == 0 || kind == 0) {
      if (rng() % 6 == 0 && y + 1 < h) {
        // A move down and to the right that stays inside the image.
        const int dx = static_cast<int>(rng() % (std::min(w - x, 5) + 1)), dy = 1;
        d.insert(d.end(), {0, 2, static_cast<unsigned char>(dx), static_cast<unsigned char>(dy)});
        x += dx, y += dy;
        continue;
      }
      d.insert(d.end(), {0, 0});
      x = 0, ++y;
      continue;
    }
    if (kind < 5) {
      const int n = 1 + static_cast<int>(rng() % std::min(room, 255));
      d.insert(d.end(), {static_cast<unsigned char>(n), colour()});
      x += n;
    } else if (room >= 3) {
      const int n = 3 + static_cast<int>(rng() % (std::min(room, 255) - 2));
      d.insert(d.end(), {0, static_cast<unsigned char>(n)});
      const int bytes = bpp == 8 ? n : (n + 1) / 2;
      for (int i = 0; i < bytes; ++i) d.push_back(colour());
      if (bytes % 2) d.push_back(0);
      x += n;
    }
  }
  d.insert(d.end(), {0, 1});
  return d;
}

TEST(RunLengthBitmaps, AHandWrittenStreamOfEveryKindOfStep) {
  // 5 x 3, stored bottom-up. Bottom row: a run of 3 (colour 1), a literal
  // run of 3 (2, 3, 4) that would pass the end of the row, cut there, and
  // the end of the line. Middle row: a run of 2 (5), then a move 1 right and
  // 1 up to the top row's fourth pixel: a run of 2 (6); the end of the bitmap.
  const Bytes rle8 = {3, 1, 0, 3, 2, 3, 4, 0, 0, 0, 2, 5, 0, 2, 1, 1, 2, 6, 0, 1};
  TMemoryStream s = Stream(RleBitmap(5, 3, 8, kPalette, rle8));
  TDecodedImage img = DecodeBitmapFile(s);
  const TColor32 _ = 0, A = kPalette[1], B = kPalette[2], C = kPalette[3], F = kPalette[5], G = kPalette[6];
  EXPECT_EQ(img.Pixels, (std::vector<TColor32>{_, _, _, G, G,     // top
                                               F, F, _, _, _,     // middle
                                               A, A, A, B, C}));  // bottom
  // The same picture with 4 bits per pixel: runs alternate the two nibbles.
  const Bytes rle4 = {3, 0x11, 0, 3, 0x23, 0x40, 0, 0, 2, 0x55, 0, 2, 1, 1, 2, 0x66, 0, 1};
  TMemoryStream s4 = Stream(RleBitmap(5, 3, 4, kPalette, rle4));
  EXPECT_EQ(DecodeBitmapFile(s4).Pixels, img.Pixels);
}

TEST(RunLengthBitmaps, RandomStreamsReadAsTheOracleReadsThem) {
  std::mt19937 rng(11);
  for (int bpp : {8, 4})
    for (int n = 0; n < 40; ++n) {
      const int w = 1 + static_cast<int>(rng() % 70), h = 1 + static_cast<int>(rng() % 20);
      Bytes file = RleBitmap(w, h, bpp, kPalette, RandomRuns(rng, w, h, bpp));
      TMemoryStream s = Stream(file);
      TDecodedImage img = DecodeBitmapFile(s);
      ExpectSameAsPixbuf(img, file, ".bmp", "RLE" + std::to_string(bpp) + " case " + std::to_string(n));
    }
}

TEST(RunLengthBitmaps, LoadedIntoABitmapSkippedPixelsAreOpaqueBlack) {
  const Bytes rle8 = {1, 2, 0, 0, 2, 3, 0, 1};  // 2 x 2: (0,1) green, top row blue, blue
  const std::string path = TempFile("runs.bmp");
  WriteFile(path, RleBitmap(2, 2, 8, kPalette, rle8));
  TBitmap32 b;
  b.LoadFromFileName(path);
  std::remove(path.c_str());
  EXPECT_EQ(std::vector<TColor32>(b.Bits(), b.Bits() + 4),
            (std::vector<TColor32>{kPalette[3], kPalette[3], kPalette[2], 0xFF000000}));
}

// One image of an icon file: a bitmap (colour rows, then mask rows, both
// bottom-up) or the bytes of a PNG file.
struct IconImage {
  int w = 0, h = 0, bpp = 32;
  std::vector<TColor32> pixels;  // top row first; palette indices for bpp <= 8
  std::vector<bool> masked;      // top row first; empty: nothing masked
  Bytes png;
};

Bytes IconBitmap(const IconImage& im) {
  Bytes d;
  const bool paletted = im.bpp <= 8;
  InfoHeader(d, im.w, im.h * 2, im.bpp, 0, 0, paletted ? 1 << im.bpp : 0);
  if (paletted) {
    // A 1-bit image in black and white, which every reader takes as it is.
    std::vector<TColor32> pal(kPalette.begin(), kPalette.begin() + std::min<std::size_t>(16, 1u << im.bpp));
    pal.resize(std::size_t(1) << im.bpp, 0xFF000000);
    if (im.bpp == 1) pal = {0xFF000000, 0xFFFFFFFF};
    Palette(d, pal);
  }
  const int stride = ((im.w * im.bpp + 31) / 32) * 4, maskStride = ((im.w + 31) / 32) * 4;
  for (int row = im.h - 1; row >= 0; --row) {
    Bytes r(static_cast<std::size_t>(stride), 0);
    for (int x = 0; x < im.w; ++x) {
      TColor32 c = im.pixels[std::size_t(row) * im.w + x];
      switch (im.bpp) {
        case 1: r[x / 8] |= static_cast<unsigned char>((c & 1) << (7 - x % 8)); break;
        case 4: r[x / 2] |= static_cast<unsigned char>((c & 0xF) << (x % 2 ? 0 : 4)); break;
        case 8: r[x] = static_cast<unsigned char>(c); break;
        case 24: r[x * 3] = BlueComponent(c), r[x * 3 + 1] = GreenComponent(c), r[x * 3 + 2] = RedComponent(c); break;
        default:
          for (int k = 0; k < 4; ++k) r[x * 4 + k] = static_cast<unsigned char>(c >> (8 * k));
      }
    }
    d.insert(d.end(), r.begin(), r.end());
  }
  for (int row = im.h - 1; row >= 0; --row) {
    Bytes r(static_cast<std::size_t>(maskStride), 0);
    for (int x = 0; x < im.w; ++x)
      if (!im.masked.empty() && im.masked[std::size_t(row) * im.w + x])
        r[x / 8] |= static_cast<unsigned char>(0x80 >> (x % 8));
    d.insert(d.end(), r.begin(), r.end());
  }
  return d;
}

Bytes IconFile(const std::vector<IconImage>& images) {
  Bytes f;
  Le16(f, 0), Le16(f, 1), Le16(f, static_cast<unsigned>(images.size()));
  std::vector<Bytes> data;
  for (const IconImage& im : images) data.push_back(im.png.empty() ? IconBitmap(im) : im.png);
  std::uint32_t offset = 6 + 16 * static_cast<std::uint32_t>(images.size());
  for (std::size_t i = 0; i < images.size(); ++i) {
    const IconImage& im = images[i];
    f.push_back(static_cast<unsigned char>(im.w & 0xFF)), f.push_back(static_cast<unsigned char>(im.h & 0xFF));
    f.push_back(im.bpp <= 8 ? static_cast<unsigned char>((1 << im.bpp) & 0xFF) : 0), f.push_back(0);
    Le16(f, 1), Le16(f, static_cast<unsigned>(im.bpp));
    Le32(f, static_cast<std::uint32_t>(data[i].size()));
    Le32(f, offset);
    offset += static_cast<std::uint32_t>(data[i].size());
  }
  for (const Bytes& d : data) f.insert(f.end(), d.begin(), d.end());
  return f;
}

IconImage Pattern(int w, int h, int bpp, bool alpha, bool mask) {
  IconImage im{w, h, bpp, {}, {}, {}};
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      TColor32 c = bpp <= 8
                       ? TColor32((x + 3 * y) % (1 << std::min(bpp, 4)))
                       : MakeColor32((x * 9) & 0xFF, (y * 7) & 0xFF, (x * y) & 0xFF, alpha ? (x * 16 + y) & 0xFF : 0);
      im.pixels.push_back(c);
      im.masked.push_back(mask && (x + y) % 3 == 0);
    }
  return im;
}

TEST(IconFiles, EveryKindOfImageReadsAsTheOracleReadsIt) {
  struct Case {
    const char* name;
    std::vector<IconImage> images;
  };
  IconImage png = Pattern(48, 48, 32, true, false);
  {
    TMemoryStream s;
    TPngImage::SavePixels(s, png.pixels.data(), png.w, png.h);
    png.png.assign(static_cast<const unsigned char*>(s.Memory()),
                   static_cast<const unsigned char*>(s.Memory()) + s.Size());
  }
  const Case cases[] = {
      {"32 bits with alpha", {Pattern(32, 32, 32, true, true)}},
      {"24 bits and a mask", {Pattern(20, 12, 24, false, true)}},
      {"8 bits", {Pattern(16, 16, 8, false, true)}},
      {"4 bits", {Pattern(17, 9, 4, false, true)}},
      {"1 bit", {Pattern(33, 5, 1, false, true)}},
      {"the largest of several",
       {Pattern(16, 16, 4, false, true), Pattern(40, 40, 24, false, true), Pattern(24, 24, 32, true, false)}},
  };
  for (const Case& c : cases) {
    const Bytes file = IconFile(c.images);
    TMemoryStream s = Stream(file);
    TDecodedImage img = DecodeIconFile(s);
    ExpectSameAsPixbuf(img, file, ".ico", c.name);
  }
  // Two kinds the oracle does not read as the platform does: a PNG image
  // (which it does not read at all) is the PNG's pixels; a 32-bit image whose
  // alpha is 0 everywhere takes its transparency from the mask.
  TMemoryStream s = Stream(IconFile({png}));
  EXPECT_EQ(DecodeIconFile(s).Pixels, png.pixels);
  IconImage noAlpha = Pattern(32, 32, 32, false, true);
  TMemoryStream s32 = Stream(IconFile({noAlpha}));
  TDecodedImage img = DecodeIconFile(s32);
  for (std::size_t i = 0; i < noAlpha.pixels.size(); ++i)
    ASSERT_EQ(img.Pixels[i], noAlpha.masked[i] ? 0 : noAlpha.pixels[i] | 0xFF000000u) << i;
}

TEST(IconFiles, LoadedByContentAndByExtension) {
  IconImage im = Pattern(8, 4, 24, false, true);
  const Bytes file = IconFile({im});
  // The skin names files freely: one without an extension is known by its content.
  for (const char* name : {"skin.ico", "MlSkinBar_cur"}) {
    const std::string path = TempFile(name);
    WriteFile(path, file);
    TBitmap32 b;
    b.LoadFromFileName(path);
    std::remove(path.c_str());
    ASSERT_EQ(b.Width(), 8) << name;
    ASSERT_EQ(b.Height(), 4) << name;
    for (int y = 0; y < 4; ++y)
      for (int x = 0; x < 8; ++x) {
        const TColor32 want = im.masked[std::size_t(y) * 8 + x] ? 0 : (im.pixels[std::size_t(y) * 8 + x] | 0xFF000000u);
        ASSERT_EQ(b.PixelAt(x, y), want) << name << " " << x << "," << y;
      }
  }
  const std::string path = TempFile("picture.ico");
  WriteFile(path, file);
  TPicture pic;
  pic.LoadFromFile(path);
  std::remove(path.c_str());
  EXPECT_EQ(pic.Width(), 8);
}

TEST(IconFiles, DamagedAndHostileFilesAreErrorsNotCrashes) {
  const Bytes good = IconFile({Pattern(8, 8, 8, false, true), Pattern(16, 16, 32, true, false)});
  std::vector<Bytes> bad = {
      {0, 0, 1, 0, 0, 0},                      // no images
      {0, 0, 1, 0, 200, 0},                    // more images than the file holds
      {0, 0, 2, 0, 1, 0},                      // a cursor, not an icon
      Bytes(good.begin(), good.begin() + 40),  // images cut off
  };
  Bytes huge = IconFile({Pattern(8, 8, 8, false, true)});  // its bitmap claims 70000 x 70000 pixels
  for (int field : {4, 8})
    huge[6 + 16 + field] = 0x70, huge[6 + 16 + field + 1] = 0x11, huge[6 + 16 + field + 2] = 0x01;
  bad.push_back(huge);
  for (std::size_t i = 0; i < bad.size(); ++i) {
    TMemoryStream s = Stream(bad[i]);
    EXPECT_THROW(DecodeIconFile(s), Exception) << "case " << i;
  }
  std::mt19937 rng(7);
  const Bytes rle = RleBitmap(30, 20, 4, kPalette, RandomRuns(rng, 30, 20, 4));
  for (const Bytes* base : {&good, &rle})
    for (int n = 0; n < 2000; ++n) {
      Bytes v = *base;
      for (int k = 0; k < 4; ++k) v[rng() % v.size()] = static_cast<unsigned char>(rng());
      if (rng() % 4 == 0) v.resize(rng() % v.size());
      TMemoryStream s = Stream(v);
      TBitmap32 b;
      try {
        b.LoadFromStream(s);
      } catch (const Exception&) {
      }
    }
}

}  // namespace
